#include "spectrum.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace tarvex::graphs {
namespace {

using Complex = std::complex<double>;

int smallestFactor(int length)
{
    for (int f = 2; f * f <= length; ++f)
        if (length % f == 0)
            return f;
    return length;
}

// Transforms `length` elements of `in` (stride 1) into `out`; `angle` is the
// base angle -2 pi / length of this level.
void transform(const Complex *in, Complex *out, int length, double angle)
{
    if (length == 1) {
        out[0] = in[0];
        return;
    }
    const int f = smallestFactor(length);
    const int m = length / f;
    std::vector<Complex> work(static_cast<std::size_t>(length));
    for (int i = 0; i < m; ++i) {
        for (int j = 0; j < f; ++j) {
            // The f-point sum over i, i + m, ..., i + (f - 1) m, then the
            // twiddle factor of angle a * j * i.
            Complex sum = 0.0;
            for (int k = 0; k < f; ++k)
                sum += in[i + k * m] * std::polar(1.0, angle * m * j * k);
            work[static_cast<std::size_t>(i + j * m)] = sum * std::polar(1.0, angle * j * i);
        }
    }
    std::vector<Complex> blocks(static_cast<std::size_t>(length));
    for (int j = 0; j < f; ++j)
        transform(&work[static_cast<std::size_t>(j * m)], &blocks[static_cast<std::size_t>(j * m)], m, angle * f);
    for (int j = 0; j < f; ++j)
        for (int i = 0; i < m; ++i)
            out[i * f + j] = blocks[static_cast<std::size_t>(j * m + i)];
}

} // namespace

std::vector<Complex> fourierTransform(const std::vector<Complex> &input)
{
    std::vector<Complex> output(input.size());
    if (!input.empty())
        transform(input.data(), output.data(), static_cast<int>(input.size()),
                  -2.0 * std::numbers::pi / static_cast<double>(input.size()));
    return output;
}

Spectrum amplitudeSpectrum(const std::array<double, kSpectrumInput> &samples)
{
    std::vector<Complex> windowed(kSpectrumInput);
    for (int n = 0; n < kSpectrumInput; ++n) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / 255.0);
        windowed[static_cast<std::size_t>(n)] = samples[static_cast<std::size_t>(n)] * w;
    }
    const auto x = fourierTransform(windowed);
    Spectrum magnitudes{};
    for (int k = 0; k < kSpectrumBins; ++k)
        magnitudes[static_cast<std::size_t>(k)] = std::abs(x[static_cast<std::size_t>(k)]) / kSpectrumInput;
    return magnitudes;
}

SpectrumPeak findPeak(const Spectrum &spectrum)
{
    SpectrumPeak peak;
    double best = 0.0001;
    for (int k = 2; k < kSpectrumBins; ++k) {
        if (spectrum[static_cast<std::size_t>(k)] > best) {
            best = spectrum[static_cast<std::size_t>(k)];
            peak.bin = k;
        }
    }
    if (peak.bin < 0)
        return peak;
    peak.frequencyHz = binFrequency(peak.bin);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(static_cast<float>(best)));
    peak.amplitude = text;
    return peak;
}

} // namespace tarvex::graphs
