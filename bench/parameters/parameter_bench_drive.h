// The parameter benchmarks' drive: the virtual drive pacing its bytes at
// 19200 baud with the catalogue's defaults, and a drive connection with
// both libraries bound, linked to it.
#pragma once

#include "bench/bench_run.h"
#include "drive/connection/communication.h"
#include "drive/connection/drive_connection.h"
#include "bench/recording_free_messages.h"
#include "simulator/src/virtual_drive.h"

#include <QByteArray>

#include <cstdio>
#include <memory>
#include <string>

namespace tarvex::bench {

struct ParameterBenchDrive {
    std::string catalogueFile = englishCatalogue();
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

// Null, after saying why, when the drive, a library or the link did not start.
inline std::unique_ptr<ParameterBenchDrive> startParameterBenchDrive()
{
    auto bench = std::make_unique<ParameterBenchDrive>();
    vq::sim::CatalogueDefaults defaults;
    std::string error;
    if (!vq::sim::loadCatalogueDefaults(bench->catalogueFile, defaults, error)) {
        cannotMeasure("the catalogue did not load: %s", error.c_str());
        return nullptr;
    }
    bench->options.paced = true;
    bench->options.lineSpeed = 19200;
    bench->options.log = [](const std::string &) {};
    bench->sim = std::make_unique<vq::sim::VirtualDrive>(bench->options, defaults);
    if (!bench->sim->start(error)) {
        cannotMeasure("the virtual drive did not start: %s", error.c_str());
        return nullptr;
    }
    DriveConnection &drive = bench->drive;
    drive.BindLinkLibrary(runFile("VQ_Communication.so"));
    drive.BindDatabaseLibrary(runFile("VQ_DatabaseManager.so"));
    drive.OpenCatalogue(bench->catalogueFile);
    CCommunication(&drive).ApplySettings(0, PortChoice{1, bench->sim->devicePath()}, kDialogBaudIndex);
    drive.Connect();
    if (!drive.isLinkOpen()) {
        cannotMeasure("no connection to the virtual drive");
        return nullptr;
    }
    // A library or the catalogue that did not load is a box by now.
    if (bench->messages.failIfShown() != 0)
        return nullptr;
    return bench;
}

} // namespace tarvex::bench
