// The spectra "FFT" computes from a trigger capture: four channels of 256
// samples, each Hann-windowed, transformed and reduced to 128 magnitudes.
//
//   captures_spectrum_bench [--quick] [rounds]    (default 2000, quick 200; target under 1 ms for the four)
#include "bench/bench_run.h"
#include "drive/capture/spectrum.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <vector>

int main(int argc, char **argv)
{
    using Clock = std::chrono::steady_clock;
    const bool quick = tarvex::bench::takeQuickFlag(argc, argv);
    const int rounds = argc > 1 ? std::clamp(std::atoi(argv[1]), 10, 1000000) : quick ? 200 : 2000;

    // Four captured channels as the window holds them: 16-bit samples.
    std::array<std::array<std::int16_t, 256>, 4> display{};
    for (std::size_t c = 0; c < 4; ++c)
        for (std::size_t n = 0; n < 256; ++n)
            display[c][n] = static_cast<std::int16_t>(
                std::lround(1000 * std::sin(2 * std::numbers::pi * (30.0 + 10.0 * static_cast<double>(c)) *
                                            static_cast<double>(n) / 256.0) +
                            37 * std::cos(static_cast<double>(n * (c + 3)))));

    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(rounds));
    double sink = 0;
    for (int r = 0; r < rounds; ++r) {
        const auto begin = Clock::now();
        std::array<tarvex::graphs::Spectrum, 4> spectra{};
        for (std::size_t c = 0; c < 4; ++c) {
            std::array<double, tarvex::graphs::kSpectrumInput> samples{};
            for (std::size_t n = 0; n < 256; ++n)
                samples[n] = display[c][n];
            spectra[c] = tarvex::graphs::amplitudeSpectrum(samples);
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - begin).count());
        sink += spectra[static_cast<std::size_t>(r) % 4][40];
    }
    // Channel 1's sine peaks in bin 40: nothing there means nothing was transformed.
    if (!std::isfinite(sink) || !(sink > 0))
        return tarvex::bench::cannotMeasure("the spectra came out empty (check %.3f)", sink / rounds);
    std::sort(micros.begin(), micros.end());
    double mean = 0;
    for (double m : micros)
        mean += m;
    mean /= static_cast<double>(micros.size());
    std::printf("spectrum of four channels (Hann, 256-point transform, 128 magnitudes), %d rounds "
                "(target under 1000 us)\n", rounds);
    std::printf("  mean %.1f us, median %.1f us, 99th percentile %.1f us, worst %.1f us (check %.3f)\n", mean,
                micros[micros.size() / 2], micros[micros.size() * 99 / 100], micros.back(), sink / rounds);
    return 0;
}
