#include "app/graphs/trace/trace_graph_dlg.h"

#include "app/graphs/capture_set_up_memory.h"
#include "drive/capture/axis_fit.h"
#include "app/graphs/notch/capture_spectrum.h"
#include "drive/capture/channel_catalog.h"
#include "app/graphs/channel_chart_setup.h"
#include "app/graphs/channel_list_box.h"
#include "app/graphs/channel_lists.h"
#include "app/ui/chart/chart_view.h"
#include "drive/connection/commands.h"
#include "app/ui/chart/csv_export_dialog.h"
#include "drive/connection/drive_connection.h"
#include "app/graphs/graph_file_dialog.h"
#include "app/graphs/graph_window_parts.h"
#include "app/graphs/integer_edit.h"
#include "app/graphs/notch/notch_filter_dlg.h"
#include "app/graphs/reference_overlay.h"
#include "app/graphs/trace/trace_history_source.h"
#include "drive/capture/trace/trace_period.h"
#include "drive/capture/trace/trace_values.h"
#include "app/graphs/yaxis_dialog.h"
#include "app/ui/window_keys.h"
#include "app/ui/settings/recording_journal_folder.h"
#include "drive/files/recording_journal.h"
#include "drive/monitor/status_record_rows.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <thread>

namespace tarvex {
namespace {

using namespace std::chrono_literals;

constexpr auto kPollInterval = 2ms;
// A stopped drive holds a few blocks at most; a drive that keeps sending
// after its stop is not waited for longer than this.
constexpr auto kDrainLimit = 10s;

} // namespace

TraceGraphDlg::TraceGraphDlg(DriveConnection *drive, QWidget *parent)
    : QDialog(parent), CTraceGraph(drive), m_baud(drive ? drive->baudRate() : 0)
{
    setWindowTitle(QStringLiteral("Data Trace"));
    setModal(false);
    buildControls();

    m_yaxisDlg = new CYaxisDlg(this);

    // The lists open at "Not Use", and so do the channel names.
    m_channelNames = m_channels->names();
    m_limits = graphs::kDefaultLimits;
    // Unless the user left them otherwise.
    if (const auto setUp = graphs::rememberedSetUp(graphs::GraphKind::Trace)) {
        m_channels->setIndices(setUp->channels);
        m_channelNames = m_channels->names();
        m_periodEdit->setValue(std::clamp(setUp->period, trace::kPeriodMin, trace::kPeriodMax));
        m_limits = setUp->limits;
    }

    m_openButton->setEnabled(true);
    m_yAxisButton->setEnabled(false);
    m_startButton->setEnabled(false);
    m_stopButton->setEnabled(false);
    m_saveButton->setEnabled(false);
    if (m_pDrive && m_pDrive->isLinkOpen()) {
        m_yAxisButton->setEnabled(true);
    } else {
        m_applyButton->setEnabled(false);
        m_startButton->setEnabled(false);
        m_stopButton->setEnabled(false);
    }

    setUpChart();
    // The whole run stays reachable by scrolling back.
    m_historySource = std::make_unique<trace::TraceHistorySource>(m_history, *m_chart, m_limits, m_shownIndices, m_periodMs);
    m_chart->setHistory(m_historySource.get());
    m_chart->setLimitsFit([this](int channel, double low, double high) {
        graphs::ChannelLimits fitted = m_limits;
        fitted[static_cast<std::size_t>(channel & 3)] = graphs::fittedLimits(low, high);
        applyLimits(fitted);
    });
    m_chart->setSpectrumRequest([this](bool shownOnly) { OnSpectrum(shownOnly); });
    graphs::offerReferenceOverlay(*m_chart, this, m_pDrive ? &m_pDrive->messages() : nullptr);
    graphs::offerCsvExport(*m_chart, this, [this] { return m_history.csvTable(m_periodMs); },
                           m_pDrive ? &m_pDrive->messages() : nullptr);

    // The link watchdog ends a capture whose exchanges have stalled.
    if (m_pDrive)
        m_watchdogEntry.registerWith(m_pDrive->stalledFeatures());
}

TraceGraphDlg::~TraceGraphDlg()
{
    endWorker();
    endJournal();
    m_chart->setHistory(nullptr);
    m_watchdogEntry.withdraw();
    if (m_pDrive) {
        m_pDrive->traceBusy = 0;
    }
}

void TraceGraphDlg::buildControls()
{
    m_channels = new graphs::CChannelLists(this);

    m_periodEdit = graphs::integerEdit(this, trace::kPeriodMin, trace::kPeriodMax, trace::kDefaultPeriodMs);
    m_msLabel = graphs::periodUnitLabel(this, QStringLiteral("ms"));

    const auto button = [this](const char *text) { return graphs::commandButton(this, QString::fromLatin1(text)); };
    m_applyButton = button("Apply");
    m_startButton = button("Start");
    m_stopButton = button("Stop");
    m_exitButton = button("EXIT");
    m_yAxisButton = button("Y-Axis");
    m_saveButton = button("Save");
    m_openButton = button("Open");
    addWindowKeys(*this, {m_openButton, m_saveButton, nullptr});
    m_fftButton = button("FFT");
    connect(m_applyButton, &QPushButton::clicked, this, &TraceGraphDlg::OnApply);
    connect(m_startButton, &QPushButton::clicked, this, &TraceGraphDlg::OnStart);
    connect(m_stopButton, &QPushButton::clicked, this, &TraceGraphDlg::OnStop);
    connect(m_exitButton, &QPushButton::clicked, this, &TraceGraphDlg::OnExit);
    connect(m_yAxisButton, &QPushButton::clicked, this, &TraceGraphDlg::OnYAxis);
    connect(m_saveButton, &QPushButton::clicked, this, &TraceGraphDlg::OnSave);
    connect(m_openButton, &QPushButton::clicked, this, &TraceGraphDlg::OnOpen);
    // What each command needs, so that a greyed one tells what to do first.
    m_applyButton->setToolTip(QStringLiteral("Send the channels and the period to the drive (needs a connection)"));
    m_startButton->setToolTip(QStringLiteral("Start tracing (after Apply)"));
    m_stopButton->setToolTip(QStringLiteral("Stop tracing (while it runs)"));
    m_yAxisButton->setToolTip(QStringLiteral("Change the axis limits (not while tracing)"));
    m_saveButton->setToolTip(QStringLiteral("Save the chart to a file (not while tracing)"));
    m_openButton->setToolTip(QStringLiteral("Open a saved trace (not while tracing)"));
    connect(m_fftButton, &QPushButton::clicked, this, [this] { OnSpectrum(false); });

    // Left: what to trace and the commands; right: the chart.
    auto *period = new QHBoxLayout;
    period->addWidget(m_periodEdit);
    period->addWidget(m_msLabel);
    period->addStretch();
    auto *capture = new QHBoxLayout;
    capture->addWidget(m_applyButton);
    capture->addWidget(m_startButton);
    capture->addWidget(m_stopButton);
    // Two by two, so that the column leaves the chart its room.
    auto *view = new QGridLayout;
    view->addWidget(m_yAxisButton, 0, 0);
    view->addWidget(m_saveButton, 0, 1);
    view->addWidget(m_openButton, 1, 0);
    view->addWidget(m_fftButton, 1, 1);
    auto *controls = new QVBoxLayout;
    controls->addWidget(m_channels);
    controls->addLayout(period);
    controls->addLayout(capture);
    controls->addLayout(view);
    controls->addStretch();
    controls->addWidget(m_exitButton);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(graphs::framedChart(this, {640, 400}, m_chart), 1);
}

QComboBox &TraceGraphDlg::channelList(int channel) { return *m_channels->list(channel & 3); }

std::array<int, 4> TraceGraphDlg::listIndices() const { return m_channels->indices(); }

void TraceGraphDlg::setUpChart()
{
    m_chart->setUp(graphs::channelChartSetup(m_channelNames, listIndices(), m_limits, m_xCaption));
    m_chart->setPointSpacing(m_periodMs / 1000.0);
    m_plotted = 0;
    m_unsaved.kept(); // an empty chart holds nothing to lose
}

// --- commands ---------------------------------------------------------------

void TraceGraphDlg::OnApply()
{
    if (!m_pDrive)
        return;
    const std::optional<int> periodMs = m_periodEdit->takeValue(&m_pDrive->messages(), "Sampling Time");
    if (!periodMs)
        return;
    m_periodMs = *periodMs;
    m_period = trace::periodRegisterValue(m_periodMs);
    if (const std::string_view refusal = trace::periodRefusal(m_baud, m_periodMs); !refusal.empty()) {
        m_pDrive->messages().show(std::string(refusal));
        return;
    }
    const std::array<int, 4> indices = listIndices();
    m_shownIndices = indices;
    graphs::rememberSetUp(graphs::GraphKind::Trace, {indices, m_periodMs, m_limits});
    for (std::size_t c = 0; c < 4; ++c) {
        m_channelNames[c] = graphs::channelEntryText(indices[c]);
        m_channelCode[c] = static_cast<std::uint16_t>(graphs::channelCode(indices[c]));
    }
    // Blocks of the earlier set-up are not shown on the new chart.
    m_ring.discard();
    m_history.clear();
    endJournal();
    setUpChart();
    std::uint8_t status = 0;
    if (SetTrace(status) == trace::kResultSuccess) {
        m_startButton->setEnabled(true);
        m_stopButton->setEnabled(false);
    }
}

void TraceGraphDlg::OnStart()
{
    if (!m_pDrive)
        return;
    m_stopPending = false;
    m_draining = false;
    std::uint8_t status = 0;
    if (OperateTrace(trace::kOperationStart, status) != trace::kResultSuccess) {
        m_pDrive->messages().show("Trace Start Error!");
        return;
    }
    m_startButton->setEnabled(false);
    m_saveButton->setEnabled(false);
    m_openButton->setEnabled(false);
    m_yAxisButton->setEnabled(false);
    m_stopButton->setEnabled(true);
    m_running.set(true);
    m_worker.startIfIdle([this] { workerLoop(); }, [this] { return m_running.isOn(); });
}

void TraceGraphDlg::OnStop()
{
    if (!m_pDrive)
        return;
    m_stopPending = true;
    m_startButton->setEnabled(true);
    m_stopButton->setEnabled(false);
    std::uint8_t status = 0;
    if (OperateTrace(trace::kOperationStop, status) != trace::kResultSuccess) {
        m_pDrive->messages().show("Trace Stop Error!");
        return;
    }
    // The drive has stopped sampling; the blocks it still holds are fetched
    // and shown before the capture ends.
    m_draining = true;
    waitForWorker();
    m_running.set(false);
    m_pDrive->traceBusy = 0;
    plotPendingBlocks();
    m_openButton->setEnabled(true);
    m_yAxisButton->setEnabled(true);
    m_saveButton->setEnabled(true);
}

void TraceGraphDlg::OnExit() { leaveUnlessKept(); }

void TraceGraphDlg::leave()
{
    if (m_exited)
        return;
    m_exited = true;
    // The drive is left tracing: no stop command is sent.
    endWorker();
    hide();
    // The commands that are greyed while the trace window is open return.
    if (m_pDrive && m_pDrive->activeFeatureCode() == feature_code::kTraceGraph)
        m_pDrive->setActiveFeature(feature_code::kNone);
    Q_EMIT exited();
    deleteLater();
}

void TraceGraphDlg::OnYAxis()
{
    graphs::ChannelLimits after = m_limits;
    if (!m_yaxisDlg->edit(after, m_pDrive ? &m_pDrive->messages() : nullptr))
        return;
    applyLimits(after);
}

void TraceGraphDlg::applyLimits(const graphs::ChannelLimits &after)
{
    const graphs::ChannelLimits before = m_limits;
    m_limits = after;
    graphs::rememberSetUp(graphs::GraphKind::Trace, {listIndices(), m_periodEdit->value().value_or(m_periodMs), m_limits});

    const std::array<int, 4> indices = m_shownIndices;
    trace::TraceValues values{};
    std::array<int, 4> counts{};
    for (std::size_t c = 0; c < 4; ++c) {
        const int series = graphs::kChannelSeries[c];
        counts[c] = std::min(m_chart->count(series), trace::kTracePoints);
        for (int i = 0; i < counts[c]; ++i)
            values[c][static_cast<std::size_t>(i)] = trace::rescaledPlotValue(
                static_cast<int>(c), static_cast<float>(m_chart->value(series, i)), before, after);
        if (indices[c] == graphs::kNotUsed)
            counts[c] = 0;
    }
    // The points keep the times they were recorded at.
    std::array<QString, trace::kTracePoints> labels;
    for (int i = 0; i < trace::kTracePoints; ++i)
        labels[static_cast<std::size_t>(i)] = m_chart->label(i);
    const long long plotted = m_plotted;
    const auto [first, last] = m_chart->timeView();
    const bool following = m_chart->isFollowing();

    setUpChart();
    replot(values, counts);
    for (int i = 0; i < trace::kTracePoints; ++i)
        if (!labels[static_cast<std::size_t>(i)].isEmpty())
            m_chart->setLabel(i, labels[static_cast<std::size_t>(i)]);
    m_plotted = plotted;
    // The user stays where they were in the run.
    if (!following)
        m_chart->setTimeView(first, last);
    m_chart->redraw();
}

void TraceGraphDlg::replot(const trace::TraceValues &values, const std::array<int, 4> &counts)
{
    for (std::size_t c = 0; c < 4; ++c)
        for (int i = 0; i < counts[c]; ++i)
            m_chart->append(graphs::kChannelSeries[c], static_cast<double>(values[c][static_cast<std::size_t>(i)]));
}

void TraceGraphDlg::OnSave()
{
    if (!saveOfNewestAgreed())
        return;
    const QString path = graphs::chooseGraphFileToSave(this, graphs::GraphKind::Trace);
    if (!path.isEmpty())
        SaveTo(path);
}

void TraceGraphDlg::OnOpen()
{
    const QString path = graphs::chooseGraphFileToOpen(this, graphs::GraphKind::Trace);
    if (!path.isEmpty())
        OpenFrom(path);
}

void TraceGraphDlg::SaveTo(const QString &path)
{
    // The chart's values, counted on channel 1's series.
    m_values = {};
    const int points = std::min(m_chart->count(graphs::kChannelSeries[0]), trace::kTracePoints);
    for (std::size_t c = 0; c < 4; ++c)
        for (int i = 0; i < points; ++i)
            m_values[c][static_cast<std::size_t>(i)] =
                static_cast<float>(m_chart->value(graphs::kChannelSeries[c], i));

    trace::TraceFileSource source;
    const std::array<int, 4> indices = m_shownIndices;
    for (std::size_t c = 0; c < 4; ++c)
        source.channelNames[c] = m_channelNames[c].toStdString();
    source.listIndices = indices;
    source.values = m_values;
    source.periodEditMs = m_periodEdit->value().value_or(m_periodMs);
    source.periodField = m_period;
    source.limits = m_limits;
    if (graphs::saveGraphFile(path, trace::traceFileWriting(source), m_pDrive ? &m_pDrive->messages() : nullptr))
        m_unsaved.kept();
}

bool TraceGraphDlg::saveOfNewestAgreed()
{
    const std::string question = trace::newestOnlyQuestion(m_plotted, m_periodMs);
    if (question.empty() || !m_pDrive)
        return true;
    return m_pDrive->messages().ask(question, "Save Trace");
}

void TraceGraphDlg::OpenFrom(const QString &path)
{
    graphs::GraphFileContents contents;
    if (!graphs::openGraphFile(path, graphs::GraphKind::Trace, contents, m_pDrive ? &m_pDrive->messages() : nullptr))
        return;
    // A file may hold any numbers: the period and limits are kept within
    // what the edits accept, the list indices within the lists.
    const int period = std::clamp(contents.period, trace::kPeriodMin, trace::kPeriodMax);
    m_periodEdit->setValue(period);
    m_periodMs = period;
    m_period = static_cast<std::uint16_t>(period);
    m_channels->setIndices(contents.listIndices);
    m_channelNames = m_channels->names();
    m_shownIndices = listIndices();
    m_limits = graphs::boundedLimits(contents.limits);
    m_values = {};
    for (std::size_t c = 0; c < 4; ++c)
        for (std::size_t i = 0; i < trace::kTracePoints && i < contents.samples[c].size(); ++i)
            m_values[c][i] = static_cast<float>(contents.samples[c][i]);

    m_ring.discard();
    setUpChart();
    const std::array<int, 4> indices = listIndices();
    // The file holds channels 2 to 4 in channel 1's range: back to their own units.
    m_history.clear();
    endJournal();
    for (std::size_t i = 0; i < trace::kTracePoints; ++i) {
        std::array<double, 4> physical{};
        for (std::size_t c = 0; c < 4; ++c)
            physical[c] = c == 0 ? m_values[c][i]
                                 : graphs::plottedToPhysical(m_values[c][i], m_limits[c], m_limits[0]);
        m_history.append(physical, indices);
    }
    std::array<int, 4> counts{};
    for (std::size_t c = 0; c < 4; ++c)
        counts[c] = indices[c] == graphs::kNotUsed ? 0 : trace::kTracePoints;
    replot(m_values, counts);
    for (int i = 0; i < trace::kTracePoints; ++i)
        m_chart->setLabel(i, trace::traceTimeLabel(i, m_periodMs));
    m_plotted = trace::kTracePoints;
    m_chart->redraw();
}

void TraceGraphDlg::OnSpectrum(bool shownOnly)
{
    const std::pair<double, double> all{-1e18, 1e18};
    const auto samples = m_historySource->samples(shownOnly ? m_chart->timeView() : all);
    if (!m_notchDlg)
        m_notchDlg = new CNotchFilterDlg(this);
    m_notchDlg->setDriveConnection(m_pDrive);
    graphs::presentSpectra(*m_notchDlg, samples, m_periodMs / 1000.0,
                           shownOnly ? QStringLiteral("the range shown") : QStringLiteral("the run"));
}

// --- the worker -------------------------------------------------------------

void TraceGraphDlg::workerLoop()
{
    std::chrono::steady_clock::time_point drainEnd{};
    while (m_running.isOn()) {
        std::this_thread::sleep_for(kPollInterval);
        if (!m_running.isOn())
            break;
        if (m_draining.load()) {
            const auto now = std::chrono::steady_clock::now();
            if (drainEnd == std::chrono::steady_clock::time_point{})
                drainEnd = now + kDrainLimit;
            else if (now > drainEnd) {
                m_running.set(false);
                break;
            }
        }
        // All three display slots wait for the plot step: the drive keeps
        // the next block meanwhile.
        if (!m_ring.hasRoom())
            continue;
        if (!receiveStep())
            break;
    }
}

bool TraceGraphDlg::receiveStep()
{
    trace::TraceBlock block{};
    std::uint8_t status = 0;
    std::uint16_t result = 0;
    {
        BusyScope busy(m_pDrive->traceBusy);
        result = ReceiveTrace(block, status);
    }
    if (result == trace::kResultFailure) {
        linkFailed();
        return false;
    }
    if (result == trace::kResultNotReady) {
        if (!m_draining.load())
            return true;
        // A stopped drive with nothing left: the capture is complete.
        m_running.set(false);
        return false;
    }
    m_ring.push(block);
    QMetaObject::invokeMethod(this, [this] { plotPendingBlocks(); }, Qt::QueuedConnection);
    return true;
}

void TraceGraphDlg::linkFailed()
{
    // Worker thread: the widgets are changed on their own thread.
    m_running.set(false);
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_startButton->setEnabled(false);
            m_stopButton->setEnabled(false);
            // What was captured can still be kept.
            m_saveButton->setEnabled(true);
            m_openButton->setEnabled(true);
        },
        Qt::QueuedConnection);
    m_pDrive->watchdogRunSwitch = 0;
    if (m_pDrive->isLinkOpen())
        m_pDrive->Disconnect();
}

void TraceGraphDlg::endWorker()
{
    m_running.set(false);
    waitForWorker();
}

void TraceGraphDlg::waitForWorker()
{
    // The worker may wait for a message box or a free display slot, both
    // served by this thread's events.
    m_worker.waitUntilEnded([this] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
        plotPendingBlocks();
    });
}

// --- the plot step ----------------------------------------------------------

void TraceGraphDlg::plotPendingBlocks()
{
    const auto begin = std::chrono::steady_clock::now();
    trace::TraceBlock block;
    long long blocks = 0;
    // Only what waits now: a worker that refills the ring as fast as it
    // is emptied would otherwise keep this thread here for the whole run.
    // Every block the worker pushes comes with a plot step of its own.
    for (auto waiting = m_ring.waiting(); waiting > 0 && m_ring.pop(block); --waiting) {
        plotBlock(block);
        ++blocks;
    }
    if (blocks == 0)
        return;
    m_chart->redraw();
    const auto spent = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - begin);
    m_plotTiming.blocks += blocks;
    m_plotTiming.total += spent;
    m_plotTiming.longest = std::max<std::chrono::nanoseconds>(m_plotTiming.longest, spent / blocks);
}

void TraceGraphDlg::plotBlock(const trace::TraceBlock &block)
{
    // The drive sends the applied channels: a list changed while tracing
    // counts only from the next Apply, never for points already on their way.
    const std::array<int, 4> &indices = m_shownIndices;
    for (std::size_t j = 0; j < trace::kSamplesPerBlock; ++j) {
        for (std::size_t c = 0; c < 4; ++c)
            if (indices[c] != graphs::kNotUsed)
                m_chart->append(graphs::kChannelSeries[c],
                                trace::tracePlotValue(static_cast<int>(c), block[c][j], indices[c], m_limits));
        m_history.appendBlockSample(block, j, indices);
        labelNewestPoint();
        ++m_plotted;
    }
    journalNewestBlock();
    m_unsaved.captured();
}

void TraceGraphDlg::journalNewestBlock()
{
    const std::size_t size = m_history.size();
    const std::size_t samples = std::min<std::size_t>(size, trace::kSamplesPerBlock);
    const std::array<int, 4> &indices = m_history.listIndices();
    if (!m_journal && !m_journalRefused) {
        std::string reason;
        m_journal = journal::JournalWriter::create(
            QFile::encodeName(recordingJournalFolder()).toStdString(),
            {"Data Trace", status_record::isoTime(std::chrono::system_clock::now()), {}},
            [this] {
                QMetaObject::invokeMethod(this, [this] { journalRefused("a write failed"); }, Qt::QueuedConnection);
            },
            reason);
        if (!m_journal) {
            journalRefused(reason);
            return;
        }
        m_journalHeader = graphs::csvText(graphs::traceCsvTable({}, indices, m_periodMs));
        m_journal->append(m_journalHeader);
    }
    if (!m_journal)
        return;
    std::array<std::vector<double>, 4> physical;
    for (std::size_t c = 0; c < 4; ++c)
        for (std::size_t n = size - samples; n < size; ++n)
            physical[c].push_back(m_history.value(n, static_cast<int>(c)));
    const long long first = m_history.dropped() + static_cast<long long>(size - samples);
    // The block's text as the export writes it, after the heading lines
    // (the same for every block of the run) that the journal holds once.
    const std::string text = graphs::csvText(graphs::traceCsvTable(physical, indices, m_periodMs, first));
    m_journal->append(text.substr(std::min(m_journalHeader.size(), text.size())));
}

void TraceGraphDlg::endJournal()
{
    m_journalRefused = false;
    if (m_journal)
        m_journal->discard();
    m_journal.reset();
}

void TraceGraphDlg::journalRefused(const std::string &reason)
{
    if (m_journalRefused)
        return;
    m_journalRefused = true;
    m_journal.reset(); // what it holds stays for recovery
    // Not from inside the plot step: the box's own loop would plot again.
    QMetaObject::invokeMethod(this, [this, reason] {
        if (m_pDrive)
            m_pDrive->messages().show("The trace run cannot be kept on disk", reason);
    }, Qt::QueuedConnection);
}

void TraceGraphDlg::labelNewestPoint()
{
    const long long newest = std::min<long long>(m_plotted, trace::kTracePoints - 1);
    m_chart->setLabel(static_cast<int>(newest), trace::traceTimeLabel(m_plotted, m_periodMs));
}

// --- closing ----------------------------------------------------------------

void TraceGraphDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
    leaveUnlessKept();
}

void TraceGraphDlg::reject() { leaveUnlessKept(); }

void TraceGraphDlg::leaveUnlessKept()
{
    if (m_exited)
        return;
    if (m_unsaved.mayDiscard(m_pDrive ? &m_pDrive->messages() : nullptr))
        leave();
}

bool TraceGraphDlg::canOpenFile() const
{
    return m_openButton && m_openButton->isEnabled();
}

} // namespace tarvex
