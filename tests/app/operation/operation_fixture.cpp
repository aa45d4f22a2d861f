#include "tests/app/operation/operation_fixture.h"

#include "drive/connection/communication.h"

namespace tarvex::test {

void OperationFixture::SetUp()
{
    TARVEX_NEEDS_VIRTUAL_DRIVE();
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    const bool parameters = withParameterList();
    m_sim = startVirtualDrive(false, parameters ? catalogueDefaults() : vq::sim::CatalogueDefaults{},
                              requests.sink());
    ASSERT_TRUE(m_sim);
    m_drive = std::make_unique<DriveConnection>(frame, messages, timings);
    m_drive->BindLinkLibrary(TARVEX_LINK_LIBRARY);
    if (parameters) {
        m_drive->BindDatabaseLibrary(std::string(TARVEX_RUN_DIRECTORY) + "/" + kDatabaseLibraryFile);
        m_drive->OpenCatalogue(cataloguePath());
    }
    CCommunication settings(m_drive.get());
    settings.ApplySettings(0, PortChoice{1, m_sim->devicePath()}, kDialogBaudIndex);
    m_drive->Connect();
    ASSERT_TRUE(m_drive->isLinkOpen());
    ASSERT_TRUE(messages.empty()) << messages.texts().front();
    requests.clear();
#endif
}

std::uint16_t OperationFixture::registerValue(std::uint16_t address)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    return m_sim->registerValue(address);
#else
    (void)address;
    return 0;
#endif
}

void OperationFixture::silenceDrive(bool silent)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    m_sim->setSilent(silent);
#else
    (void)silent;
#endif
}

void OperationFixture::damageNextReplies(int count)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    m_sim->corruptNextReplies(count);
#else
    (void)count;
#endif
}

void OperationFixture::damageRepliesFrom(std::uint16_t address, int count)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    m_sim->corruptRepliesFrom(address, count);
#else
    (void)address;
    (void)count;
#endif
}

} // namespace tarvex::test
