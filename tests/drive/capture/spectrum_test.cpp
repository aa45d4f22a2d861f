// The spectrum against values computed independently here with a plain
// discrete Fourier transform.
#include "drive/capture/spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <utility>

using namespace tarvex::graphs;

namespace {

std::array<double, 256> reference(const std::array<double, 256> &x)
{
    std::array<double, 256> magnitude{};
    for (int k = 0; k < 256; ++k) {
        double re = 0, im = 0;
        for (int n = 0; n < 256; ++n) {
            const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * n / 255.0);
            re += x[n] * w * std::cos(2 * std::numbers::pi * n * k / 256.0);
            im -= x[n] * w * std::sin(2 * std::numbers::pi * n * k / 256.0);
        }
        magnitude[k] = std::sqrt(re * re + im * im) / 256.0;
    }
    return magnitude;
}

std::array<double, 256> sine(double hz, double sampleRate, double amplitude)
{
    std::array<double, 256> x{};
    for (int n = 0; n < 256; ++n)
        x[n] = amplitude * std::sin(2 * std::numbers::pi * hz * n / sampleRate);
    return x;
}

} // namespace

TEST(FourierTransform, EqualsThePlainTransformForEveryLength)
{
    for (int length : {1, 2, 3, 6, 7, 12, 256}) {
        std::vector<std::complex<double>> x(length);
        for (int n = 0; n < length; ++n)
            x[n] = {std::sin(n * 0.7) + n % 3, std::cos(n * 1.3)};
        const auto fast = fourierTransform(x);
        for (int k = 0; k < length; ++k) {
            std::complex<double> slow = 0;
            for (int n = 0; n < length; ++n)
                slow += x[n] * std::polar(1.0, -2 * std::numbers::pi * n * k / length);
            ASSERT_NEAR(std::abs(fast[k] - slow), 0.0, 1e-9) << "length " << length << " bin " << k;
        }
    }
}

TEST(AmplitudeSpectrum, MatchesTheReferenceForAMixedSignal)
{
    std::array<double, 256> x{};
    for (int n = 0; n < 256; ++n)
        x[n] = 300 + 120 * std::sin(n * 0.31) + 45 * std::cos(n * 1.9) + (n % 7);
    const Spectrum s = amplitudeSpectrum(x);
    const auto r = reference(x);
    for (int k = 0; k < 128; ++k)
        ASSERT_NEAR(s[k], r[k], 1e-9) << k;
}

TEST(AmplitudeSpectrum, AConstantPeaksAtBinZeroWhichTheSearchIgnores)
{
    std::array<double, 256> x{};
    x.fill(1000.0);
    const Spectrum s = amplitudeSpectrum(x);
    const auto r = reference(x);
    int largest = 0;
    for (int k = 0; k < 128; ++k) {
        ASSERT_NEAR(s[k], r[k], 1e-9);
        if (s[k] > s[largest])
            largest = k;
    }
    EXPECT_EQ(largest, 0);
    // The window's divisor of 255 leaves a little leakage above bin 1; the
    // search reports the strongest of it, exactly where the reference has it.
    int strongest = 2;
    for (int k = 2; k < 128; ++k)
        if (r[k] > r[strongest])
            strongest = k;
    EXPECT_EQ(findPeak(s, captureSamplePeriod(1)).bin, strongest);

    // A constant so small that nothing above bin 1 reaches the noise floor.
    x.fill(0.0001);
    const SpectrumPeak none = findPeak(amplitudeSpectrum(x), captureSamplePeriod(1));
    EXPECT_EQ(none.frequencyHz, 0);
    EXPECT_EQ(none.amplitude, "0.00");
    EXPECT_EQ(none.bin, -1);
}

TEST(AmplitudeSpectrum, A1250HzSineAtFiveKilohertzPeaksAtBin64)
{
    const auto x = sine(1250.0, 5000.0, 100.0);
    const Spectrum s = amplitudeSpectrum(x);
    const SpectrumPeak peak = findPeak(s, captureSamplePeriod(1));
    EXPECT_EQ(peak.bin, 64);
    EXPECT_EQ(peak.frequencyHz, 1250) << "bin 64 of 256 samples 0.2 ms apart";
    char expected[32];
    std::snprintf(expected, sizeof expected, "%.2f", static_cast<float>(reference(x)[64]));
    EXPECT_EQ(peak.amplitude, expected);
}

TEST(SpectrumPeak, TheLowerOfTwoEqualMaximaWins)
{
    Spectrum s{};
    s[10] = 5.0;
    s[40] = 5.0;
    s[1] = 99.0; // below index 2: ignored
    const SpectrumPeak peak = findPeak(s, captureSamplePeriod(1));
    EXPECT_EQ(peak.bin, 10);
    EXPECT_EQ(peak.frequencyHz, 195); // 10 / (256 x 0.2 ms)
    EXPECT_EQ(peak.amplitude, "5.00");
}

TEST(SpectrumLabels, AreTheTrueBinFrequenciesOfTheCapturesSamplingPeriod)
{
    EXPECT_EQ(binFrequency(0, captureSamplePeriod(1)), 0);
    EXPECT_EQ(binFrequency(1, captureSamplePeriod(1)), 20);
    EXPECT_EQ(binFrequency(127, captureSamplePeriod(1)), 2480);
    EXPECT_EQ(binFrequency(127, captureSamplePeriod(2)), 1240);
    EXPECT_EQ(binFrequency(64, captureSamplePeriod(5)), 250);
    EXPECT_EQ(captureSamplePeriod(0), captureSamplePeriod(1)) << "the drive samples a period of 0 as 1";
}

TEST(SpectrumPeak, AResonanceReadsItsOwnFrequencyAtEverySamplingPeriod)
{
    // Below half the sampling rate (500 Hz at period 5).
    for (auto [period, hz] : {std::pair{1, 600.0}, {2, 600.0}, {5, 300.0}}) {
        const double rate = 1.0 / captureSamplePeriod(period);
        const SpectrumPeak peak = findPeak(amplitudeSpectrum(sine(hz, rate, 100.0)), captureSamplePeriod(period));
        const double binWidth = rate / 256;
        EXPECT_NEAR(peak.frequencyHz, hz, binWidth / 2 + 1) << "period " << period;
    }
}
