#include "drive/connection/communication.h"

#include "drive/connection/drive_connection.h"

namespace tarvex {

void CCommunication::ApplySettings(std::uint8_t node, const PortChoice &port, int baudIndex,
                                   bool fastExchange)
{
    m_nodeAddress = node;
    m_port = port;
    m_baudRate = baudForIndex(baudIndex);
    m_fastExchange = fastExchange;
    if (!m_drive)
        return;
    m_drive->storeSettings({m_nodeAddress, m_port, m_baudRate, m_fastExchange});
    if (!m_drive->InitLink())
        m_drive->messages().show("Communication Init Error!");
}

} // namespace tarvex
