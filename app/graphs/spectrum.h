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

// Frequency shown for bin k, which is plotted as point k + 1: (k + 1) * 2500 / 128 Hz.
constexpr int binFrequency(int bin) { return (bin + 1) * 2500 / 128; }

struct SpectrumPeak {
    int frequencyHz = 0;          // 0 when nothing stands above the noise floor
    std::string amplitude = "0.00"; // "%.2f" of the peak magnitude
    int bin = -1;
};

// The strongest bin from 2 up (the lowest bins hold the signal's mean);
// the first of equal maxima wins.
SpectrumPeak findPeak(const Spectrum &spectrum);

} // namespace tarvex::graphs
