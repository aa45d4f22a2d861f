#include "app/monitor/static_panes.h"

#include "drive/connection/drive_connection.h"

namespace tarvex {

CPaneBase::CPaneBase(const QString &title, const QString &objectName, int controlId,
                     QWidget *parent)
    : QDockWidget(title, parent), m_controlId(controlId)
{
    setObjectName(objectName);
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                QDockWidget::DockWidgetClosable);
}

CPaneBase::~CPaneBase() = default;

void CPaneBase::setDriveConnection(DriveConnection *drive)
{
    if (m_drive)
        registerView(m_drive, false);
    m_drive = drive;
    if (m_drive)
        registerView(m_drive, true);
}

void CPaneBase::prepareDestruction(const std::function<void()> &tick)
{
    if (!m_drive)
        return;
    if (endsStatusPolling)
        m_drive->EndStatusPolling(tick);
    registerView(m_drive, false);
}

// Each destructor withdraws the view first, so the poll thread can never
// reach a dialog that is going away even if nobody prepared the pane.

CStaticPane::CStaticPane(QWidget *parent)
    : CPaneBase(QStringLiteral("Servo Status"), QStringLiteral("ServoStatusPane"), 1234, parent),
      m_dialog(std::make_unique<CDockMain1Dlg>(26, this))
{
    setWidget(m_dialog.get());
}

CStaticPane::~CStaticPane()
{
    if (driveConnection())
        registerView(driveConnection(), false);
}

void CStaticPane::registerView(DriveConnection *drive, bool present)
{
    drive->setVariableView(present ? m_dialog.get() : nullptr);
}

CStaticPane2::CStaticPane2(QWidget *parent)
    : CPaneBase(QStringLiteral("Servo Input"), QStringLiteral("ServoInputPane"), 1235, parent),
      m_dialog(std::make_unique<CDockMain2Dlg>(6, this))
{
    setWidget(m_dialog.get());
}

CStaticPane2::~CStaticPane2()
{
    if (driveConnection())
        registerView(driveConnection(), false);
}

void CStaticPane2::registerView(DriveConnection *drive, bool present)
{
    drive->setInputView(present ? m_dialog.get() : nullptr);
}

CStaticPane3::CStaticPane3(QWidget *parent)
    : CPaneBase(QStringLiteral("Servo Output"), QStringLiteral("ServoOutputPane"), 1236, parent),
      m_dialog(std::make_unique<CDockMain3Dlg>(7, this))
{
    setWidget(m_dialog.get());
}

CStaticPane3::~CStaticPane3()
{
    if (driveConnection())
        registerView(driveConnection(), false);
}

void CStaticPane3::registerView(DriveConnection *drive, bool present)
{
    drive->setOutputView(present ? m_dialog.get() : nullptr);
}

CStaticPane4::CStaticPane4(QWidget *parent)
    : CPaneBase(QStringLiteral("Communication Status"), QStringLiteral("CommunicationStatusPane"),
                1237, parent),
      m_dialog(std::make_unique<CAni>(this))
{
    endsStatusPolling = false;
    setWidget(m_dialog.get());
}

CStaticPane4::~CStaticPane4() = default;

} // namespace tarvex
