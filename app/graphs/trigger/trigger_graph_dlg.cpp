#include "app/graphs/trigger/trigger_graph_dlg.h"

#include "app/graphs/capture_plot.h"
#include "app/graphs/capture_state_label.h"
#include "drive/capture/channel_catalog.h"
#include "app/graphs/channel_lists.h"
#include "app/ui/chart/chart_view.h"
#include "app/ui/chart/csv_export_dialog.h"
#include "drive/connection/drive_connection.h"
#include "drive/capture/graph_file.h"
#include "app/graphs/graph_file_dialog.h"
#include "app/graphs/graph_window_parts.h"
#include "app/graphs/integer_edit.h"
#include "app/graphs/notch/capture_spectrum.h"
#include "app/graphs/notch/notch_filter_dlg.h"
#include "app/graphs/reference_overlay.h"
#include "drive/capture/trigger/trigger_marks.h"
#include "app/ui/settings/window_size_keeper.h"
#include "app/graphs/yaxis_dialog.h"
#include "app/ui/window_keys.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tarvex {

namespace {

// What the worker's poll step tells its loop.
constexpr int kPollAgain = 2;
constexpr int kPollDone = 4;

constexpr int kSourceEntries = static_cast<int>(graphs::kTriggerSourceNames.size());
constexpr int kEdgeEntries = static_cast<int>(graphs::kEdgeNames.size());

} // namespace

CTriggerGraphDlg::CTriggerGraphDlg(DriveConnection *drive, QWidget *parent)
    : QDialog(parent), CTriggerGraph(drive)
{
    setWindowTitle(QStringLiteral("Trigger Monitoring"));
    setModal(false);
    buildControls();

    // The opening: empty buffers, the first entry of every list, the
    // default axis limits and a fresh chart.
    m_period = 0;
    m_levelEdit->setValue(0);
    m_edgeList->setCurrentIndex(0);
    m_sourceList->setCurrentIndex(0);
    m_view.reset();
    if (const auto setUp = graphs::rememberedSetUp(graphs::GraphKind::Trigger)) {
        m_periodEdit->setValue(std::clamp(setUp->period, trigger::kPeriodMin, trigger::kPeriodMax));
        m_view.restoreSetUp(*setUp);
    }
    graphs::offerCsvExport(*m_chart, this, [this] { return csvTable(); }, m_pDrive ? &m_pDrive->messages() : nullptr);
    m_chart->setSpectrumRequest([this](bool shownOnly) { OnSpectrum(shownOnly); });
    graphs::offerReferenceOverlay(*m_chart, this, m_pDrive ? &m_pDrive->messages() : nullptr);

    if (m_pDrive && m_pDrive->isLinkOpen()) {
        m_fftButton->setEnabled(false);
        m_yAxisButton->setEnabled(true);
        m_startButton->setEnabled(false);
        m_saveButton->setEnabled(false);
        m_stopButton->setEnabled(false);
    } else {
        m_applyButton->setEnabled(false);
        m_yAxisButton->setEnabled(false);
        m_startButton->setEnabled(false);
        m_saveButton->setEnabled(false);
        m_stopButton->setEnabled(false);
    }

    // The link watchdog ends a capture whose exchanges have stalled.
    if (m_pDrive)
        m_watchdogEntry.registerWith(m_pDrive->stalledFeatures());
}

CTriggerGraphDlg::~CTriggerGraphDlg()
{
    endWorker();
    m_watchdogEntry.withdraw();
    if (m_pDrive) {
        m_pDrive->generalBusy = 0;
    }
}

void CTriggerGraphDlg::buildControls()
{
    const auto button = [this](const char *text) { return graphs::commandButton(this, QString::fromLatin1(text)); };

    m_periodEdit = graphs::integerEdit(this, trigger::kPeriodMin, trigger::kPeriodMax, trigger::kDefaultPeriod);
    m_unitLabel = graphs::periodUnitLabel(this, QStringLiteral(" X 200us"));

    m_sourceList = new QComboBox(this);
    graphs::fillList(*m_sourceList, graphs::kTriggerSourceNames.data(), graphs::kTriggerSourceNames.size());
    m_edgeList = new QComboBox(this);
    graphs::fillList(*m_edgeList, graphs::kEdgeNames.data(), graphs::kEdgeNames.size());
    m_positionEdit = graphs::integerEdit(this, 0, trigger::kPositionMax, 0);
    m_levelEdit = graphs::integerEdit(this, trigger::kLevelMin, trigger::kLevelMax, 0);

    auto *setUp = new QGridLayout;
    setUp->addWidget(m_periodEdit, 0, 1);
    setUp->addWidget(m_unitLabel, 0, 2);
    setUp->addWidget(new QLabel(QStringLiteral("Trigger Source Data"), this), 1, 0);
    setUp->addWidget(m_sourceList, 1, 1, 1, 2);
    setUp->addWidget(new QLabel(QStringLiteral("Trigger Edge"), this), 2, 0);
    setUp->addWidget(m_edgeList, 2, 1, 1, 2);
    setUp->addWidget(new QLabel(QStringLiteral("Trigger Position"), this), 3, 0);
    setUp->addWidget(m_positionEdit, 3, 1);
    setUp->addWidget(new QLabel(QStringLiteral("( 0 ~ 255 )"), this), 3, 2);
    setUp->addWidget(new QLabel(QStringLiteral("Trigger Level"), this), 4, 0);
    setUp->addWidget(m_levelEdit, 4, 1);

    m_channelLists = new graphs::CChannelLists(this);

    m_applyButton = button("Apply");
    m_startButton = button("Start");
    m_stopButton = button("Stop");
    m_yAxisButton = button("Y-Axis");
    m_saveButton = button("Save");
    m_openButton = button("Open");
    addWindowKeys(*this, {m_openButton, m_saveButton, nullptr});
    m_fftButton = button("FFT");
    m_exitButton = button("EXIT");
    connect(m_applyButton, &QPushButton::clicked, this, &CTriggerGraphDlg::OnApply);
    connect(m_startButton, &QPushButton::clicked, this, &CTriggerGraphDlg::OnStart);
    connect(m_stopButton, &QPushButton::clicked, this, &CTriggerGraphDlg::OnStop);
    connect(m_yAxisButton, &QPushButton::clicked, this, &CTriggerGraphDlg::OnYAxis);
    connect(m_saveButton, &QPushButton::clicked, this, &CTriggerGraphDlg::OnSave);
    connect(m_openButton, &QPushButton::clicked, this, &CTriggerGraphDlg::OnOpen);
    connect(m_fftButton, &QPushButton::clicked, this, &CTriggerGraphDlg::OnFft);
    connect(m_exitButton, &QPushButton::clicked, this, &CTriggerGraphDlg::OnExit);
    // What each command needs, so that a greyed one tells what to do first.
    m_startButton->setToolTip(QStringLiteral("Arm the capture (after Apply)"));
    m_stopButton->setToolTip(QStringLiteral("Stop waiting for the trigger (after Apply)"));
    m_saveButton->setToolTip(QStringLiteral("Save the capture to a file (not while waiting for the trigger)"));
    m_fftButton->setToolTip(QStringLiteral("Spectrum and notch filters (after a complete capture)"));

    auto *commands = new QGridLayout;
    commands->addWidget(m_applyButton, 0, 0);
    commands->addWidget(m_startButton, 0, 1);
    commands->addWidget(m_stopButton, 0, 2);
    commands->addWidget(m_yAxisButton, 1, 0);
    commands->addWidget(m_saveButton, 1, 1);
    commands->addWidget(m_openButton, 1, 2);
    commands->addWidget(m_fftButton, 2, 0);
    commands->addWidget(m_exitButton, 2, 2);

    auto *side = new QVBoxLayout;
    side->addLayout(setUp);
    side->addSpacing(8);
    side->addWidget(m_channelLists);
    side->addSpacing(8);
    side->addLayout(commands);
    m_stateLabel = new graphs::CCaptureStateLabel(this);
    side->addWidget(m_stateLabel);
    side->addStretch();

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(side);
    layout->addWidget(graphs::framedChart(this, {720, 420}, m_chart), 1);

    m_yaxisDlg = new CYaxisDlg(this);
    m_notchDlg = new CNotchFilterDlg(this);
    keepWindowSize(*m_notchDlg);
    m_view.attach(*m_channelLists, *m_chart);
}

// --- commands ---------------------------------------------------------------

void CTriggerGraphDlg::OnApply()
{
    if (!m_pDrive)
        return;
    MessageService *box = &m_pDrive->messages();
    const std::optional<int> period = m_periodEdit->takeValue(box, "Sampling Period");
    const std::optional<int> position = period ? m_positionEdit->takeValue(box, "Trigger Position") : std::nullopt;
    const std::optional<int> level = position ? m_levelEdit->takeValue(box, "Trigger Level") : std::nullopt;
    if (!level)
        return;
    m_period = static_cast<std::uint16_t>(*period);
    m_view.takeSelection();
    m_channelCode = m_view.channelCodes();
    const int source = graphs::clampListIndex(m_sourceList->currentIndex(), kSourceEntries);
    m_source = static_cast<std::uint16_t>(graphs::triggerSourceCode(source));
    m_edge = static_cast<std::uint16_t>(graphs::clampListIndex(m_edgeList->currentIndex(), kEdgeEntries));
    m_position = static_cast<std::uint16_t>(*position);
    m_level = *level;
    m_appliedTrigger = {source, static_cast<int>(m_edge), static_cast<int>(m_position), static_cast<int>(m_level)};
    m_view.setUpChart();
    m_unsaved.kept(); // the chart starts empty
    graphs::rememberSetUp(graphs::GraphKind::Trigger, m_view.setUp(m_period));

    std::uint8_t status = 0;
    if (SetTrigger(status) == trigger::kResultSuccess) {
        m_startButton->setEnabled(true);
        m_stopButton->setEnabled(true);
    }
}

void CTriggerGraphDlg::OnStart()
{
    if (!m_pDrive)
        return;
    std::uint8_t status = 0;
    if (StartTrigger(status) != trigger::kResultSuccess) {
        m_pDrive->messages().show("Trigger Start Error!");
        return;
    }
    m_startButton->setEnabled(false);
    m_applyButton->setEnabled(false);
    m_yAxisButton->setEnabled(false);
    m_saveButton->setEnabled(false);
    m_openButton->setEnabled(false);
    m_stopButton->setEnabled(true);
    m_stateLabel->armed();
    m_running.set(true);
    // A worker that is just ending sees the switch on again and goes on
    // polling for this capture.
    m_worker.startIfIdle([this] { workerLoop(); }, [this] { return m_running.isOn(); });
}

void CTriggerGraphDlg::OnStop()
{
    // Nothing is sent: the drive stays armed.
    m_openButton->setEnabled(true);
    m_saveButton->setEnabled(true);
    m_yAxisButton->setEnabled(true);
    m_startButton->setEnabled(true);
    m_applyButton->setEnabled(true);
    m_stopButton->setEnabled(false);
    m_running.set(false);
    if (m_stateLabel->isWaiting())
        m_stateLabel->stopped();
}

void CTriggerGraphDlg::OnYAxis()
{
    if (!m_yaxisDlg->edit(m_view.limits(), m_pDrive ? &m_pDrive->messages() : nullptr))
        return;
    const bool marked = m_chart->hasTriggerMarks();
    m_view.replotForSelection(m_period);
    graphs::rememberSetUp(graphs::GraphKind::Trigger, m_view.setUp(m_periodEdit->value().value_or(m_period)));
    if (marked)
        showTriggerMarks();
}

void CTriggerGraphDlg::OnSave()
{
    const QString path = graphs::chooseGraphFileToSave(this, graphs::GraphKind::Trigger);
    if (!path.isEmpty())
        SaveTo(path);
}

void CTriggerGraphDlg::OnOpen()
{
    const QString path = graphs::chooseGraphFileToOpen(this, graphs::GraphKind::Trigger);
    if (!path.isEmpty())
        OpenFrom(path);
}

bool CTriggerGraphDlg::SaveTo(const QString &path)
{
    graphs::GraphFileWriting file = m_view.fileWriting(graphs::GraphKind::Trigger, m_periodEdit->value().value_or(m_period));
    file.trigger = {graphs::clampListIndex(m_sourceList->currentIndex(), kSourceEntries),
                    graphs::clampListIndex(m_edgeList->currentIndex(), kEdgeEntries), m_positionEdit->value().value_or(m_position),
                    m_levelEdit->value().value_or(m_level)};
    if (!graphs::saveGraphFile(path, file, m_pDrive ? &m_pDrive->messages() : nullptr))
        return false;
    m_unsaved.kept();
    return true;
}

bool CTriggerGraphDlg::OpenFrom(const QString &path)
{
    graphs::GraphFileContents &loaded = m_view.loadBuffer();
    if (!graphs::openGraphFile(path, graphs::GraphKind::Trigger, loaded, m_pDrive ? &m_pDrive->messages() : nullptr))
        return false;
    // The period and the trigger's set-up are kept within what their edits
    // and lists accept.
    const int period = std::clamp(loaded.period, trigger::kPeriodMin, trigger::kPeriodMax);
    m_periodEdit->setValue(period);
    m_period = static_cast<std::uint16_t>(period);
    m_sourceList->setCurrentIndex(graphs::clampListIndex(loaded.trigger.source, kSourceEntries));
    m_edgeList->setCurrentIndex(graphs::clampListIndex(loaded.trigger.edge, kEdgeEntries));
    m_positionEdit->setValue(std::clamp(loaded.trigger.position, 0, trigger::kPositionMax));
    // A level the register cannot hold stays as the file has it, for Apply
    // to refuse, rather than being cut to another level.
    m_levelEdit->setValue(loaded.trigger.level);
    m_view.showLoaded(m_period);
    m_shownPeriod = m_period;
    m_shownTrigger = loaded.trigger;
    m_shownTrigger.position = std::clamp(loaded.trigger.position, 0, trigger::kPositionMax);
    showTriggerMarks();
    m_unsaved.kept();
    return true;
}

void CTriggerGraphDlg::showTriggerMarks()
{
    const std::optional<double> level =
        trigger::triggerLevelOnPlot(m_shownTrigger, m_view.listIndices(), m_view.limits());
    m_chart->setTriggerMarks(m_shownTrigger.position, level ? &*level : nullptr);
}

graphs::CsvTable CTriggerGraphDlg::csvTable() const
{
    return m_view.csvTable(graphs::GraphKind::Trigger, m_shownPeriod, &m_shownTrigger);
}

std::array<graphs::Spectrum, 4> CTriggerGraphDlg::computeSpectra() const
{
    std::array<graphs::Spectrum, 4> spectra{};
    for (std::size_t c = 0; c < 4; ++c) {
        std::array<double, graphs::kSpectrumInput> samples{};
        for (std::size_t k = 0; k < trigger::kSamples; ++k)
            samples[k] = m_view.display()[c][k];
        spectra[c] = graphs::amplitudeSpectrum(samples);
    }
    return spectra;
}

void CTriggerGraphDlg::OnFft()
{
    m_notchDlg->setDriveConnection(m_pDrive);
    m_notchDlg->setLinkRunner(m_runner);
    m_notchDlg->setSpectra(computeSpectra(), graphs::captureSamplePeriod(m_shownPeriod));
    m_notchDlg->present();
}

void CTriggerGraphDlg::OnSpectrum(bool shownOnly)
{
    // Only of a capture that is there (taken or loaded).
    if (!m_view.isPlotted())
        return;
    if (!shownOnly) {
        OnFft();
        return;
    }
    const auto [begin, end] = graphs::shownPositions(m_chart->timeView(), trigger::kSamples);
    m_notchDlg->setDriveConnection(m_pDrive);
    m_notchDlg->setLinkRunner(m_runner);
    graphs::presentSpectra(*m_notchDlg, m_view.samples(begin, end), graphs::captureSamplePeriod(m_shownPeriod),
                           QStringLiteral("the range shown"));
}

void CTriggerGraphDlg::OnExit()
{
    if (m_exited)
        return;
    m_exited = true;
    endWorker();
    hide();
    Q_EMIT exited();
    deleteLater();
}

// --- the worker -------------------------------------------------------------

void CTriggerGraphDlg::workerLoop()
{
    bool complete = false;
    while (m_running.isOn()) {
        if (pollStep() == kPollDone) {
            complete = true;
            break;
        }
    }
    // The capture is over; a new "Start" switches the worker on again.
    if (complete)
        m_running.set(false);
    QMetaObject::invokeMethod(this, [this, complete] { workerEnded(complete); }, Qt::QueuedConnection);
}

int CTriggerGraphDlg::pollStep()
{
    trigger::TriggerSamples received{};
    int state = 0;
    unsigned start = 0;
    std::uint8_t status = 0;
    // No pause between polls: each read takes its link time.
    if (ReadTrigger(received, state, start, status) != trigger::kResultSuccess) {
        if (m_pDrive)
            m_pDrive->messages().show("Communication Trigger Error!");
        return kPollDone;
    }
    if (state != trigger::kStateComplete)
        return kPollAgain;
    QMetaObject::invokeMethod(this, [this, received, start] { captureArrived(received, start); },
                              Qt::QueuedConnection);
    return kPollDone;
}

void CTriggerGraphDlg::captureArrived(const trigger::TriggerSamples &received, unsigned start)
{
    m_view.receive(received, start);
    m_view.divideDcLink();
    m_view.plot(m_period);
    m_shownPeriod = m_period;
    m_shownTrigger = m_appliedTrigger;
    showTriggerMarks();
    m_stateLabel->captured();
    ++m_capturesShown;
    m_unsaved.captured();
}

void CTriggerGraphDlg::workerEnded(bool complete)
{
    if (complete)
        m_fftButton->setEnabled(true);
    // A capture armed again meanwhile keeps its buttons.
    if (m_running.isOn())
        return;
    if (m_stateLabel->isWaiting())
        m_stateLabel->endedWithoutCapture();
    m_openButton->setEnabled(true);
    m_startButton->setEnabled(false);
    m_stopButton->setEnabled(false);
    m_applyButton->setEnabled(true);
    m_saveButton->setEnabled(true);
    m_yAxisButton->setEnabled(true);
}

void CTriggerGraphDlg::endWorker()
{
    m_running.set(false);
    waitForWorker();
}

void CTriggerGraphDlg::waitForWorker()
{
    // The worker may wait for a message box; its last control updates are
    // queued to this thread. Both are served while it is waited for.
    m_worker.waitUntilEnded([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5); });
}

void CTriggerGraphDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
    leaveUnlessKept();
}

void CTriggerGraphDlg::reject() { leaveUnlessKept(); }

void CTriggerGraphDlg::leaveUnlessKept()
{
    if (m_unsaved.mayDiscard(m_pDrive ? &m_pDrive->messages() : nullptr))
        OnExit();
}

bool CTriggerGraphDlg::canOpenFile() const
{
    return m_openButton && m_openButton->isEnabled();
}

} // namespace tarvex
