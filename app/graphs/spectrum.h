// Amplitude spectrum of a 256-sample capture, for setting the notch filter
// against a mechanical resonance: Hann window, 256-point Fourier transform,
// magnitudes of the first 128 bins, and the search for the strongest one.
#pragma once

#include <array>
#include <complex>
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

// The time between two samples of a trigger capture taken with `period`
// (units of 0.2 ms); the drive samples a period of 0 as 1.
double captureSamplePeriod(int period);

// The frequency of bin k of the kSpectrumInput-point transform of samples
// taken every `samplePeriod` seconds, k / (N * T), to the nearest hertz.
int binFrequency(int bin, double samplePeriod);

struct SpectrumPeak {
    int frequencyHz = 0;            // the peak bin's frequency; 0 when nothing stands above the noise floor
    std::string amplitude = "0.00"; // the peak magnitude with two decimals
    int bin = -1;
};

// The strongest bin from 2 up (the lowest bins hold the signal's mean);
// the first of equal maxima wins. The samples were taken every
// `samplePeriod` seconds.
SpectrumPeak findPeak(const Spectrum &spectrum, double samplePeriod);

} // namespace tarvex::graphs
