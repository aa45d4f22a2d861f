// The four docking panes of the main frame. Each owns its hosted dialog and
// knows the drive connection (not owned). The three status panes register
// their dialogs with the drive connection as the views the status poll
// writes to, and end status polling before they go away.
#pragma once

#include "app/monitor/ani_dlg.h"
#include "app/monitor/dock_main1_dlg.h"
#include "app/monitor/lamp_grid_dlg.h"

#include <QDockWidget>

#include <functional>
#include <memory>

namespace tarvex {

class DriveConnection;

class CPaneBase : public QDockWidget {
    Q_OBJECT
public:
    ~CPaneBase() override;

    int controlId() const { return m_controlId; }
    void setDriveConnection(DriveConnection *drive);
    DriveConnection *driveConnection() const { return m_drive; }
    // Before the pane is destroyed: a status pane ends status polling and
    // waits for the poll thread, calling `tick` every 5 ms meanwhile.
    virtual void prepareDestruction(const std::function<void()> &tick);

protected:
    CPaneBase(const QString &title, const QString &objectName, int controlId, QWidget *parent);
    virtual void registerView(DriveConnection *drive, bool present) = 0;
    bool endsStatusPolling = true;

private:
    DriveConnection *m_drive = nullptr;
    int m_controlId;
};

class CStaticPane : public CPaneBase {
    Q_OBJECT
public:
    explicit CStaticPane(QWidget *parent = nullptr);
    ~CStaticPane() override;
    CDockMain1Dlg &dialog() { return *m_dialog; }

protected:
    void registerView(DriveConnection *drive, bool present) override;

private:
    std::unique_ptr<CDockMain1Dlg> m_dialog;
};

class CStaticPane2 : public CPaneBase {
    Q_OBJECT
public:
    explicit CStaticPane2(QWidget *parent = nullptr);
    ~CStaticPane2() override;
    CDockMain2Dlg &dialog() { return *m_dialog; }

protected:
    void registerView(DriveConnection *drive, bool present) override;

private:
    std::unique_ptr<CDockMain2Dlg> m_dialog;
};

class CStaticPane3 : public CPaneBase {
    Q_OBJECT
public:
    explicit CStaticPane3(QWidget *parent = nullptr);
    ~CStaticPane3() override;
    CDockMain3Dlg &dialog() { return *m_dialog; }

protected:
    void registerView(DriveConnection *drive, bool present) override;

private:
    std::unique_ptr<CDockMain3Dlg> m_dialog;
};

class CStaticPane4 : public CPaneBase {
    Q_OBJECT
public:
    explicit CStaticPane4(QWidget *parent = nullptr);
    ~CStaticPane4() override;
    CAni &dialog() { return *m_dialog; }

protected:
    void registerView(DriveConnection *, bool) override {}

private:
    std::unique_ptr<CAni> m_dialog;
};

} // namespace tarvex
