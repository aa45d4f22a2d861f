// "Trigger Monitoring": one shot of four drive quantities around a trigger
// event. The user sets the sampling period, the four channels, the trigger
// source, edge, position and level, sends the set-up ("Apply") and arms the
// drive ("Start"); a worker thread polls the drive until it reports the
// capture complete, reads its 256 samples per channel and hands them to the
// user-interface thread, which rotates them to the drive's start position,
// scales and plots them. The capture can be saved, loaded, and analysed
// with "FFT". Modeless; it lives from the "Trigger Monitoring" command to
// "EXIT".
#pragma once

#include "drive/capture/capture_buffers.h"
#include "app/graphs/capture_view.h"
#include "drive/capture/channel_scaling.h"
#include "drive/connection/run_switch.h"
#include "drive/capture/spectrum.h"
#include "drive/capture/trigger/trigger_graph.h"
#include "app/graphs/unsaved_capture.h"
#include "drive/connection/worker_thread.h"

#include <QDialog>
#include <QString>

#include <array>

class CChartView;
class CYaxisDlg;
class QComboBox;
class QLabel;
class QPushButton;

namespace tarvex {

class CNotchFilterDlg;

namespace graphs {
class CCaptureStateLabel;
class CChannelLists;
class IntegerEdit;
} // namespace graphs

namespace trigger {
inline constexpr int kPeriodMin = 0;
inline constexpr int kPeriodMax = 1000;
inline constexpr int kDefaultPeriod = 1;
inline constexpr int kPositionMax = 255;
// The level goes to the drive as one signed 16-bit register.
inline constexpr int kLevelMin = -32768;
inline constexpr int kLevelMax = 32767;
using ScaledSamples = graphs::ScaledChannels<kSamples>;
} // namespace trigger

class CTriggerGraphDlg : public QDialog, public CTriggerGraph {
    Q_OBJECT
public:
    // `drive` must outlive the window.
    explicit CTriggerGraphDlg(DriveConnection *drive, QWidget *parent = nullptr);
    ~CTriggerGraphDlg() override;

    // The commands of the buttons.
    void OnApply();
    void OnStart();
    void OnStop();
    void OnYAxis();
    void OnSave();
    void OnOpen();
    void OnFft();
    // The spectrum of the whole capture ("FFT") or of the range shown.
    void OnSpectrum(bool shownOnly);
    void OnExit();
    // Save and Open once the file has been chosen; false after the message.
    bool SaveTo(const QString &path);
    bool OpenFrom(const QString &path);
    // The capture shown, in physical units, with the settings it was taken
    // with: what "Export CSV..." writes.
    graphs::CsvTable csvTable() const;
    // The four spectra "FFT" shows, from the current display buffers.
    std::array<graphs::Spectrum, 4> computeSpectra() const;

    // Ends a waiting capture's worker without a command to the drive (the
    // window or the program is closing).
    void endWorker();

    // --- observation ---------------------------------------------------
    bool isRunning() const { return m_running.isOn(); }
    bool isWorkerRunning() const { return m_worker.isRunning(); }
    // Display samples: rotated, DC-link channels in volts.
    const trigger::TriggerSamples &displayBuffers() const { return m_view.display(); }
    const trigger::ScaledSamples &scaledBuffers() const { return m_view.scaled(); }
    const graphs::ChannelLimits &limits() const { return m_view.limits(); }
    const QString &channelName(int channel) const { return m_view.channelName(channel); }
    // Completed captures plotted since the window opened.
    int capturesShown() const { return m_capturesShown; }

    CChartView &chart() { return *m_chart; }
    CYaxisDlg &axisDialog() { return *m_yaxisDlg; }
    CNotchFilterDlg &notchDialog() { return *m_notchDlg; }
    graphs::IntegerEdit &periodEdit() { return *m_periodEdit; }
    graphs::IntegerEdit &positionEdit() { return *m_positionEdit; }
    graphs::IntegerEdit &levelEdit() { return *m_levelEdit; }
    QComboBox &sourceList() { return *m_sourceList; }
    QComboBox &edgeList() { return *m_edgeList; }
    graphs::CChannelLists &channelLists() { return *m_channelLists; }
    QLabel &periodUnitLabel() { return *m_unitLabel; }
    QPushButton &applyButton() { return *m_applyButton; }
    QPushButton &startButton() { return *m_startButton; }
    QPushButton &stopButton() { return *m_stopButton; }
    QPushButton &yAxisButton() { return *m_yAxisButton; }
    QPushButton &saveButton() { return *m_saveButton; }
    QPushButton &openButton() { return *m_openButton; }
    // Whether Open may be used now (not while a capture runs).
    bool canOpenFile() const;
    QPushButton &fftButton() { return *m_fftButton; }
    QPushButton &exitButton() { return *m_exitButton; }
    graphs::CCaptureStateLabel &stateLabel() { return *m_stateLabel; }

Q_SIGNALS:
    // The window has ended ("EXIT" or closed); it deletes itself next.
    void exited();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
    // Esc and the close box: the window goes unless it holds an unsaved
    // capture the user wants to keep.
    void leaveUnlessKept();

private:
    void buildControls();
    void workerLoop();
    // One poll; 4 when the worker is to end (capture read or failed), 2 to poll again.
    int pollStep();
    void captureArrived(const trigger::TriggerSamples &received, unsigned start);
    void workerEnded(bool complete);
    // The shown capture's trigger position and level drawn on its plot.
    void showTriggerMarks();
    void waitForWorker();

    // Controls.
    graphs::IntegerEdit *m_periodEdit = nullptr;
    QLabel *m_unitLabel = nullptr;
    QComboBox *m_sourceList = nullptr;
    QComboBox *m_edgeList = nullptr;
    graphs::IntegerEdit *m_positionEdit = nullptr;
    graphs::IntegerEdit *m_levelEdit = nullptr;
    graphs::CChannelLists *m_channelLists = nullptr;
    QPushButton *m_applyButton = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPushButton *m_yAxisButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_openButton = nullptr;
    QPushButton *m_fftButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    CChartView *m_chart = nullptr;
    graphs::CCaptureStateLabel *m_stateLabel = nullptr;
    CYaxisDlg *m_yaxisDlg = nullptr;
    CNotchFilterDlg *m_notchDlg = nullptr;

    // Window state (user-interface thread only).
    // The capture shown, with the selection it was set up with.
    graphs::CaptureView<trigger::kSamples> m_view;
    int m_capturesShown = 0;
    graphs::TriggerSettings m_appliedTrigger;
    graphs::TriggerSettings m_shownTrigger;
    bool m_exited = false;
    graphs::UnsavedCapture m_unsaved;

    RunSwitch m_running;
    // The period the capture on show was taken with: its spectrum's time base.
    int m_shownPeriod = trigger::kDefaultPeriod;
    StalledFeatureRegistration m_watchdogEntry{m_running};
    WorkerHandle m_worker;
};

} // namespace tarvex
