#include "app/graphs/notch/capture_spectrum.h"

#include "app/graphs/notch/notch_filter_dlg.h"
#include "drive/capture/spectrum.h"

#include <algorithm>
#include <cmath>

namespace tarvex::graphs {

std::pair<std::size_t, std::size_t> shownPositions(std::pair<double, double> view, std::size_t count)
{
    const double first = std::max(0.0, std::ceil(view.first));
    const double last = std::min(static_cast<double>(count) - 1.0, std::floor(view.second));
    if (count == 0 || last < first)
        return {0, 0};
    return {static_cast<std::size_t>(first), static_cast<std::size_t>(last) + 1};
}

void presentSpectra(CNotchFilterDlg &dialog, const std::array<std::vector<double>, 4> &samples, double samplePeriod,
                    const QString &what)
{
    std::size_t available = 0;
    for (const auto &channel : samples)
        available = std::max(available, channel.size());
    const std::size_t length = spectrumLength(available);
    std::array<std::vector<double>, 4> spectra;
    for (std::size_t c = 0; c < 4; ++c) {
        // The newest samples; a channel without any is a flat line.
        std::vector<double> newest(length, 0.0);
        const std::vector<double> &channel = samples[c];
        const std::size_t take = std::min(length, channel.size());
        std::copy(channel.end() - static_cast<std::ptrdiff_t>(take), channel.end(),
                  newest.end() - static_cast<std::ptrdiff_t>(take));
        spectra[c] = length == 0 ? std::vector<double>(1, 0.0) : amplitudeSpectrumOf(newest);
    }
    const QString title = QStringLiteral("Spectrum of %1: %2 samples, %3 s")
                              .arg(what)
                              .arg(length)
                              .arg(static_cast<double>(length) * samplePeriod, 0, 'g', 4);
    dialog.setSpectra(spectra, samplePeriod, std::max<std::size_t>(length, 2), title);
    dialog.present();
}

} // namespace tarvex::graphs
