// The link-settings half of the Communication Setting dialog: node, port and
// rate as last accepted, handed to the drive connection and to CommInit.
#pragma once

#include "drive/connection/link_settings.h"

#include <cstdint>

namespace tarvex {

class DriveConnection;

class CCommunication {
public:
    explicit CCommunication(DriveConnection *drive = nullptr) : m_drive(drive) {}
    virtual ~CCommunication() = default;

    void setDriveConnection(DriveConnection *drive) { m_drive = drive; }

    // Stores node and port, maps the baud index to its rate (an unknown
    // index leaves the rate 0), copies the rate into the drive connection and
    // initialises the link; "Communication Init Error!" when that is refused.
    // The fast exchange choice goes with them and takes effect at Connect.
    void ApplySettings(std::uint8_t node, const PortChoice &port, int baudIndex,
                       bool fastExchange = false);

    std::uint8_t node() const { return m_nodeAddress; }
    const PortChoice &port() const { return m_port; }
    std::uint32_t baudRate() const { return m_baudRate; }
    bool fastExchange() const { return m_fastExchange; }

protected:
    std::uint8_t m_nodeAddress = 0;
    PortChoice m_port;
    std::uint32_t m_baudRate = 0;
    bool m_fastExchange = false;
    DriveConnection *m_drive = nullptr;
};

} // namespace tarvex
