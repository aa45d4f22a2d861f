// Amplitude spectrum of a 256-sample capture (or of any run of samples), for setting the notch filter
// against a mechanical resonance: Hann window, 256-point Fourier transform,
// magnitudes of the first 128 bins, and the search for the strongest one.
#pragma once

#include <array>
#include <complex>
#include <cstddef>
#include <string>
#include <vector>

namespace tarvex::graphs {

inline constexpr int kSpectrumInput = 256;
inline constexpr int kSpectrumBins = 128;

using Spectrum = std::array<double, kSpectrumBins>;

// The discrete Fourier transform of `input`, computed by the recursive
// mixed-radix method: split the length by its smallest factor, transform the
// factor-point groups with their twiddles, recurse on the blocks.
std::vector<std::complex<double>> fourierTransform(const std::vector<std::complex<double>> &input);

// Hann-windowed (divisor 255) magnitudes |X[k]| / 256 for k = 0..127.
Spectrum amplitudeSpectrum(const std::array<double, kSpectrumInput> &samples);
// The same for N samples: Hann divisor N - 1, |X[k]| / N for k below N / 2.
std::vector<double> amplitudeSpectrumOf(const std::vector<double> &samples);

// The most samples a spectrum of a long run takes (its newest), so that the
// transform stays quick and the bins fit the chart.
inline constexpr std::size_t kLongestSpectrumInput = 8000;
// How many of `available` samples to transform: the largest length up to
// kLongestSpectrumInput whose factors are 2, 3 and 5 (a quick transform);
// 0 when there are fewer than two samples.
std::size_t spectrumLength(std::size_t available);

// The time between two samples of a trigger capture taken with `period`
// (units of 0.2 ms); the drive samples a period of 0 as 1.
double captureSamplePeriod(int period);

// The frequency of bin k of the kSpectrumInput-point transform of samples
// taken every `samplePeriod` seconds, k / (N * T), to the nearest hertz.
int binFrequency(int bin, double samplePeriod);
// The same for a transform of `inputLength` samples.
int binFrequencyOf(int bin, std::size_t inputLength, double samplePeriod);

struct SpectrumPeak {
    int frequencyHz = 0;            // the peak bin's frequency; 0 when nothing stands above the noise floor
    std::string amplitude = "0.00"; // the peak magnitude with two decimals
    int bin = -1;
};

// The strongest bin from 2 up (the lowest bins hold the signal's mean) and
// of at least 1 Hz;
// the first of equal maxima wins. The samples were taken every
// `samplePeriod` seconds.
SpectrumPeak findPeak(const Spectrum &spectrum, double samplePeriod);
SpectrumPeak findPeakOf(const std::vector<double> &spectrum, std::size_t inputLength, double samplePeriod);

} // namespace tarvex::graphs
