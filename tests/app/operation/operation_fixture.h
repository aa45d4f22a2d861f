// The operation windows' tests run against the virtual drive over a real
// pseudo-terminal and the real link library, with a connected drive
// connection, a message service whose boxes are modal as the program's are, and the drive's log of every
// request it received.
#pragma once

#include "drive/connection/drive_connection.h"
#include "tests/app/operation/drive_requests.h"
#include "tests/app/support/qt_test_application.h"
#include "tests/app/support/modal_messages.h"
#include "tests/app/support/virtual_drive_session.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace tarvex::test {

class OperationFixture : public ::testing::Test {
protected:
    // The windows under test belong to the derived fixtures, so they go
    // away before the connection and the drive.
    void SetUp() override;
    // The drive holds every parameter the catalogue lists at its factory
    // value, and the connection has the catalogue, as the program's have.
    // Without, the virtual drive keeps its own program and gains.
    virtual bool withParameterList() const { return false; }

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    VirtualDrive &virtualDrive() { return *m_sim; }
#endif
    DriveConnection &connection() { return *m_drive; }
    // The register as the drive holds it now.
    std::uint16_t registerValue(std::uint16_t address);
    // The drive stops answering (the link stays open).
    void silenceDrive(bool silent);
    // The next `count` replies arrive damaged, so that many attempts fail.
    void damageNextReplies(int count);
    // The same, from the first request to `address` on.
    void damageRepliesFrom(std::uint16_t address, int count);

    DriveRequests requests;
    DriveTimings timings;
    FrameState frame;
    ModalMessages messages;

private:
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    std::unique_ptr<VirtualDrive> m_sim;
#endif
    std::unique_ptr<DriveConnection> m_drive;
};

// One operation window W, created and attached once the drive is up.
// `open()` shows it the way the frame does and forgets the requests of the
// opening.
template <class W>
class OperationWindowFixture : public OperationFixture {
protected:
    void SetUp() override
    {
        OperationFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        prepareDrive();
        window = std::make_unique<W>();
        window->attach(connection());
    }

    // What the drive must hold before the window exists.
    virtual void prepareDrive() {}

    void open()
    {
        window->present();
        showActive(*window);
        requests.clear();
    }

    static void click(QPushButton &button) { QTest::mouseClick(&button, Qt::LeftButton); }

    std::unique_ptr<W> window;
};

} // namespace tarvex::test
