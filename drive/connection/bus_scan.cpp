#include "drive/connection/bus_scan.h"

namespace tarvex {

namespace {

constexpr std::int32_t kQuickRead = 0;

} // namespace

std::vector<FoundDrive> scanBus(DriveConnection &drive, const std::vector<std::uint8_t> &nodes,
                                const std::function<bool(std::size_t asked)> &goOn)
{
    std::vector<FoundDrive> found;
    if (!drive.isLinkOpen())
        return found;
    const LinkSettings before = drive.settings();
    const LinkLibrary &link = drive.link();
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (goOn && !goOn(i))
            break;
        LinkSettings asked = before;
        asked.node = nodes[i];
        drive.storeSettings(asked);
        if (!drive.InitLink())
            break;
        std::uint8_t first[2] = {0, 0};
        std::uint8_t second[2] = {0, 0};
        std::uint8_t status = VQ_STATUS_NOT_ATTEMPTED;
        {
            BusyScope busy(drive.generalBusy);
            link.RdSgRegister(drive_register::kVersionFirst, first, &status, kQuickRead);
            if (status == VQ_STATUS_OK)
                link.RdSgRegister(drive_register::kVersionSecond, second, &status, kQuickRead);
        }
        // Only a whole answer counts: a reply from another address (status
        // 3) is a second drive set to the same node, not this node's text.
        if (status == VQ_STATUS_OK)
            found.push_back({nodes[i], versionTextOf(first, second)});
    }
    drive.storeSettings(before);
    drive.InitLink();
    return found;
}

} // namespace tarvex
