// The parameter benchmarks' drive: the virtual drive pacing its bytes at
// 19200 baud with the catalogue's defaults, and a drive connection with
// both libraries bound, linked to it.
#pragma once

#include "communication.h"
#include "drive_connection.h"
#include "recording_free_messages.h"
#include "virtual_drive.h"

#include <QByteArray>

#include <cstdio>
#include <memory>
#include <string>

namespace tarvex::bench {

struct ParameterBenchDrive {
    std::string catalogueFile = std::string(TARVEX_RUN_DIRECTORY) + "/DB/M9A_Tarvex-DATA_ENG.mdb";
    vq::sim::DriveOptions options;
    std::unique_ptr<vq::sim::VirtualDrive> sim;
    CountingMessages messages;
    FrameState frame;
    DriveConnection drive{frame, messages};
};

// The benchmarks draw offscreen unless told otherwise; before the application is made.
inline void drawOffscreenByDefault()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Null, after saying why, when the drive or the link did not start.
inline std::unique_ptr<ParameterBenchDrive> startParameterBenchDrive()
{
    auto bench = std::make_unique<ParameterBenchDrive>();
    vq::sim::CatalogueDefaults defaults;
    std::string error;
    if (!vq::sim::loadCatalogueDefaults(bench->catalogueFile, defaults, error)) {
        std::fprintf(stderr, "the catalogue did not load: %s\n", error.c_str());
        return nullptr;
    }
    bench->options.paced = true;
    bench->options.lineSpeed = 19200;
    bench->options.log = [](const std::string &) {};
    bench->sim = std::make_unique<vq::sim::VirtualDrive>(bench->options, defaults);
    if (!bench->sim->start(error)) {
        std::fprintf(stderr, "the virtual drive did not start: %s\n", error.c_str());
        return nullptr;
    }
    DriveConnection &drive = bench->drive;
    drive.BindLinkLibrary(TARVEX_LINK_LIBRARY);
    drive.BindDatabaseLibrary(std::string(TARVEX_RUN_DIRECTORY) + "/VQ_DatabaseManager.so");
    drive.OpenCatalogue(bench->catalogueFile);
    CCommunication(&drive).ApplySettings(0, PortChoice{1, bench->sim->devicePath()}, kDialogBaudIndex);
    drive.Connect();
    if (!drive.isLinkOpen()) {
        std::fprintf(stderr, "the link did not open\n");
        return nullptr;
    }
    return bench;
}

} // namespace tarvex::bench
