// The virtual drive, in process, for the tests that need a whole drive.
// Without it in the build those tests skip.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
#include "simulator/src/catalogue_defaults.h"
#include "simulator/src/virtual_drive.h"
#endif

namespace tarvex::test {

// The catalogue the program ships, as it runs beside the program.
inline std::string cataloguePath() { return std::string(TARVEX_RUN_DIRECTORY) + "/DB/M9A_Tarvex-DATA_ENG.mdb"; }

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
using VirtualDrive = vq::sim::VirtualDrive;

// The factory defaults of every parameter the shipped catalogue lists, read once.
inline const vq::sim::CatalogueDefaults &catalogueDefaults()
{
    static const vq::sim::CatalogueDefaults defaults = [] {
        vq::sim::CatalogueDefaults loaded;
        std::string error;
        if (!vq::sim::loadCatalogueDefaults(cataloguePath(), loaded, error))
            ADD_FAILURE() << "the catalogue did not load: " << error;
        return loaded;
    }();
    return defaults;
}

// Starts a drive that answers at once (no wire pacing) on node 0; with a
// catalogue its parameter registers exist and hold the factory defaults.
// A `log` hears every frame the drive receives and sends (its verbose log).
inline std::unique_ptr<VirtualDrive> startVirtualDrive(bool paced = false,
                                                       const vq::sim::CatalogueDefaults &catalogue = {},
                                                       std::function<void(const std::string &)> log = {})
{
    vq::sim::DriveOptions options;
    options.paced = paced;
    options.acceptAnySpeed = true;
    options.verbose = static_cast<bool>(log);
    options.log = log ? std::move(log) : [](const std::string &) {};
    auto drive = std::make_unique<VirtualDrive>(options, catalogue);
    std::string error;
    if (!drive->start(error)) {
        ADD_FAILURE() << "the virtual drive did not start: " << error;
        return nullptr;
    }
    return drive;
}
#endif

} // namespace tarvex::test

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
#define TARVEX_NEEDS_VIRTUAL_DRIVE() (void)0
#else
#define TARVEX_NEEDS_VIRTUAL_DRIVE() GTEST_SKIP() << "the virtual drive (vq_sim) is not part of this build yet"
#endif
