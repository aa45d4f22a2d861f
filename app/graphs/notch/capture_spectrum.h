// The spectrum of any capture, whole or the part of it shown, in the "FFT"
// window: the newest samples that make a quick transform (see
// spectrumLength), taken every `samplePeriod` seconds.
#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

namespace tarvex {

class CNotchFilterDlg;

namespace graphs {

// The positions of a capture of `count` points that lie in a view from
// `view.first` to `view.second`: [begin, end), empty when none.
std::pair<std::size_t, std::size_t> shownPositions(std::pair<double, double> view, std::size_t count);

// Computes the spectra of the four channels' `samples` and shows them in
// `dialog` modally; `what` names the samples in the window.
void presentSpectra(CNotchFilterDlg &dialog, const std::array<std::vector<double>, 4> &samples, double samplePeriod,
                    const QString &what);

} // namespace graphs
} // namespace tarvex
