// "Y-Axis Setting": the eight axis limits of a graph window, as a maximum
// and a minimum for each monitor channel. Apply hands them back, Cancel
// leaves the window's limits alone.
#pragma once

#include "drive/capture/channel_scaling.h"

#include <QDialog>

#include <array>
#include <optional>

namespace tarvex {
class MessageService;
namespace graphs {
class IntegerEdit;
}
} // namespace tarvex

class CYaxisDlg : public QDialog {
    Q_OBJECT
public:
    explicit CYaxisDlg(QWidget *parent = nullptr);

    // Copies the limits into the edits, runs the dialog, and reports whether
    // it was closed with Apply (the applied indicator).
    bool edit(tarvex::graphs::ChannelLimits &limits, tarvex::MessageService *messages = nullptr);

    // The limits in the edits; nothing when an edit holds no whole number
    // within the axis bounds (reported when `messages` is given).
    std::optional<tarvex::graphs::ChannelLimits> limits(tarvex::MessageService *messages = nullptr) const;
    void setLimits(const tarvex::graphs::ChannelLimits &limits);
    bool applied() const { return applied_; }

    tarvex::graphs::IntegerEdit *maxEdit(int channel) const { return max_[static_cast<std::size_t>(channel)]; }
    tarvex::graphs::IntegerEdit *minEdit(int channel) const { return min_[static_cast<std::size_t>(channel)]; }
    void apply();
    void cancel();

private:
    std::array<tarvex::graphs::IntegerEdit *, 4> max_{};
    std::array<tarvex::graphs::IntegerEdit *, 4> min_{};
    bool applied_ = false;
    tarvex::MessageService *messages_ = nullptr;
};
