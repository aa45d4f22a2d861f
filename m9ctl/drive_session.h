// One drive as m9ctl reaches it: the two libraries bound from the program's
// own directory through the same binding as the main program, the catalogue
// opened, and the link connected the way "Connect" does it.
#pragma once

#include "drive/firmware/boot_port.h"
#include "drive/firmware/boot_session.h"
#include "m9ctl/console_messages.h"
#include "drive/connection/drive_connection.h"
#include "m9ctl/m9ctl_options.h"

#include <memory>
#include <string>

namespace m9ctl {

// The directory m9ctl was started from (its libraries and DB/ are there).
std::string programDirectory();

class DriveSession {
public:
    DriveSession(const LinkOptions &options, std::string port, ConsoleMessages &messages);
    ~DriveSession();
    DriveSession(const DriveSession &) = delete;
    DriveSession &operator=(const DriveSession &) = delete;

    // Binds the link library and connects; false (reported) when the drive
    // cannot be reached. With the line already open (an earlier node's
    // command) it only addresses the node in turn.
    bool connect();
    // The drive the following commands address on this port's line.
    void selectNode(std::uint8_t node);
    // What answered on the port: the drive's firmware, its boot loader
    // (left waiting by a firmware download that did not finish), or nothing.
    enum class Answer { Firmware, BootLoader, Nothing };
    // connect(), and when the port opened but the firmware kept silent, the
    // upgrader's own question for a boot loader that is already waiting
    // (Ready asks it when the firmware does not answer). The link's failure
    // is reported only when nothing answered; after BootLoader the boot
    // loader's handshake is done and bootPort() is open.
    Answer connectOrFindBootLoader();
    // Binds the catalogue library and opens the catalogue; false (reported)
    // when it cannot be read.
    bool openCatalogue();
    // Opens the line without asking any drive (a scan asks each node
    // itself); false (reported) when the port does not open.
    bool openLine();
    // Closes the link (the port is free for the boot loader afterwards).
    void disconnect();

    tarvex::DriveConnection &drive() { return *drive_; }
    const std::string &port() const { return port_; }
    const LinkOptions &options() const { return options_; }
    ConsoleMessages &messages() { return messages_; }
    // The drive's boot loader on the same device and node; its messages are
    // link failures.
    upgrader::BootPort &bootPort() { return bootPort_; }
    upgrader::BootSession &boot() { return boot_; }

    // One register, or nothing when the drive did not answer.
    std::optional<std::uint16_t> readRegister(std::uint16_t address);
    // Register 0: servo on (bit 1 of the low byte); nullopt when unanswered.
    std::optional<bool> servoOn();

private:
    bool bindLink();
    void storeSettings();
    void applyExchangeProfile();

    LinkOptions options_;
    std::string port_;
    ConsoleMessages &messages_;
    tarvex::FrameState frame_;
    std::unique_ptr<tarvex::DriveConnection> drive_;
    upgrader::BootPort bootPort_;
    upgrader::BootSession boot_;
    bool linkBound_ = false;
    bool catalogueOpen_ = false;
};

} // namespace m9ctl
