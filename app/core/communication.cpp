#include "communication.h"

#include "drive_connection.h"

namespace tarvex {

void CCommunication::ApplySettings(std::uint8_t node, const PortChoice &port, int baudIndex)
{
    m_nodeAddress = node;
    m_port = port;
    m_baudRate = baudForIndex(baudIndex);
    if (!m_drive)
        return;
    m_drive->storeSettings({m_nodeAddress, m_port, m_baudRate});
    if (!m_drive->InitLink())
        m_drive->messages().show("Communication Init Error!");
}

} // namespace tarvex
