// The four channel selections of the capture windows: labels "Channel 1"
// to "Channel 4" in the channels' colours (red, green, blue, magenta), each
// with the drop-down list of the 17 drive quantities.
#pragma once

#include "app/graphs/graph_window_parts.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cstddef>
#include <string_view>

class QComboBox;
class QLabel;

namespace tarvex::graphs {

class CChannelLists : public QWidget {
    Q_OBJECT
public:
    explicit CChannelLists(QWidget *parent = nullptr);

    QComboBox *list(int channel) const { return lists_[static_cast<std::size_t>(channel)]; }
    QLabel *label(int channel) const { return labels_[static_cast<std::size_t>(channel)]; }

    // The list index of a channel (always within the list).
    int index(int channel) const;
    std::array<int, 4> indices() const;
    // The entry texts of the current selections.
    std::array<QString, 4> names() const;
    // Selects entries; an index outside the list selects "Not Use".
    void setIndices(const std::array<int, 4> &indices);

private:
    std::array<QComboBox *, 4> lists_{};
    std::array<QLabel *, 4> labels_{};
};

} // namespace tarvex::graphs
