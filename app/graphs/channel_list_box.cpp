#include "app/graphs/channel_list_box.h"

#include "drive/capture/channel_catalog.h"

#include <QComboBox>

namespace tarvex::graphs {

void fillChannelList(QComboBox &list)
{
    list.clear();
    for (std::string_view name : kChannelNames)
        list.addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    list.setCurrentIndex(kNotUsed);
}

QString channelEntryText(int index)
{
    const std::string_view name = kChannelNames[static_cast<std::size_t>(clampListIndex(index, kChannelEntries))];
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

} // namespace tarvex::graphs
