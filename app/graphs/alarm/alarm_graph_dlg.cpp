#include "app/graphs/alarm/alarm_graph_dlg.h"

#include "app/graphs/capture_plot.h"
#include "app/graphs/notch/capture_spectrum.h"
#include "drive/capture/channel_catalog.h"
#include "app/graphs/channel_lists.h"
#include "app/ui/chart/chart_view.h"
#include "app/ui/chart/csv_export_dialog.h"
#include "drive/connection/drive_connection.h"
#include "app/graphs/graph_file_dialog.h"
#include "app/graphs/graph_window_parts.h"
#include "app/graphs/integer_edit.h"
#include "app/ui/link_animation.h"
#include "app/graphs/notch/notch_filter_dlg.h"
#include "app/graphs/reference_overlay.h"
#include "app/graphs/yaxis_dialog.h"
#include "app/ui/window_keys.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tarvex {

namespace {

// What the worker's poll step tells its loop.
constexpr int kPollAgain = 0;
constexpr int kPollRead = 4;

} // namespace

CAlarmGraphDlg::CAlarmGraphDlg(DriveConnection *drive, QWidget *parent) : QDialog(parent), CAlarmGraph(drive)
{
    setWindowTitle(QStringLiteral("Alarm Trace"));
    setModal(true);
    buildControls();

    // The opening: empty buffers, period 1, "Not Use" everywhere, the
    // default axis limits and a fresh chart.
    m_animation->Open();
    m_period = 0;
    m_periodEdit->setValue(alarm_graph::kDefaultPeriod);
    m_view.reset();
    if (const auto setUp = graphs::rememberedSetUp(graphs::GraphKind::AlarmGraph)) {
        m_periodEdit->setValue(std::clamp(setUp->period, alarm_graph::kPeriodMin, alarm_graph::kPeriodMax));
        m_view.restoreSetUp(*setUp);
    }
    graphs::offerCsvExport(
        *m_chart, this, [this] { return m_view.csvTable(graphs::GraphKind::AlarmGraph, m_period, nullptr); },
        m_pDrive ? &m_pDrive->messages() : nullptr);
    m_chart->setSpectrumRequest([this](bool shownOnly) { OnSpectrum(shownOnly); });
    graphs::offerReferenceOverlay(*m_chart, this, m_pDrive ? &m_pDrive->messages() : nullptr);
    m_yAxisButton->setEnabled(true);
    m_applyButton->setEnabled(true);
    m_uploadButton->setEnabled(false);
    m_saveButton->setEnabled(false);

    // The link watchdog ends a waiting whose exchanges have stalled.
    if (m_pDrive)
        m_watchdogEntry.registerWith(m_pDrive->stalledFeatures());
}

CAlarmGraphDlg::~CAlarmGraphDlg()
{
    endWorker();
    m_watchdogEntry.withdraw();
}

void CAlarmGraphDlg::buildControls()
{
    const auto button = [this](const char *text) { return graphs::commandButton(this, QString::fromLatin1(text)); };

    m_periodEdit = graphs::integerEdit(this, alarm_graph::kPeriodMin, alarm_graph::kPeriodMax, alarm_graph::kDefaultPeriod);
    m_unitLabel = graphs::periodUnitLabel(this, QStringLiteral(" X 200us"));
    auto *period = new QHBoxLayout;
    period->addWidget(m_periodEdit);
    period->addWidget(m_unitLabel);
    period->addStretch();

    m_channelLists = new graphs::CChannelLists(this);

    m_applyButton = button("Apply");
    m_uploadButton = button("Upload");
    m_yAxisButton = button("Y-Axis");
    m_saveButton = button("SAVE");
    m_openButton = button("OPEN");
    addWindowKeys(*this, {m_openButton, m_saveButton, nullptr});
    connect(m_applyButton, &QPushButton::clicked, this, &CAlarmGraphDlg::OnApply);
    connect(m_uploadButton, &QPushButton::clicked, this, &CAlarmGraphDlg::OnUpload);
    connect(m_yAxisButton, &QPushButton::clicked, this, &CAlarmGraphDlg::OnYAxis);
    connect(m_saveButton, &QPushButton::clicked, this, &CAlarmGraphDlg::OnSave);
    connect(m_openButton, &QPushButton::clicked, this, &CAlarmGraphDlg::OnOpen);
    // What each command needs, so that a greyed one tells what to do first.
    m_uploadButton->setToolTip(QStringLiteral("Show the recording (once the drive has recorded an alarm after Apply)"));
    m_saveButton->setToolTip(QStringLiteral("Save the recording to a file (after Upload)"));
    m_fftButton = button("FFT");
    connect(m_fftButton, &QPushButton::clicked, this, [this] { OnSpectrum(false); });
    auto *commands = new QGridLayout;
    commands->addWidget(m_applyButton, 0, 0);
    commands->addWidget(m_uploadButton, 0, 1);
    commands->addWidget(m_yAxisButton, 1, 0);
    commands->addWidget(m_saveButton, 2, 0);
    commands->addWidget(m_openButton, 2, 1);
    commands->addWidget(m_fftButton, 1, 1);

    auto *status = new QGroupBox(QStringLiteral("Status"), this);
    m_animation = new CLinkAnimation(status);
    m_animation->setMinimumSize(200, 110);
    auto *statusLayout = new QVBoxLayout(status);
    statusLayout->addWidget(m_animation);

    auto *side = new QVBoxLayout;
    side->addLayout(period);
    side->addSpacing(8);
    side->addWidget(m_channelLists);
    side->addSpacing(8);
    side->addLayout(commands);
    side->addWidget(status);
    side->addStretch();

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(side);
    layout->addWidget(graphs::framedChart(this, {680, 420}, m_chart), 1);

    m_yaxisDlg = new CYaxisDlg(this);
    m_view.attach(*m_channelLists, *m_chart);
}

// --- commands ---------------------------------------------------------------

void CAlarmGraphDlg::OnApply()
{
    if (!m_pDrive)
        return;
    m_applyButton->setEnabled(true);
    const std::optional<int> period = m_periodEdit->takeValue(&m_pDrive->messages(), "Sampling Period");
    if (!period)
        return;
    m_period = static_cast<std::uint16_t>(*period);
    m_view.takeSelection();
    m_channelCode = m_view.channelCodes();
    m_view.setUpChart();
    m_unsaved.kept(); // the chart starts empty
    graphs::rememberSetUp(graphs::GraphKind::AlarmGraph, m_view.setUp(m_period));
    // A refused set-up does not stop the waiting: its first poll reports.
    std::uint8_t status = 0;
    SetAlarmGraph(status);

    m_running.set(true);
    // Until the drive has recorded with these settings, the last recording
    // would be plotted or saved under channels and a period it was not
    // taken with.
    m_uploadButton->setEnabled(false);
    m_saveButton->setEnabled(false);
    m_openButton->setEnabled(false);
    m_yAxisButton->setEnabled(false);
    m_worker.startIfIdle([this] { workerLoop(); }, [this] { return m_running.isOn(); });
    m_pDrive->generalBusy = 0;
}

void CAlarmGraphDlg::OnUpload()
{
    m_view.divideDcLink();
    m_view.plot(m_period);
    m_saveButton->setEnabled(true);
    m_uploadButton->setEnabled(false);
    m_unsaved.captured();
}

void CAlarmGraphDlg::OnYAxis()
{
    if (!m_yaxisDlg->edit(m_view.limits(), m_pDrive ? &m_pDrive->messages() : nullptr))
        return;
    m_view.replotForSelection(m_period);
    graphs::rememberSetUp(graphs::GraphKind::AlarmGraph, m_view.setUp(m_periodEdit->value().value_or(m_period)));
    m_saveButton->setEnabled(true);
}

void CAlarmGraphDlg::OnSave()
{
    const QString path = graphs::chooseGraphFileToSave(this, graphs::GraphKind::AlarmGraph);
    if (!path.isEmpty())
        SaveTo(path);
}

void CAlarmGraphDlg::OnOpen()
{
    const QString path = graphs::chooseGraphFileToOpen(this, graphs::GraphKind::AlarmGraph);
    if (!path.isEmpty())
        OpenFrom(path);
}

bool CAlarmGraphDlg::SaveTo(const QString &path)
{
    // The period last sent to the drive, in 0.2 ms.
    if (!graphs::saveGraphFile(path, m_view.fileWriting(graphs::GraphKind::AlarmGraph, m_period),
                               m_pDrive ? &m_pDrive->messages() : nullptr))
        return false;
    m_unsaved.kept();
    return true;
}

bool CAlarmGraphDlg::OpenFrom(const QString &path)
{
    graphs::GraphFileContents &loaded = m_view.loadBuffer();
    if (!graphs::openGraphFile(path, graphs::GraphKind::AlarmGraph, loaded, m_pDrive ? &m_pDrive->messages() : nullptr))
        return false;
    // The period is kept within what its edit accepts.
    const int period = std::clamp(loaded.period, alarm_graph::kPeriodMin, alarm_graph::kPeriodMax);
    m_periodEdit->setValue(period);
    m_period = static_cast<std::uint16_t>(period);
    m_view.showLoaded(m_period);
    m_unsaved.kept();
    return true;
}

// --- the worker -------------------------------------------------------------

void CAlarmGraphDlg::workerLoop()
{
    QMetaObject::invokeMethod(this, [this] { m_animation->Play(); }, Qt::QueuedConnection);
    while (m_running.isOn()) {
        const int result = pollStep();
        if (result == kPollRead) {
            // The recording has been read; a new "Apply" arms again.
            m_running.set(false);
            if (m_pDrive)
                m_pDrive->messages().showInformation("Success get data ! ");
            QMetaObject::invokeMethod(this, [this] { recordingReady(); }, Qt::QueuedConnection);
            break;
        }
    }
}

int CAlarmGraphDlg::pollStep()
{
    alarm_graph::AlarmSamples received{};
    int state = 0;
    unsigned start = 0;
    std::uint8_t status = 0;
    // No pause between polls: each read takes its link time.
    if (ReadAlarmGraph(received, state, start, status) != alarm_graph::kResultSuccess) {
        m_running.set(false);
        QMetaObject::invokeMethod(this, [this] { pollFailed(); }, Qt::QueuedConnection);
        return alarm_graph::kResultFailure;
    }
    if (state != alarm_graph::kStateReady)
        return kPollAgain;
    QMetaObject::invokeMethod(this, [this, received, start] { recordingArrived(received, start); },
                              Qt::QueuedConnection);
    return kPollRead;
}

void CAlarmGraphDlg::recordingArrived(const alarm_graph::AlarmSamples &received, unsigned start)
{
    m_view.receive(received, start);
    restAnimation();
}

void CAlarmGraphDlg::recordingReady()
{
    m_saveButton->setEnabled(true);
    m_openButton->setEnabled(true);
    m_yAxisButton->setEnabled(true);
    m_uploadButton->setEnabled(true);
}

void CAlarmGraphDlg::pollFailed()
{
    // Only the axis limits stay usable until the window is opened again.
    m_saveButton->setEnabled(false);
    m_openButton->setEnabled(false);
    m_uploadButton->setEnabled(false);
    m_applyButton->setEnabled(false);
    m_yAxisButton->setEnabled(true);
    restAnimation();
}

void CAlarmGraphDlg::restAnimation()
{
    m_animation->Stop();
    m_animation->Open();
}

void CAlarmGraphDlg::endWorker()
{
    m_running.set(false);
    // The worker may wait for a message box; its last updates are queued to
    // this thread. Both are served while it is waited for.
    m_worker.waitUntilEnded([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5); });
}

void CAlarmGraphDlg::done(int result)
{
    endWorker();
    restAnimation();
    QDialog::done(result);
}

void CAlarmGraphDlg::closeEvent(QCloseEvent *event)
{
    // The uploaded recording is the drive's record of the alarm: the close
    // box does not throw it away unasked.
    if (!m_unsaved.mayDiscard(m_pDrive ? &m_pDrive->messages() : nullptr)) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CAlarmGraphDlg::keyPressEvent(QKeyEvent *event)
{
    // Enter and Esc do not close the window.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CAlarmGraphDlg::OnSpectrum(bool shownOnly)
{
    if (!m_view.isPlotted())
        return;
    const auto [begin, end] = shownOnly ? graphs::shownPositions(m_chart->timeView(), alarm_graph::kSamples)
                                        : std::pair<std::size_t, std::size_t>{0, alarm_graph::kSamples};
    if (!m_notchDlg)
        m_notchDlg = new CNotchFilterDlg(this);
    m_notchDlg->setDriveConnection(m_pDrive);
    m_notchDlg->setLinkRunner(m_runner);
    graphs::presentSpectra(*m_notchDlg, m_view.samples(begin, end), graphs::captureSamplePeriod(m_period),
                           shownOnly ? QStringLiteral("the range shown") : QStringLiteral("the recording"));
}

bool CAlarmGraphDlg::canOpenFile() const
{
    return m_openButton && m_openButton->isEnabled();
}

} // namespace tarvex
