// The notch filter analysis: the "FFT" window's reading and writing of the
// drive's notch filter registers against the virtual drive, the spectra of
// known signals taken through the trigger window and compared with a plain
// transform computed here, the peak search of the channel buttons, and a
// resonance of the virtual drive found with FFT and suppressed by writing
// the notch filter on it.
#include "tests/app/support/capture_window_fixture.h"
#include "tests/app/support/chart_menu_driver.h"
#include "app/graphs/channel_lists.h"
#include "app/ui/chart/chart_view.h"
#include "app/graphs/integer_edit.h"
#include "app/graphs/notch/notch_filter_dlg.h"
#include "tests/app/support/scratch_directory.h"
#include "tests/app/support/spectrum_window_driver.h"
#include "app/graphs/trigger/trigger_graph_dlg.h"
#include "tests/app/support/ui_pump.h"
#include "tests/app/support/virtual_drive_session.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <utility>
#include <sstream>

namespace tarvex {
namespace {

using namespace std::chrono_literals;

// The amplitude spectrum as the drive's engineers define it, computed the
// slow way: Hann window with divisor 255, the plain 256-point transform,
// magnitudes divided by 256.
std::array<double, 128> referenceSpectrum(const std::array<int, 256> &x)
{
    std::array<double, 128> m{};
    for (int k = 0; k < 128; ++k) {
        std::complex<double> sum = 0;
        for (int n = 0; n < 256; ++n) {
            const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * n / 255.0);
            sum += x[static_cast<std::size_t>(n)] * w * std::polar(1.0, -2 * std::numbers::pi * n * k / 256.0);
        }
        m[static_cast<std::size_t>(k)] = std::abs(sum) / 256.0;
    }
    return m;
}

std::string twoDecimals(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(static_cast<float>(v)));
    return text;
}

// A trigger file holding `x` on channel 1 (list index 1) and zeros elsewhere.
std::string triggerFileOf(const std::array<int, 256> &x)
{
    std::ostringstream out;
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < 256; ++i)
            out << (i == 0 ? "Name" : (c == 0 ? "1" : "0")) << "\t0.0 \t" << (c == 0 ? x[static_cast<std::size_t>(i)] : 0)
                << "\t0\t0\t0\t0\r\n";
    out << "Period\t1\r\n3500\t-3500\t3500\t-3500\t200\t-200\t500\t0\r\n";
    return out.str();
}

// The notch filter window belongs to a trigger window open on the drive.
class NotchFilter : public test::CaptureWindowFixture<CTriggerGraphDlg> {
protected:
    void SetUp() override
    {
        CaptureWindowFixture::SetUp();
        if (!IsSkipped())
            open();
    }

    CNotchFilterDlg &dialog() { return window->notchDialog(); }

    void writeNotchRegisters(std::uint16_t use, std::uint16_t frequency, std::uint16_t bandwidth)
    {
        const std::uint16_t words[3] = {use, frequency, bandwidth};
        std::uint8_t status = 1;
        drive->link().WrMtRegister(174, 3, words, &status);
        ASSERT_EQ(status, 0);
    }

    // The spectra of a signal on channel 1, loaded into the trigger window from a file.
    std::array<graphs::Spectrum, 4> spectraOf(const std::array<int, 256> &x)
    {
        directory.write("signal.mtg", triggerFileOf(x));
        EXPECT_TRUE(window->OpenFrom(QString::fromStdString((directory / "signal.mtg").string())));
        return window->computeSpectra();
    }

    // A capture of the DC link's ripple on channel 1 taken with `period`,
    // through the window's buttons; false when none came in time.
    bool captureRipple(int period)
    {
        const int before = window->capturesShown();
        window->periodEdit().setValue(period);
        window->channelLists().setIndices({1, 0, 0, 0});
        window->sourceList().setCurrentIndex(6);
        window->edgeList().setCurrentIndex(1);
        window->levelEdit().setValue(3105);
        QTest::mouseClick(&window->applyButton(), Qt::LeftButton);
        QTest::mouseClick(&window->startButton(), Qt::LeftButton);
        return test::pumpUntil([&] { return window->capturesShown() > before && !window->isWorkerRunning(); }, 5s);
    }

    test::ScratchDirectory directory;
};

TEST_F(NotchFilter, TheReadAtOpeningIsSilentAndALaterReadReportsSuccess)
{
    writeNotchRegisters(1, 450, 80);
    CNotchFilterDlg &d = dialog();
    d.setDriveConnection(drive.get());
    EXPECT_EQ(d.windowTitle(), "FFT");
    d.OnInitDialog();
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    EXPECT_EQ(d.useEdit().value(), 1);
    EXPECT_EQ(d.frequencyEdit().value(), 450);
    EXPECT_EQ(d.bandwidthEdit().value(), 80);

    d.readButton().click();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Read Success...!"});

    // Each showing starts with a silent read again.
    d.OnDestroy();
    messages.clear();
    d.OnInitDialog();
    EXPECT_TRUE(messages.empty());
    d.OnDestroy();
}

TEST_F(NotchFilter, WriteSendsTheThreeEditsToTheDrive)
{
    CNotchFilterDlg &d = dialog();
    d.setDriveConnection(drive.get());
    d.OnInitDialog();
    const std::uint16_t time4 = reg(174);
    d.useEdit().setValue(1);
    d.frequencyEdit().setValue(612);
    d.bandwidthEdit().setValue(120);
    messages.answerNext(true);
    d.writeButton().click();
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Register 174 is both Notch Filter Use and Program Jog Time 4. Writing Notch Filter Use = 1 changes Program Jog Time 4 from " + std::to_string(time4) +
                                            " to 1. Write anyway?",
                                        "Write Success...!"}));
    EXPECT_EQ(messages.messages().front().caption, "Shared Register");
    EXPECT_EQ(reg(174), 1);
    EXPECT_EQ(reg(176), 612);
    EXPECT_EQ(reg(178), 120);
    d.OnDestroy();
}

TEST_F(NotchFilter, TheEditsAcceptOnlyTheirRanges)
{
    CNotchFilterDlg &d = dialog();
    EXPECT_EQ(d.useEdit().minimum(), 0);
    EXPECT_EQ(d.useEdit().maximum(), 1);
    EXPECT_EQ(d.frequencyEdit().maximum(), 1000);
    EXPECT_EQ(d.bandwidthEdit().maximum(), 1000);
    d.frequencyEdit().setValue(5000);
    EXPECT_EQ(d.frequencyEdit().value(), std::nullopt) << "kept as typed, never cut to 1000";
    EXPECT_EQ(d.frequencyEdit().text(), "5000");
    EXPECT_EQ(d.maxEdit().value(), 40);
    EXPECT_EQ(d.minEdit().value(), 0);
}

TEST_F(NotchFilter, WhatTheDriveHoldsIsShownAndOnlyWhatIsTypedIsWritten)
{
    // Register 174 holds a program jog time of 1000 ms.
    writeNotchRegisters(1000, 300, 50);
    CNotchFilterDlg &d = dialog();
    d.setDriveConnection(drive.get());
    d.OnInitDialog();
    EXPECT_EQ(d.useEdit().text(), "1000") << "shown as the drive holds it, not cut to 1";
    const auto write = [&] { QTest::mouseClick(&d.writeButton(), Qt::LeftButton); };

    write();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Please enter an integer between 0 and 1."});
    EXPECT_EQ(reg(174), 1000) << "nothing is written back clamped";

    messages.clear();
    d.useEdit().selectAll();
    QTest::keyClicks(&d.useEdit(), "0");
    d.frequencyEdit().selectAll();
    QTest::keyClicks(&d.frequencyEdit(), "5000");
    EXPECT_EQ(d.frequencyEdit().text(), "5000") << "no keystroke is dropped";
    write();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Please enter an integer between 0 and 1000."});
    EXPECT_EQ(reg(176), 300);

    messages.clear();
    QTest::keyClick(&d.frequencyEdit(), Qt::Key_Backspace);
    messages.answerNext(false);
    write();
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"Register 174 is both Notch Filter Use and Program Jog Time 4. "
                                                         "Writing Notch Filter Use = 0 changes Program Jog Time 4 "
                                                         "from 1000 to 0. Write anyway?"});
    EXPECT_EQ(reg(174), 1000) << "No writes nothing";
    EXPECT_EQ(reg(176), 300);

    messages.clear();
    messages.answerNext(true);
    write();
    EXPECT_EQ(messages.texts().back(), "Write Success...!");
    EXPECT_EQ(reg(174), 0);
    EXPECT_EQ(reg(176), 500);
    EXPECT_EQ(reg(178), 50);

    // Unchanged, the switch goes without a question.
    messages.clear();
    d.bandwidthEdit().selectAll();
    QTest::keyClicks(&d.bandwidthEdit(), "60");
    write();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Write Success...!"});
    EXPECT_EQ(reg(178), 60);
    d.OnDestroy();
}

TEST_F(NotchFilter, AFailedReadKeepsTheEditsAndAFailedWriteIsReported)
{
    writeNotchRegisters(1, 300, 50);
    CNotchFilterDlg &d = dialog();
    d.setDriveConnection(drive.get());
    d.OnInitDialog();
    drive->Disconnect();
    messages.clear();
    d.readButton().click();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"FFT Read Error"});
    EXPECT_EQ(d.frequencyEdit().value(), 300);
    messages.clear();
    d.writeButton().click();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"FFT Write Error"});
    d.OnDestroy();
}

TEST_F(NotchFilter, AConstantSignalPeaksAtBinZeroWhichTheSearchIgnores)
{
    std::array<int, 256> x{};
    x.fill(1000);
    const auto spectra = spectraOf(x);
    const auto reference = referenceSpectrum(x);
    std::size_t largest = 0;
    for (std::size_t k = 0; k < 128; ++k) {
        ASSERT_NEAR(spectra[0][k], reference[k], 1e-9) << "bin " << k;
        if (reference[k] > reference[largest])
            largest = k;
    }
    EXPECT_EQ(largest, 0u);
    EXPECT_NEAR(spectra[0][0], 1000 * 127.5 / 256, 1e-6);

    // The window's divisor of 255 leaves a little leakage from bin 2 on; the
    // search reports the strongest of it, where the reference has it.
    std::size_t strongest = 2;
    for (std::size_t k = 2; k < 128; ++k)
        if (reference[k] > reference[strongest])
            strongest = k;
    CNotchFilterDlg &d = dialog();
    d.setSpectra(spectra, graphs::captureSamplePeriod(1));
    d.channelButton(0).click();
    EXPECT_EQ(d.peakFrequency(), graphs::binFrequency(static_cast<int>(strongest), graphs::captureSamplePeriod(1)));
    EXPECT_EQ(d.peakAmplitude().toStdString(), twoDecimals(reference[strongest]));

    // A constant 0: nothing above the noise floor at all.
    x.fill(0);
    d.setSpectra(spectraOf(x), graphs::captureSamplePeriod(1));
    d.channelButton(0).click();
    EXPECT_EQ(d.peakFrequency(), 0);
    EXPECT_EQ(d.peakAmplitude(), "0.00");
    EXPECT_EQ(d.highFrequencyField().text(), "0");
    EXPECT_EQ(d.dataField().text(), "0.00");
}

TEST_F(NotchFilter, A1250HzSineAtPeriodOnePeaksAtBin64ShownAs1250Hz)
{
    std::array<int, 256> x{};
    for (int n = 0; n < 256; ++n)
        x[static_cast<std::size_t>(n)] = static_cast<int>(std::lround(1000 * std::sin(2 * std::numbers::pi * 1250 * n / 5000.0)));
    const auto spectra = spectraOf(x);
    const auto reference = referenceSpectrum(x);

    CNotchFilterDlg &d = dialog();
    d.setSpectra(spectra, graphs::captureSamplePeriod(1));
    d.OnApply();
    d.channelButton(0).click();
    EXPECT_EQ(d.peakFrequency(), 1250);
    EXPECT_EQ(d.peakAmplitude().toStdString(), twoDecimals(reference[64]));
    EXPECT_EQ(d.highFrequencyField().text(), "1250");

    CChartView &chart = d.chart();
    EXPECT_EQ(chart.count(0), 129);
    for (int point = 1; point <= 128; ++point)
        ASSERT_NEAR(chart.value(0, point), reference[static_cast<std::size_t>(point - 1)], 1e-9);
    EXPECT_EQ(chart.label(65), "1250 ") << "the peak's point carries the frequency read out";
    EXPECT_EQ(chart.label(1), "0 ");
    EXPECT_EQ(chart.label(128), "2480 ");
}

TEST_F(NotchFilter, TheSpectrumShownExportsAsFrequencyAndAmplitude)
{
    std::array<int, 256> x{};
    for (int n = 0; n < 256; ++n)
        x[static_cast<std::size_t>(n)] = static_cast<int>(std::lround(1000 * std::sin(2 * std::numbers::pi * 625 * n / 2500.0)));
    const auto reference = referenceSpectrum(x);
    CNotchFilterDlg &d = dialog();
    d.setSpectra(spectraOf(x), graphs::captureSamplePeriod(2)); // 0.4 ms a sample
    d.OnApply();
    EXPECT_TRUE(d.csvTable().keys.values.empty()) << "no rows before a channel is shown";
    d.channelButton(0).click();
    const std::string text = graphs::csvText(d.csvTable());
    std::istringstream in(text);
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(in, line))
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u + 128u);
    EXPECT_EQ(lines[1], "# Channel,Channel 1");
    EXPECT_EQ(lines[2], "Frequency [Hz],Amplitude");
    // Bin 64 of 256 samples 0.4 ms apart lies at 625 Hz.
    const std::string peak = lines[3 + 64];
    const auto comma = peak.find(',');
    EXPECT_EQ(peak.substr(0, comma), "625");
    EXPECT_NEAR(std::stod(peak.substr(comma + 1)), reference[64], 1e-9);
}

TEST_F(NotchFilter, OfTwoEqualMaximaTheLowerIsReportedAndTheLowestBinsAreIgnored)
{
    std::array<graphs::Spectrum, 4> spectra{};
    spectra[2][0] = 90;
    spectra[2][1] = 80;
    spectra[2][10] = 5.125;
    spectra[2][40] = 5.125;
    CNotchFilterDlg &d = dialog();
    d.setSpectra(spectra, graphs::captureSamplePeriod(1));
    d.channelButton(2).click();
    EXPECT_EQ(d.peakFrequency(), 195);
    EXPECT_EQ(d.peakAmplitude(), "5.12");
    d.channelButton(1).click();
    EXPECT_EQ(d.peakFrequency(), 0) << "channel 2 is silent";
}

TEST_F(NotchFilter, TheFftButtonRunsTheWindowModallyWithTheTriggerWindowsSpectra)
{
    std::array<int, 256> x{};
    for (int n = 0; n < 256; ++n)
        x[static_cast<std::size_t>(n)] = static_cast<int>(std::lround(500 * std::sin(2 * std::numbers::pi * 40 * n / 256.0)));
    spectraOf(x);
    writeNotchRegisters(0, 777, 33);
    bool seen = false;
    QTimer::singleShot(50, [&] {
        auto *shown = qobject_cast<CNotchFilterDlg *>(QApplication::activeModalWidget());
        ASSERT_TRUE(shown);
        seen = true;
        EXPECT_EQ(shown->frequencyEdit().value(), 777) << "read silently at opening";
        shown->channelButton(0).click();
        EXPECT_EQ(shown->peakFrequency(), 781) << "bin 40 of a capture 0.2 ms apart";
        shown->reject();
    });
    // Connected, the button waits for a completed capture; the loaded file
    // is analysed through the command itself.
    EXPECT_FALSE(window->fftButton().isEnabled());
    window->OnFft();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(dialog().firstReadDone()) << "the next showing reads silently again";
}

TEST_F(NotchFilter, AResonanceReadsItsFrequencyWhateverTheCapturesSamplingPeriod)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    std::uint8_t status = 1;
    drive->link().WrSgRegister(4182, 1, &status); // servo on
    ASSERT_EQ(status, 0);
    // Each below half its sampling rate (500 Hz at period 5).
    for (auto [period, hz] : {std::pair{1, 600}, {2, 600}, {5, 300}}) {
        sim->setResonance(true, hz);
        ASSERT_TRUE(captureRipple(period));
        // The next capture must not be the one analysed: the FFT looks at
        // the capture on show, taken with `period`.
        window->periodEdit().setValue(7);
        int shown = 0;
        QString label;
        QTimer::singleShot(0, [&] {
            auto *fft = qobject_cast<CNotchFilterDlg *>(QApplication::activeModalWidget());
            ASSERT_TRUE(fft);
            QTest::mouseClick(&fft->channelButton(0), Qt::LeftButton);
            shown = fft->highFrequencyField().text().toInt();
            const std::size_t bin = static_cast<std::size_t>(
                std::max_element(fft->spectra()[0].begin() + 2, fft->spectra()[0].end()) - fft->spectra()[0].begin());
            label = fft->chart().label(static_cast<int>(bin) + 1);
            fft->reject();
        });
        QTest::mouseClick(&window->fftButton(), Qt::LeftButton);
        const double binWidth = 1.0 / (256 * graphs::captureSamplePeriod(period));
        EXPECT_NEAR(shown, hz, binWidth / 2 + 1) << "period " << period;
        EXPECT_EQ(label, QString::number(shown) + " ") << "the peak's label is the frequency read out";
    }
#endif
}

TEST_F(NotchFilter, AResonanceFoundWithFftIsSuppressedByTheNotchWrittenOnIt)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    sim->setResonance(true, 600);
    std::uint8_t status = 1;
    drive->link().WrSgRegister(4182, 1, &status); // servo on
    ASSERT_EQ(status, 0);

    const auto capture = [&] {
        const int before = window->capturesShown();
        window->channelLists().setIndices({1, 0, 0, 0});
        window->sourceList().setCurrentIndex(6); // the DC link's ripple
        window->edgeList().setCurrentIndex(1);
        window->levelEdit().setValue(3105);
        window->applyButton().click();
        window->startButton().click();
        EXPECT_TRUE(test::pumpUntil([&] { return window->capturesShown() > before && !window->isWorkerRunning(); }, 5s));
        return window->computeSpectra();
    };

    CNotchFilterDlg &d = dialog();
    d.setDriveConnection(drive.get());
    d.setSpectra(capture(), graphs::captureSamplePeriod(1));
    d.OnInitDialog();
    d.channelButton(0).click();
    const int found = d.peakFrequency();
    EXPECT_NEAR(found, 600, 40) << "the strongest frequency is the resonance's";
    const double before = d.peakAmplitude().toDouble();
    EXPECT_GT(before, 1.0);

    d.useEdit().setValue(1);
    d.frequencyEdit().setValue(600);
    d.bandwidthEdit().setValue(100);
    messages.answerNext(true);
    d.writeButton().click();
    d.OnDestroy();
    EXPECT_EQ(messages.texts().back(), "Write Success...!");

    const auto after = capture();
    double near = 0;
    for (std::size_t k = 28; k <= 34; ++k)
        near = std::max(near, after[0][k]);
    EXPECT_LT(near, before / 5) << "the notch takes the resonance out";
#endif
}

// --- the peak into the notch, the dB scale, the range shown --------------------

// `x` of bin 40 of a 0.2 ms capture: 781 Hz.
std::array<int, 256> sineOfBin(int bin, int amplitude = 500, int firstSamples = 256)
{
    std::array<int, 256> x{};
    for (int n = 0; n < firstSamples; ++n)
        x[static_cast<std::size_t>(n)] =
            static_cast<int>(std::lround(amplitude * std::sin(2 * std::numbers::pi * bin * n / 256.0)));
    return x;
}

TEST_F(NotchFilter, UsePeakFillsTheFrequencyEditAndTheDriveKeepsItsNotchUntilWrite)
{
    writeNotchRegisters(0, 777, 33);
    spectraOf(sineOfBin(40));
    bool seen = false;
    test::whenSpectrumShown(
        [&](CNotchFilterDlg &fft) {
            EXPECT_FALSE(fft.usePeakButton().isEnabled()) << "no peak before a channel is shown";
            QTest::mouseClick(&fft.channelButton(0), Qt::LeftButton);
            ASSERT_TRUE(fft.usePeakButton().isEnabled());
            QTest::mouseClick(&fft.usePeakButton(), Qt::LeftButton);
            EXPECT_EQ(fft.frequencyEdit().value(), 781) << "the peak shown";
            EXPECT_EQ(reg(176), 777) << "nothing is written before Write";
            EXPECT_EQ(reg(174), 0);
            QTest::mouseClick(&fft.writeButton(), Qt::LeftButton);
            EXPECT_EQ(reg(176), 781);
            EXPECT_EQ(reg(178), 33) << "the bandwidth as it was";
        },
        seen);
    window->OnFft();
    EXPECT_TRUE(seen);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Write Success...!"});
}

TEST_F(NotchFilter, TheSpectrumFillsItsChartWithFrequencyTicksThatDoNotOverlap)
{
    spectraOf(sineOfBin(40));
    for (QSize size : {QSize(1000, 620), QSize(1360, 700)}) {
        bool seen = false;
        test::whenSpectrumShown(
            [&](CNotchFilterDlg &fft) {
                fft.resize(size);
                QTest::mouseClick(&fft.channelButton(0), Qt::LeftButton);
                ASSERT_TRUE(test::pumpUntil([&] { return fft.chart().plotWidget()->width() > 500; }, 5s));
                fft.chart().redraw();
                QWidget &plot = *fft.chart().plotWidget();
                ASSERT_TRUE(test::pumpUntil([&] { return !fft.chart().timeTickLabelRects().empty(); }, 5s));
                EXPECT_GT(fft.chart().plotArea().width(), plot.width() / 2) << "at " << size.width();
                const std::vector<QRect> labels = fft.chart().timeTickLabelRects();
                for (std::size_t i = 1; i < labels.size(); ++i)
                    EXPECT_GT(labels[i].left(), labels[i - 1].right() + 2) << "labels " << i << " at " << size.width();
                const auto labelled = labels.size();
                EXPECT_GE(labelled, 4u) << "enough frequencies to read the axis by";
            },
            seen);
        window->OnFft();
        EXPECT_TRUE(seen);
    }
}

TEST_F(NotchFilter, CtrlWClosesTheWindowAsItsCloseBoxWould)
{
    spectraOf(sineOfBin(40));
    bool seen = false;
    bool closed = false;
    test::whenSpectrumShown(
        [&](CNotchFilterDlg &fft) {
            QTest::keyClick(fft.windowHandle(), Qt::Key_W, Qt::ControlModifier);
            closed = !fft.isVisible();
        },
        seen);
    window->OnFft();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(closed);
}

TEST_F(NotchFilter, UsePeakFillsOnlyWhatTheCapturesSamplingCanHaveMeasured)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    std::uint8_t status = 1;
    drive->link().WrSgRegister(4182, 1, &status); // servo on
    ASSERT_EQ(status, 0);
    sim->setResonance(true, 600);
    // At 2 ms the drive's 600 Hz folds back to 100 Hz, a peak that is no resonance.
    for (auto [period, fills] : {std::pair{1, true}, {10, false}}) {
        writeNotchRegisters(0, 777, 33);
        messages.clear();
        ASSERT_TRUE(captureRipple(period));
        bool seen = false;
        int filled = 0;
        test::whenSpectrumShown(
            [&](CNotchFilterDlg &fft) {
                QTest::mouseClick(&fft.channelButton(0), Qt::LeftButton);
                ASSERT_TRUE(fft.usePeakButton().isEnabled()) << "period " << period;
                QTest::mouseClick(&fft.usePeakButton(), Qt::LeftButton);
                filled = fft.frequencyEdit().value().value_or(-1);
            },
            seen);
        window->OnFft();
        ASSERT_TRUE(seen);
        if (fills) {
            EXPECT_NEAR(filled, 600, 10) << "the resonance";
            EXPECT_TRUE(messages.texts().empty());
        } else {
            EXPECT_EQ(filled, 777) << "the edit keeps the drive's value";
            ASSERT_EQ(messages.texts().size(), 1u);
            EXPECT_NE(messages.texts().front().find("up to 250 Hz only"), std::string::npos) << messages.texts().front();
        }
        EXPECT_EQ(reg(176), 777) << "nothing is written before Write";
    }
#endif
}

TEST_F(NotchFilter, APeakAboveTheNotchRangeIsRefusedAndTheEditKept)
{
    writeNotchRegisters(0, 777, 33);
    spectraOf(sineOfBin(64)); // 1250 Hz, beyond the notch's 1000 Hz
    bool seen = false;
    test::whenSpectrumShown(
        [&](CNotchFilterDlg &fft) {
            QTest::mouseClick(&fft.channelButton(0), Qt::LeftButton);
            QTest::mouseClick(&fft.usePeakButton(), Qt::LeftButton);
            EXPECT_EQ(fft.frequencyEdit().value(), 777);
        },
        seen);
    window->OnFft();
    EXPECT_TRUE(seen);
    ASSERT_EQ(messages.texts().size(), 1u);
    EXPECT_NE(messages.texts().front().find("1250 Hz"), std::string::npos) << messages.texts().front();
    EXPECT_EQ(reg(176), 777);
}

TEST_F(NotchFilter, TheLogOptionPlotsDecibelsAndBack)
{
    spectraOf(sineOfBin(40));
    bool seen = false;
    test::whenSpectrumShown(
        [&](CNotchFilterDlg &fft) {
            QTest::mouseClick(&fft.channelButton(0), Qt::LeftButton);
            const double linear = fft.spectra()[0][40];
            EXPECT_DOUBLE_EQ(fft.chart().value(0, 41), linear);
            QTest::keyClick(&fft.logBox(), Qt::Key_Space);
            ASSERT_TRUE(fft.isLogarithmic());
            EXPECT_NEAR(fft.chart().value(0, 41), 20 * std::log10(linear), 1e-9);
            EXPECT_EQ(fft.highFrequencyField().text(), "781") << "the read-out stays";
            EXPECT_GE(fft.chart().valueView().second, 20 * std::log10(linear)) << "the dB scale holds the peak";
            QTest::keyClick(&fft.logBox(), Qt::Key_Space);
            EXPECT_DOUBLE_EQ(fft.chart().value(0, 41), linear);
        },
        seen);
    window->OnFft();
    EXPECT_TRUE(seen);
}

TEST_F(NotchFilter, TheSpectrumOfTheRangeShownIsOfThoseSamplesOnly)
{
    // 500 Hz (bin 25.6 of 256 at 0.2 ms) in the first 100 samples only.
    std::array<int, 256> x{};
    for (int n = 0; n < 100; ++n)
        x[static_cast<std::size_t>(n)] = static_cast<int>(std::lround(800 * std::sin(2 * std::numbers::pi * 500 * n * 0.0002)));
    spectraOf(x);
    window->resize(1000, 600);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    CChartView &chart = window->chart();
    test::turnWheel(chart, 6, Qt::ControlModifier); // zoomed in about the middle
    QTest::keyClick(chart.plotWidget(), Qt::Key_Home); // to the capture's start
    const auto [first, last] = chart.timeView();
    ASSERT_DOUBLE_EQ(first, 0);
    ASSERT_LT(last, 110);
    ASSERT_GT(last, 60);

    bool seen = false;
    std::size_t length = 0;
    int peak = 0;
    test::whenSpectrumShown(
        [&](CNotchFilterDlg &fft) {
            length = fft.inputLength();
            QTest::mouseClick(&fft.channelButton(0), Qt::LeftButton);
            peak = fft.peakFrequency();
        },
        seen);
    ASSERT_TRUE(test::chooseFromChartMenu(chart, "Spectrum of Shown Range..."));
    ASSERT_TRUE(test::pumpUntil([&] { return seen; }, 3s));
    EXPECT_LE(length, static_cast<std::size_t>(last) + 1);
    EXPECT_GE(length, static_cast<std::size_t>(last * 0.8));
    const double binWidth = 1.0 / (static_cast<double>(length) * 0.0002);
    EXPECT_NEAR(peak, 500, binWidth / 2 + 1) << "bins k / (N T) of the samples shown";
}

} // namespace
} // namespace tarvex
