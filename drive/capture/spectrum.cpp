#include "drive/capture/spectrum.h"

#include "drive/text/number_text.h"

#include <algorithm>
#include <cmath>
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

// The unit roots exp(-2 pi i t / n) of a transform of length n; every angle
// of the recursion below is a whole multiple of 2 pi / n, so each factor is
// looked up instead of computed again.
const std::vector<Complex> &unitRoots(std::size_t n)
{
    thread_local std::vector<Complex> roots;
    if (roots.size() != n) {
        roots.resize(n);
        for (std::size_t t = 0; t < n; ++t)
            roots[t] = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(t) / static_cast<double>(n));
    }
    return roots;
}

// Transforms `length` elements of `in` (stride 1) into `out`. The level's
// base angle a = -2 pi / length is the root step `step` = n / length of the
// table; `scratch` holds 2 x length elements for this level and whatever
// the levels below need after them.
void transform(const Complex *in, Complex *out, int length, std::size_t step, const std::vector<Complex> &roots,
               Complex *scratch)
{
    if (length == 1) {
        out[0] = in[0];
        return;
    }
    const std::size_t n = roots.size();
    const int f = smallestFactor(length);
    const int m = length / f;
    Complex *work = scratch;
    Complex *blocks = scratch + length;
    const auto root = [&](std::size_t multiple) { return roots[(step * multiple) % n]; };
    for (int i = 0; i < m; ++i) {
        for (int j = 0; j < f; ++j) {
            // The f-point sum over i, i + m, ..., i + (f - 1) m with the
            // angle step a j (times m), then the twiddle factor of angle a j i.
            const auto sj = static_cast<std::size_t>(j);
            Complex sum = 0.0;
            for (int k = 0; k < f; ++k)
                sum += in[i + k * m] * root(static_cast<std::size_t>(m) * sj * static_cast<std::size_t>(k));
            work[i + j * m] = sum * root(sj * static_cast<std::size_t>(i));
        }
    }
    // Each of the f blocks of length m with the angle step a f.
    for (int j = 0; j < f; ++j)
        transform(&work[j * m], &blocks[j * m], m, step * static_cast<std::size_t>(f), roots, scratch + 2 * length);
    for (int j = 0; j < f; ++j)
        for (int i = 0; i < m; ++i)
            out[i * f + j] = blocks[j * m + i];
}

} // namespace

std::vector<Complex> fourierTransform(const std::vector<Complex> &input)
{
    std::vector<Complex> output(input.size());
    if (input.empty())
        return output;
    // Every level needs twice its length; the lengths at least halve.
    std::vector<Complex> scratch(4 * input.size());
    transform(input.data(), output.data(), static_cast<int>(input.size()), 1, unitRoots(input.size()), scratch.data());
    return output;
}

std::vector<double> amplitudeSpectrumOf(const std::vector<double> &samples)
{
    const std::size_t n = samples.size();
    if (n < 2)
        return {};
    std::vector<Complex> windowed(n);
    const double divisor = static_cast<double>(n - 1);
    for (std::size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / divisor);
        windowed[i] = samples[i] * w;
    }
    const auto x = fourierTransform(windowed);
    std::vector<double> magnitudes(n / 2);
    for (std::size_t k = 0; k < magnitudes.size(); ++k)
        magnitudes[k] = std::abs(x[k]) / static_cast<double>(n);
    return magnitudes;
}

Spectrum amplitudeSpectrum(const std::array<double, kSpectrumInput> &samples)
{
    const std::vector<double> magnitudes = amplitudeSpectrumOf(std::vector<double>(samples.begin(), samples.end()));
    Spectrum spectrum{};
    std::copy(magnitudes.begin(), magnitudes.end(), spectrum.begin());
    return spectrum;
}

std::size_t spectrumLength(std::size_t available)
{
    std::size_t best = 0;
    const std::size_t limit = std::min(available, kLongestSpectrumInput);
    for (std::size_t a = 1; a <= limit; a *= 2)
        for (std::size_t b = a; b <= limit; b *= 3)
            for (std::size_t c = b; c <= limit; c *= 5)
                best = std::max(best, c);
    return best < 2 ? 0 : best;
}

double captureSamplePeriod(int period) { return std::max(1, period) * 0.0002; }

int binFrequencyOf(int bin, std::size_t inputLength, double samplePeriod)
{
    return static_cast<int>(std::lround(bin / (static_cast<double>(inputLength) * samplePeriod)));
}

int binFrequency(int bin, double samplePeriod) { return binFrequencyOf(bin, kSpectrumInput, samplePeriod); }

SpectrumPeak findPeakOf(const std::vector<double> &spectrum, std::size_t inputLength, double samplePeriod)
{
    SpectrumPeak peak;
    double best = 0.0001;
    // The lowest bins hold the signal's mean and its drift, spread over the
    // first two by the window; in a long run more bins than these lie below
    // 1 Hz, where no resonance is, and would read as a peak at "0 Hz".
    const double binsPerHz = static_cast<double>(inputLength) * samplePeriod;
    const auto first = std::max<std::size_t>(2, static_cast<std::size_t>(std::ceil(binsPerHz * 0.5)));
    for (std::size_t k = first; k < spectrum.size(); ++k) {
        if (spectrum[k] > best) {
            best = spectrum[k];
            peak.bin = static_cast<int>(k);
        }
    }
    if (peak.bin < 0)
        return peak;
    peak.frequencyHz = binFrequencyOf(peak.bin, inputLength, samplePeriod);
    peak.amplitude = fixedText(static_cast<double>(static_cast<float>(best)), 2);
    return peak;
}

SpectrumPeak findPeak(const Spectrum &spectrum, double samplePeriod)
{
    return findPeakOf(std::vector<double>(spectrum.begin(), spectrum.end()), kSpectrumInput, samplePeriod);
}

} // namespace tarvex::graphs
