// The parameter window as the frame knows it: one object for the program's
// life, which creates the window at each opening (after EXIT, or the first
// time) with the "Parameter Read" note shown while the new window reads
// every group, and only shows the window when it is still open.
#pragma once

#include "drive/connection/feature_window.h"
#include "drive/parameters/parameter_service.h"

#include <QPointer>
#include <QString>

class QWidget;

namespace tarvex {

class CParameterDlg;
class CPmessageDlg;

class CParameterWindow final : public FeatureWindow {
public:
    // `runner` runs each link call of the window (see CParameterDlg).
    CParameterWindow(QWidget *frame, CParameter::LinkRunner runner);
    ~CParameterWindow() override;
    CParameterWindow(const CParameterWindow &) = delete;
    CParameterWindow &operator=(const CParameterWindow &) = delete;

    FeatureKind kind() const override { return FeatureKind::Parameters; }
    void attach(DriveConnection &drive) override { drive_ = &drive; }
    void present() override;
    void monitoringSwitched(bool running) override;
    void leaveDrive() override;

    // The open window, or null.
    CParameterDlg *dialog() const;
    // The note, while a new window reads its groups.
    CPmessageDlg *note() const { return note_; }

private:
    void loadInto(const QString &file);

    QWidget *frame_;
    CParameter::LinkRunner runner_;
    DriveConnection *drive_ = nullptr;
    QPointer<CParameterDlg> dialog_;
    QPointer<CParameterDlg> closing_; // after EXIT, until the event loop has destroyed it
    CPmessageDlg *note_ = nullptr;
};

} // namespace tarvex
