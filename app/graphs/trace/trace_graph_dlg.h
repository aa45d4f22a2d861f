// "Data Trace": up to four drive quantities plotted continuously while the
// drive runs. The user picks the channels and the sampling period, sends the
// set-up ("Apply"), starts and stops the drive's tracing; a worker thread
// fetches the drive's blocks of 30 samples per channel and hands them to the
// plot step on the user-interface thread through the display ring. The
// window rescales the axes and saves or loads the last 361 points.
// Modeless; it lives from the "Data Trace" command to "EXIT".
#pragma once

#include "drive/capture/channel_scaling.h"
#include "drive/connection/run_switch.h"
#include "drive/capture/trace/trace_display_ring.h"
#include "drive/capture/trace/trace_file.h"
#include "drive/capture/trace/trace_graph.h"
#include "drive/capture/trace/trace_history.h"
#include "drive/capture/trace/trace_period.h"
#include "app/graphs/unsaved_capture.h"
#include "drive/connection/worker_thread.h"

#include <QDialog>
#include <QString>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

class CChartView;
class CYaxisDlg;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace tarvex {

class CNotchFilterDlg;

namespace journal {
class JournalWriter;
}

namespace trace {
class TraceHistorySource;
}

namespace graphs {
class CChannelLists;
class IntegerEdit;
}

// How long the plot steps have kept the user-interface thread busy.
struct TracePlotTiming {
    long long blocks = 0;
    std::chrono::nanoseconds total{0};
    std::chrono::nanoseconds longest{0};
};

class TraceGraphDlg : public QDialog, public CTraceGraph {
    Q_OBJECT
public:
    // `drive` must outlive the window.
    explicit TraceGraphDlg(DriveConnection *drive, QWidget *parent = nullptr);
    ~TraceGraphDlg() override;

    // The commands of the buttons.
    void OnApply();
    void OnStart();
    void OnStop();
    // "EXIT": as Esc and the close box, it asks before an unsaved capture
    // goes.
    void OnExit();
    void OnYAxis();
    void OnSave();
    void OnOpen();
    // The spectrum of the whole run ("FFT") or of the range shown.
    void OnSpectrum(bool shownOnly);
    // Save and Open once the file has been chosen.
    void SaveTo(const QString &path);
    void OpenFrom(const QString &path);

    // Ends a running capture's worker without a stop command (the program
    // is closing).
    void endWorker();

    // --- observation ---------------------------------------------------
    bool isRunning() const { return m_running.isOn(); }
    bool isWorkerRunning() const { return m_worker.isRunning(); }
    long long plottedPoints() const { return m_plotted; }
    int samplingPeriodMs() const { return m_periodMs; }
    const graphs::ChannelLimits &limits() const { return m_limits; }
    const QString &channelName(int channel) const { return m_channelNames[static_cast<std::size_t>(channel & 3)]; }
    const TracePlotTiming &plotTiming() const { return m_plotTiming; }
    // The run in physical units, as "Export CSV..." writes it.
    const trace::TraceHistory &history() const { return m_history; }
    std::uint32_t linkSpeed() const { return m_baud; }

    CChartView &chart() { return *m_chart; }
    CYaxisDlg &axisDialog() { return *m_yaxisDlg; }
    graphs::IntegerEdit &periodEdit() { return *m_periodEdit; }
    QComboBox &channelList(int channel);
    QPushButton &applyButton() { return *m_applyButton; }
    QPushButton &startButton() { return *m_startButton; }
    QPushButton &stopButton() { return *m_stopButton; }
    QPushButton &exitButton() { return *m_exitButton; }
    QPushButton &yAxisButton() { return *m_yAxisButton; }
    QPushButton &saveButton() { return *m_saveButton; }
    QPushButton &openButton() { return *m_openButton; }
    // Whether Open may be used now (not while a capture runs).
    bool canOpenFile() const;
    QPushButton &fftButton() { return *m_fftButton; }
    // The "FFT" window of the run, once asked for.
    CNotchFilterDlg *spectrumWindow() const { return m_notchDlg; }

Q_SIGNALS:
    // The window has ended ("EXIT" or closed); it deletes itself next.
    void exited();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildControls();
    void setUpChart();
    std::array<int, 4> listIndices() const;
    void workerLoop();
    // One fetch; false when the worker is to end.
    bool receiveStep();
    void linkFailed();
    void plotPendingBlocks();
    void plotBlock(const trace::TraceBlock &block);
    void labelNewestPoint();
    // The run goes to a journal beside the settings as it is plotted, so
    // that a crash loses at most its last second; the journal goes with the
    // run (a new Apply, Open, the window's end).
    void journalNewestBlock();
    void endJournal();
    void journalRefused(const std::string &reason);
    void replot(const trace::TraceValues &values, const std::array<int, 4> &counts);
    // New axis limits: every point keeps its physical value and its time.
    void applyLimits(const graphs::ChannelLimits &after);
    void waitForWorker();
    // EXIT, Esc and the close box: the window goes unless it holds an
    // unsaved capture the user wants to keep.
    void leaveUnlessKept();
    // Ends the worker and the window; the drive is left as it is.
    void leave();
    // A run longer than the file holds: whether the user still wants the
    // file with its newest points.
    bool saveOfNewestAgreed();

    // Controls.
    graphs::IntegerEdit *m_periodEdit = nullptr;
    QLabel *m_msLabel = nullptr;
    graphs::CChannelLists *m_channels = nullptr;
    QPushButton *m_applyButton = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QPushButton *m_yAxisButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_openButton = nullptr;
    QPushButton *m_fftButton = nullptr;
    CNotchFilterDlg *m_notchDlg = nullptr;
    CChartView *m_chart = nullptr;
    CYaxisDlg *m_yaxisDlg = nullptr;

    // Window state.
    graphs::ChannelLimits m_limits = graphs::kDefaultLimits;
    std::array<QString, 4> m_channelNames;
    // The channels the drive was set up with (or the loaded file holds):
    // what the plotted points are, whatever the lists show meanwhile.
    std::array<int, 4> m_shownIndices{};
    // The points are labelled with the elapsed seconds: the axis says so.
    QString m_xCaption = QStringLiteral("[s]");
    int m_periodMs = trace::kDefaultPeriodMs;
    std::uint32_t m_baud = 0;
    RunSwitch m_running;
    StalledFeatureRegistration m_watchdogEntry{m_running};
    std::atomic<bool> m_draining{false}; // stop accepted: fetch what the drive still holds, then end
    trace::TraceDisplayRing m_ring;
    trace::TraceValues m_values{};
    long long m_plotted = 0; // points plotted since the chart was last set up
    trace::TraceHistory m_history;
    std::unique_ptr<journal::JournalWriter> m_journal;
    bool m_journalRefused = false; // said once per run
    std::string m_journalHeader;   // the run's heading lines, as written first
    std::unique_ptr<trace::TraceHistorySource> m_historySource;
    TracePlotTiming m_plotTiming;
    bool m_exited = false;
    graphs::UnsavedCapture m_unsaved;
    WorkerHandle m_worker;
};

} // namespace tarvex
