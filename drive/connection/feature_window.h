// What the drive connection needs of a feature window (parameters, alarms,
// graphs, jogs, tuning). The windows themselves are widgets of their own
// parts; they implement this interface so the connection can open them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace tarvex {

class DriveConnection;

enum class FeatureKind {
    AlarmHistory,
    AutoTuning,
    TriggerGraph,
    TraceGraph,
    AlarmGraph,
    ManualJog,
    ProgramJog,
    Parameters,
};

struct FeatureOpening {
    bool modal = false;            // runs until the user closes it
    bool lowersGeneralBusy = false; // after a modal window closes, before a modeless one shows
    std::int32_t activeFeature = 0; // the code the frame sets when the window opens
};

FeatureOpening openingOf(FeatureKind kind);

class FeatureWindow {
public:
    virtual ~FeatureWindow() = default;
    virtual FeatureKind kind() const = 0;
    // Receives the drive connection (and reads what it needs from it, the
    // baud rate for the graph windows) before each showing.
    virtual void attach(DriveConnection &drive) = 0;
    // Shows the window; a modal one returns when it has been closed.
    virtual void present() = 0;
    // Cyclic monitoring started (true) or stopped: the parameter window
    // disables its "All Write" button meanwhile.
    virtual void monitoringSwitched(bool /*running*/) {}
    // The program is closing: any worker thread of the window ends now,
    // while the link library it calls is still loaded.
    virtual void endWork() {}
    // The program leaves the drive this window works on (another node or
    // port was chosen): the window closes as its own EXIT closes it, so
    // nothing it would send later reaches the next drive.
    virtual void leaveDrive() {}

    // A file (of the window's own kind) to load at the next showing, as the
    // window's Open would: the File menu's recent files.
    void openOnPresent(std::string path) { fileToOpen_ = std::move(path); }

protected:
    // The file asked for, once; empty when none was.
    std::string takeFileToOpen() { return std::exchange(fileToOpen_, {}); }

private:
    std::string fileToOpen_;
};

} // namespace tarvex
