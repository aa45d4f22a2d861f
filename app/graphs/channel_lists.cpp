#include "app/graphs/channel_lists.h"

#include "drive/capture/channel_catalog.h"
#include "app/graphs/channel_list_box.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

namespace tarvex::graphs {

CChannelLists::CChannelLists(QWidget *parent) : QWidget(parent)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int c = 0; c < 4; ++c) {
        auto *label = new QLabel(QStringLiteral("Channel %1").arg(c + 1), this);
        label->setStyleSheet(QStringLiteral("color: %1").arg(QLatin1String(channelColor(c))));
        auto *list = new QComboBox(this);
        fillChannelList(*list);
        list->setMinimumContentsLength(18);
        label->setBuddy(list);
        labels_[static_cast<std::size_t>(c)] = label;
        lists_[static_cast<std::size_t>(c)] = list;
        grid->addWidget(label, c, 0);
        grid->addWidget(list, c, 1);
    }
    grid->setColumnStretch(1, 1);
}

int CChannelLists::index(int channel) const
{
    return clampListIndex(list(channel)->currentIndex(), kChannelEntries);
}

std::array<int, 4> CChannelLists::indices() const
{
    std::array<int, 4> out{};
    for (int c = 0; c < 4; ++c)
        out[static_cast<std::size_t>(c)] = index(c);
    return out;
}

std::array<QString, 4> CChannelLists::names() const
{
    std::array<QString, 4> out;
    for (int c = 0; c < 4; ++c)
        out[static_cast<std::size_t>(c)] = channelEntryText(index(c));
    return out;
}

void CChannelLists::setIndices(const std::array<int, 4> &indices)
{
    for (int c = 0; c < 4; ++c)
        list(c)->setCurrentIndex(clampListIndex(indices[static_cast<std::size_t>(c)], kChannelEntries));
}

} // namespace tarvex::graphs
