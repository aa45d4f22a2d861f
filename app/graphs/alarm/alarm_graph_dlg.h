// "Alarm Trace": arms the drive to record four quantities when an alarm
// occurs ("Apply"), waits for the drive to report the recording while an
// animation plays, reads its 128 samples per channel, rotates them to the
// drive's start position, and plots them on "Upload". The recording can be
// saved and loaded. Modal; the "Alarm Trace" command builds it afresh for
// each showing.
#pragma once

#include "drive/capture/alarm/alarm_graph.h"
#include "app/graphs/capture_view.h"
#include "drive/capture/channel_scaling.h"
#include "drive/connection/run_switch.h"
#include "app/graphs/unsaved_capture.h"
#include "drive/connection/worker_thread.h"

#include <QDialog>
#include <QString>

#include <array>

class CChartView;
class CYaxisDlg;
class QLabel;
class QPushButton;

namespace tarvex {

class CLinkAnimation;
class CNotchFilterDlg;

namespace graphs {
class CChannelLists;
class IntegerEdit;
}

namespace alarm_graph {
inline constexpr int kPeriodMin = 1;
inline constexpr int kPeriodMax = 1000;
inline constexpr int kDefaultPeriod = 1;
using ScaledSamples = graphs::ScaledChannels<kSamples>;
} // namespace alarm_graph

class CAlarmGraphDlg : public QDialog, public CAlarmGraph {
    Q_OBJECT
public:
    // `drive` must outlive the window.
    explicit CAlarmGraphDlg(DriveConnection *drive, QWidget *parent = nullptr);
    ~CAlarmGraphDlg() override;

    // The commands of the buttons.
    void OnApply();
    void OnUpload();
    void OnYAxis();
    void OnSave();
    void OnOpen();
    // The spectrum of the recording ("FFT") or of the range shown.
    void OnSpectrum(bool shownOnly);
    // Save and Open once the file has been chosen; false after the message.
    bool SaveTo(const QString &path);
    bool OpenFrom(const QString &path);

    // Ends the waiting: the worker leaves after its current poll.
    void endWorker();

    // --- observation ---------------------------------------------------
    bool isRunning() const { return m_running.isOn(); }
    bool isWorkerRunning() const { return m_worker.isRunning(); }
    // Display samples: rotated; DC-link channels in volts once uploaded.
    const alarm_graph::AlarmSamples &displayBuffers() const { return m_view.display(); }
    const alarm_graph::ScaledSamples &scaledBuffers() const { return m_view.scaled(); }
    const graphs::ChannelLimits &limits() const { return m_view.limits(); }
    const QString &channelName(int channel) const { return m_view.channelName(channel); }

    CChartView &chart() { return *m_chart; }
    CYaxisDlg &axisDialog() { return *m_yaxisDlg; }
    CLinkAnimation &animation() { return *m_animation; }
    graphs::IntegerEdit &periodEdit() { return *m_periodEdit; }
    QLabel &periodUnitLabel() { return *m_unitLabel; }
    graphs::CChannelLists &channelLists() { return *m_channelLists; }
    QPushButton &applyButton() { return *m_applyButton; }
    QPushButton &uploadButton() { return *m_uploadButton; }
    QPushButton &yAxisButton() { return *m_yAxisButton; }
    QPushButton &saveButton() { return *m_saveButton; }
    QPushButton &openButton() { return *m_openButton; }
    // Whether Open may be used now (not while a capture runs).
    bool canOpenFile() const;
    QPushButton &fftButton() { return *m_fftButton; }
    CNotchFilterDlg *spectrumWindow() const { return m_notchDlg; }

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void workerLoop();
    // One poll: 4 recording read, 0 poll again, 8 failed.
    int pollStep();
    void recordingArrived(const alarm_graph::AlarmSamples &received, unsigned start);
    void recordingReady();
    void pollFailed();
    void restAnimation();

    // Controls.
    graphs::IntegerEdit *m_periodEdit = nullptr;
    QLabel *m_unitLabel = nullptr;
    graphs::CChannelLists *m_channelLists = nullptr;
    QPushButton *m_applyButton = nullptr;
    QPushButton *m_uploadButton = nullptr;
    QPushButton *m_yAxisButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_openButton = nullptr;
    QPushButton *m_fftButton = nullptr;
    CNotchFilterDlg *m_notchDlg = nullptr;
    CLinkAnimation *m_animation = nullptr;
    CChartView *m_chart = nullptr;
    CYaxisDlg *m_yaxisDlg = nullptr;

    // The recording shown, with the selection it was armed with
    // (user-interface thread only).
    graphs::CaptureView<alarm_graph::kSamples> m_view;

    RunSwitch m_running;
    StalledFeatureRegistration m_watchdogEntry{m_running};
    WorkerHandle m_worker;
    graphs::UnsavedCapture m_unsaved;
};

} // namespace tarvex
