// The channel drop-down list of the graph windows: the seventeen drive
// quantities in their fixed order, so that a list index is the index of
// kChannelNames (and channelCode() gives what the drive is sent).
#pragma once

#include <QString>

class QComboBox;

namespace tarvex::graphs {

// Replaces the list's entries by the channel names and selects entry 0 ("Not Use").
void fillChannelList(QComboBox &list);

// The entry text of a list index; "Not Use" for an index out of range.
QString channelEntryText(int index);

} // namespace tarvex::graphs
