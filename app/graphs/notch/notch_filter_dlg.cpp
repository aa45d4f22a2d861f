#include "app/graphs/notch/notch_filter_dlg.h"

#include "drive/capture/channel_scaling.h"
#include "app/ui/chart/chart_view.h"
#include "app/ui/chart/csv_export_dialog.h"
#include "drive/connection/drive_connection.h"
#include "app/graphs/graph_window_parts.h"
#include "app/graphs/integer_edit.h"
#include "drive/connection/shared_register.h"
#include "app/ui/window_keys.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tarvex {

namespace {
// The Y range the edits accept, the same bounds as the axis dialog's.
constexpr int kRangeBound = graphs::kAxisLimitBound;
// The floor of the dB scale: a bin of exactly 0 has no logarithm.
constexpr double kLowestMagnitude = 1e-6;

const QString kUsePeakTip = QStringLiteral("Put the peak frequency into the notch frequency (sent by Write)");

double decibels(double magnitude) { return 20.0 * std::log10(std::max(magnitude, kLowestMagnitude)); }
} // namespace

CNotchFilterDlg::CNotchFilterDlg(QWidget *parent) : QDialog(parent)
{
    for (auto &spectrum : m_spectra)
        spectrum.assign(graphs::kSpectrumBins, 0.0);
    setWindowTitle(QStringLiteral("FFT"));
    setModal(true);
    buildControls();
    addWindowKeys(*this, {nullptr, nullptr, m_readButton});
    // Every control in view where the screen has room (the first showing
    // bounds it by the screen); left to itself the window would open at
    // two thirds of the screen and scroll its controls needlessly.
    resize(sizeHint());
}

CNotchFilterDlg::~CNotchFilterDlg() = default;

void CNotchFilterDlg::buildControls()
{
    const auto button = [this](const QString &text) { return graphs::commandButton(this, text); };

    auto *scale = new QGroupBox(QStringLiteral("Y-Axis Scale Set"), this);
    m_maxEdit = graphs::integerEdit(scale, -kRangeBound, kRangeBound, kDefaultYMax);
    m_minEdit = graphs::integerEdit(scale, -kRangeBound, kRangeBound, kDefaultYMin);
    m_applyButton = button(QStringLiteral("Apply"));
    auto *scaleGrid = new QGridLayout(scale);
    scaleGrid->addWidget(new QLabel(QStringLiteral("Max"), scale), 0, 0);
    scaleGrid->addWidget(m_maxEdit, 0, 1);
    scaleGrid->addWidget(new QLabel(QStringLiteral("Min"), scale), 1, 0);
    scaleGrid->addWidget(m_minEdit, 1, 1);
    scaleGrid->addWidget(m_applyButton, 2, 1);

    auto *parameters = new QGroupBox(QStringLiteral("Parameter Set"), this);
    m_useEdit = graphs::integerEdit(parameters, 0, notch::kUseMax, 0);
    m_frequencyEdit = graphs::integerEdit(parameters, 0, notch::kFrequencyMax, 0);
    m_bandwidthEdit = graphs::integerEdit(parameters, 0, notch::kBandwidthMax, 0);
    m_readButton = button(QStringLiteral("Read"));
    m_writeButton = button(QStringLiteral("Write"));
    auto *parameterGrid = new QGridLayout(parameters);
    parameterGrid->addWidget(new QLabel(QStringLiteral("Notch Filter Use"), parameters), 0, 0);
    parameterGrid->addWidget(m_useEdit, 0, 1);
    parameterGrid->addWidget(new QLabel(QStringLiteral("Notch Frequency"), parameters), 1, 0);
    parameterGrid->addWidget(m_frequencyEdit, 1, 1);
    parameterGrid->addWidget(new QLabel(QStringLiteral("Notch Bandwidth"), parameters), 2, 0);
    parameterGrid->addWidget(m_bandwidthEdit, 2, 1);
    auto *readWrite = new QHBoxLayout;
    readWrite->addWidget(m_readButton);
    readWrite->addWidget(m_writeButton);
    parameterGrid->addLayout(readWrite, 3, 0, 1, 2);

    auto *measurement = new QGroupBox(QStringLiteral("Measurement"), this);
    m_dataField = new QLineEdit(measurement);
    m_highFrequencyField = new QLineEdit(measurement);
    for (QLineEdit *field : {m_dataField, m_highFrequencyField})
        field->setReadOnly(true);
    auto *measurementGrid = new QGridLayout(measurement);
    measurementGrid->addWidget(new QLabel(QStringLiteral("DATA"), measurement), 0, 0);
    measurementGrid->addWidget(m_dataField, 0, 1);
    measurementGrid->addWidget(new QLabel(QStringLiteral("High Freq."), measurement), 1, 0);
    measurementGrid->addWidget(m_highFrequencyField, 1, 1);
    measurementGrid->addWidget(new QLabel(QStringLiteral("Hz"), measurement), 1, 2);
    m_usePeakButton = button(QStringLiteral("Use peak"));
    m_usePeakButton->setToolTip(kUsePeakTip);
    m_usePeakButton->setEnabled(false);
    measurementGrid->addWidget(m_usePeakButton, 2, 1);
    connect(m_usePeakButton, &QPushButton::clicked, this, &CNotchFilterDlg::OnUsePeak);
    m_logBox = new QCheckBox(QStringLiteral("Log (dB)"), scale);
    scaleGrid->addWidget(m_logBox, 3, 0, 1, 2);
    connect(m_logBox, &QCheckBox::toggled, this, &CNotchFilterDlg::setLogarithmic);

    auto *channels = new QGroupBox(QStringLiteral("Channel"), this);
    auto *channelGrid = new QGridLayout(channels);
    for (int c = 0; c < 4; ++c) {
        QPushButton *b = button(QStringLiteral("Channel%1").arg(c + 1));
        m_channelButtons[static_cast<std::size_t>(c)] = b;
        channelGrid->addWidget(b, c / 2, c % 2);
        connect(b, &QPushButton::clicked, this, [this, c] { OnChannel(c); });
    }

    connect(m_applyButton, &QPushButton::clicked, this, &CNotchFilterDlg::OnApply);
    connect(m_readButton, &QPushButton::clicked, this, &CNotchFilterDlg::OnRead);
    connect(m_writeButton, &QPushButton::clicked, this, &CNotchFilterDlg::OnWrite);


    m_titleLabel = new QLabel(this);
    m_titleLabel->setVisible(false);
    auto *side = new QVBoxLayout;
    side->addWidget(m_titleLabel);
    side->addWidget(scale);
    side->addWidget(parameters);
    side->addWidget(measurement);
    side->addWidget(channels);
    side->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(graphs::scrolledColumn(this, side));
    layout->addWidget(graphs::framedChart(this, {620, 380}, m_chart), 1);
}

void CNotchFilterDlg::setSpectra(const std::array<graphs::Spectrum, 4> &spectra, double samplePeriod)
{
    std::array<std::vector<double>, 4> copied;
    for (std::size_t c = 0; c < 4; ++c)
        copied[c].assign(spectra[c].begin(), spectra[c].end());
    setSpectra(copied, samplePeriod, graphs::kSpectrumInput);
}

void CNotchFilterDlg::setSpectra(const std::array<std::vector<double>, 4> &spectra, double samplePeriod,
                                 std::size_t inputLength, const QString &title)
{
    m_spectra = spectra;
    // Every channel has the same bins, as many as the chart can be set.
    std::size_t bins = 0;
    for (const auto &spectrum : m_spectra)
        bins = std::max(bins, spectrum.size());
    bins = std::min(bins, graphs::kLongestSpectrumInput / 2);
    for (auto &spectrum : m_spectra)
        spectrum.resize(bins, 0.0);
    m_samplePeriod = samplePeriod;
    m_inputLength = std::max<std::size_t>(inputLength, 1);
    m_title = title;
    m_titleLabel->setText(title);
    m_titleLabel->setVisible(!title.isEmpty());
}

void CNotchFilterDlg::present()
{
    OnInitDialog();
    exec();
    OnDestroy();
}

void CNotchFilterDlg::OnInitDialog()
{
    OnRead();
    setUpChart();
    graphs::offerCsvExport(*m_chart, this, [this] { return csvTable(); },
                           m_notch.driveConnection() ? &m_notch.driveConnection()->messages() : nullptr);
}

graphs::CsvTable CNotchFilterDlg::csvTable() const
{
    if (m_shownChannel < 0)
        return graphs::spectrumCsvTable({}, {}, {});
    std::vector<double> frequencies;
    for (int bin = 0; bin < bins(); ++bin)
        frequencies.push_back(bin / (static_cast<double>(m_inputLength) * m_samplePeriod));
    return graphs::spectrumCsvTable(m_spectra[static_cast<std::size_t>(m_shownChannel)], frequencies,
                                    "Channel " + std::to_string(m_shownChannel + 1));
}

void CNotchFilterDlg::OnDestroy()
{
    // The next showing starts with a silent read again.
    m_firstReadDone = false;
}

MessageService *CNotchFilterDlg::messages() const
{
    return m_notch.driveConnection() ? &m_notch.driveConnection()->messages() : nullptr;
}

void CNotchFilterDlg::setUpChart()
{
    const std::optional<int> max = m_maxEdit->takeValue(messages(), "Max");
    const std::optional<int> min = max ? m_minEdit->takeValue(messages(), "Min") : std::nullopt;
    if (!max || !min)
        return; // the chart keeps the range it has
    ChartSetup setup;
    setup.axes = 1;
    setup.channels[0] = {QString(), static_cast<double>(*max), static_cast<double>(*min), true};
    if (m_logarithmic)
        setup.channels[0] = {QString(), decibels(*max), decibels(std::max(*min, 0) * 1.0), true};
    for (std::size_t c = 1; c < 4; ++c)
        setup.channels[c].shown = false;
    setup.xCaption = QStringLiteral("[Hz]");
    setup.xFirst = 0;
    setup.xLast = bins();
    m_chart->setUp(setup);
    m_shownChannel = -1;
    m_usePeakButton->setEnabled(false);
}

// The drive's values as it holds them, also where they lie outside the
// window's ranges (register 174 may hold a program jog time): a Write then
// refuses them instead of sending a value the user never saw.
void CNotchFilterDlg::showParameters()
{
    m_useEdit->setValue(m_parameters.use);
    m_frequencyEdit->setValue(m_parameters.frequency);
    m_bandwidthEdit->setValue(m_parameters.bandwidth);
}

void CNotchFilterDlg::OnApply() { setUpChart(); }

void CNotchFilterDlg::OnRead()
{
    std::uint8_t status = 0;
    notch::NotchParameters read = m_parameters;
    if (m_notch.ReadNotchFilter(read, status) != notch::kResultSuccess)
        return;
    m_parameters = read;
    showParameters();
    if (m_firstReadDone && m_notch.driveConnection())
        m_notch.driveConnection()->messages().showInformation("Read Success...!");
    m_firstReadDone = true;
}

void CNotchFilterDlg::OnWrite()
{
    MessageService *box = messages();
    const std::optional<int> use = m_useEdit->takeValue(box, shared_register::kNotchUseName);
    if (!use)
        return;
    const std::optional<int> frequency = m_frequencyEdit->takeValue(box, "Notch Frequency");
    if (!frequency)
        return;
    const std::optional<int> bandwidth = m_bandwidthEdit->takeValue(box, "Notch Bandwidth");
    if (!bandwidth)
        return;
    if (box && *use != m_parameters.use &&
        !box->ask(shared_register::question(shared_register::kNotchUseName, *use, shared_register::kJogTime4Name,
                                            m_parameters.use),
                  shared_register::kQuestionCaption))
        return;
    const notch::NotchParameters written{*use, *frequency, *bandwidth};
    std::uint8_t status = 0;
    if (m_notch.WriteNotchFilter(written, status) != notch::kResultSuccess)
        return;
    m_parameters = written;
    if (box)
        box->showInformation("Write Success...!");
}

void CNotchFilterDlg::OnChannel(int channel)
{
    const std::vector<double> &spectrum = m_spectra[static_cast<std::size_t>(channel & 3)];
    const graphs::SpectrumPeak peak = graphs::findPeakOf(spectrum, m_inputLength, m_samplePeriod);
    m_peakFrequency = peak.frequencyHz;
    m_peakAmplitude = QString::fromStdString(peak.amplitude);
    m_dataField->setText(m_peakAmplitude);
    m_highFrequencyField->setText(QString::number(m_peakFrequency));
    m_shownChannel = channel & 3;
    m_usePeakButton->setEnabled(peak.bin >= 0);
    const QString tooSlow = samplingTooSlowText();
    m_usePeakButton->setToolTip(tooSlow.isEmpty() ? kUsePeakTip : tooSlow);
    plotShownChannel();
}

void CNotchFilterDlg::plotShownChannel()
{
    if (m_shownChannel < 0)
        return;
    const std::vector<double> &spectrum = m_spectra[static_cast<std::size_t>(m_shownChannel)];
    // Bin k is point k + 1, labelled with its own frequency, so that the
    // label under the peak is the frequency read out and written.
    for (int point = 1; point <= bins(); ++point) {
        const double magnitude = spectrum[static_cast<std::size_t>(point - 1)];
        m_chart->setPoint(0, point, m_logarithmic ? decibels(magnitude) : magnitude);
        m_chart->setLabel(point,
                          QStringLiteral("%1 ").arg(graphs::binFrequencyOf(point - 1, m_inputLength, m_samplePeriod)));
    }
    if (m_logarithmic)
        m_chart->autoscale(Qt::Vertical);
    m_chart->redraw();
}

void CNotchFilterDlg::setLogarithmic(bool on)
{
    if (m_logBox->isChecked() != on)
        m_logBox->setChecked(on); // comes back here through the box
    if (m_logarithmic == on)
        return;
    m_logarithmic = on;
    const int shown = m_shownChannel;
    setUpChart();
    if (shown >= 0)
        OnChannel(shown);
}

QString CNotchFilterDlg::samplingTooSlowText() const
{
    if (m_samplePeriod <= notch::kLongestSamplePeriod * (1.0 + 1e-9))
        return {};
    return QStringLiteral("This capture was sampled every %1 ms: it shows frequencies up to %2 Hz only, and a "
                          "resonance in the notch filter's range (up to %3 Hz) would show at a false lower "
                          "frequency. The notch frequency is left as it is; take a trigger capture sampled every "
                          "%4 ms or faster to find it.")
        .arg(m_samplePeriod * 1000.0, 0, 'g', 4)
        .arg(std::floor(0.5 / m_samplePeriod), 0, 'f', 0)
        .arg(notch::kFrequencyMax)
        .arg(notch::kLongestSamplePeriod * 1000.0, 0, 'g', 3);
}

void CNotchFilterDlg::OnUsePeak()
{
    if (m_shownChannel < 0 || m_peakFrequency <= 0)
        return;
    if (const QString why = samplingTooSlowText(); !why.isEmpty()) {
        if (MessageService *box = messages())
            box->show(why.toStdString());
        return;
    }
    if (m_peakFrequency > notch::kFrequencyMax) {
        if (MessageService *box = messages())
            box->show("The peak frequency " + std::to_string(m_peakFrequency) +
                      " Hz lies above the notch filter's range (0 to " + std::to_string(notch::kFrequencyMax) + " Hz)");
        return;
    }
    m_frequencyEdit->setValue(m_peakFrequency);
}

} // namespace tarvex
