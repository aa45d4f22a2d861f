// The virtual drive, in process, for the tests that need a whole drive.
// Without it in the build those tests skip.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
#include "virtual_drive.h"
#endif

namespace tarvex::test {

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
using VirtualDrive = vq::sim::VirtualDrive;

// Starts a drive that answers at once (no wire pacing) on node 0; with a
// catalogue its parameter registers exist and hold the factory defaults.
inline std::unique_ptr<VirtualDrive> startVirtualDrive(bool paced = false,
                                                       const vq::sim::CatalogueDefaults &catalogue = {})
{
    vq::sim::DriveOptions options;
    options.paced = paced;
    options.acceptAnySpeed = true;
    options.log = [](const std::string &) {};
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
