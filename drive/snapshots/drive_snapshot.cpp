#include "drive/snapshots/drive_snapshot.h"

#include "drive/parameters/parameter_catalogue.h"
#include "drive/parameters/parameter_groups.h"

namespace tarvex::snapshots {

using namespace parameters;

std::optional<DriveSettings> readDriveSettings(DriveConnection &drive, const CParameter::LinkRunner &runner)
{
    // A service and catalogue of its own: the caller's images and grids
    // keep what the user sees and edits.
    CParameter service(&drive);
    service.setLinkRunner(runner);
    ParameterCatalogue catalogue;
    const std::vector<int> groups = readOrder(service.factoryGroupShown());
    for (int g : groups) {
        GroupCatalogue &group = catalogue.groups[static_cast<std::size_t>(g)];
        if (!loadGroupCatalogue(drive.database(), g, group, drive.messages()))
            return std::nullopt;
        const int first = drive.database().GetFrPrmAddrInGrp(g);
        service.setGroupLayout(g, static_cast<std::uint16_t>(first & 0xFFFF), group.registerCount);
        if (!service.isGroupReady(g)) {
            drive.messages().show(kGroupTexts[static_cast<std::size_t>(g)].readError,
                                  "The parameter list gives this group no registers to read.");
            return std::nullopt;
        }
    }
    std::uint8_t status = 0;
    if (service.ReadAllGroups(status) != parameter_result::kSuccess)
        return std::nullopt; // the failing group was reported
    const std::optional<std::uint16_t> version = service.ReadVersionRegister();
    const std::string versionText = version ? driveVersionText(*version) : std::string();

    DriveSettings settings;
    settings.versionText = drive.versionText();
    for (int g : fileGroupOrder(service.factoryGroupShown())) {
        const GroupCatalogue &group = catalogue.groups[static_cast<std::size_t>(g)];
        const auto &image = service.image(g);
        int offset = 0;
        for (int k = 0; k < group.count(); ++k) {
            const ParameterAttribute &p = group.attributes[static_cast<std::size_t>(k)];
            const int width = registersOf(p.Param_Bit_Type);
            if (offset + width > CParameter::kImageWords)
                break; // the catalogue check keeps a group within one block
            const std::uint16_t first = image[static_cast<std::size_t>(offset)];
            const std::uint16_t second = width == 2 ? image[static_cast<std::size_t>(offset + 1)] : std::uint16_t{0};
            const std::string value =
                readAllText(g, k, {p.Param_DataType, p.Param_Bit_Type}, first, second, versionText);
            settings.lines.push_back({text(p.Param_Num), text(p.Servo_ID), value});
            settings.names.push_back(text(p.Param_Name));
            if (g == kGroupStatus)
                ++settings.statusLines;
            offset += width;
        }
    }
    return settings;
}

std::optional<Snapshot> takeSnapshot(DriveConnection &drive, const std::string &reason,
                                     const CParameter::LinkRunner &runner, SnapshotStore *store)
{
    const std::optional<DriveSettings> settings = readDriveSettings(drive, runner);
    if (!settings)
        return std::nullopt;
    SnapshotStore userStore(defaultSnapshotFolder());
    SnapshotStore &target = store ? *store : userStore;
    const LinkPlace place = drive.place();
    const SnapshotHeader header{utcTimeText(), reason, settings->versionText, place.node, place.port};
    SnapshotStore::Saving saving = target.save(header, settings->versionText, settings->lines);
    if (!saving.snapshot) {
        drive.messages().show(kCannotSaveSnapshot, saving.problem);
        return std::nullopt;
    }
    return saving.snapshot;
}

bool hasParameterList(DriveConnection &drive)
{
    return drive.database().isLoaded() && drive.database().GetAllParamCnt() > 0;
}

BeforeChange keepSnapshotBeforeChange(DriveConnection &drive, const std::string &reason,
                                      const CParameter::LinkRunner &runner, SnapshotStore *store)
{
    BeforeChange decision;
    decision.snapshot = takeSnapshot(drive, reason, runner, store);
    decision.go = decision.snapshot || drive.messages().ask(kSnapshotFailed, kSnapshotCaption);
    return decision;
}

bool snapshotBeforeChange(DriveConnection &drive, const std::string &reason, const CParameter::LinkRunner &runner,
                          SnapshotStore *store)
{
    return keepSnapshotBeforeChange(drive, reason, runner, store).go;
}

} // namespace tarvex::snapshots

namespace tarvex::snapshots {

std::optional<std::vector<SnapshotDifference>> compareWithDrive(DriveConnection &drive, const Snapshot &snapshot,
                                                                const CParameter::LinkRunner &runner)
{
    const std::optional<DriveSettings> settings = readDriveSettings(drive, runner);
    if (!settings)
        return std::nullopt;
    std::vector<std::string> numbers;
    for (const ParameterLine &line : settings->lines)
        numbers.push_back(line.number);
    const ParameterFileReading reading = loadParameterFile(snapshot.parameterFile, numbers);
    if (!reading.contents) {
        drive.messages().show("Cannot Open Parameter File", snapshot.parameterFile + ": " + reading.problem);
        return std::nullopt;
    }
    if (!reading.contents->mismatches.empty()) {
        const NumberMismatch &m = reading.contents->mismatches.front();
        drive.messages().show("Parameter File does not match the Parameter List",
                              snapshot.parameterFile + ": line " + std::to_string(m.position + 1) + " holds " +
                                  m.inFile + " where the parameter list has " + m.inCatalogue +
                                  ". The snapshot was kept for other parameters.");
        return std::nullopt;
    }
    std::vector<SnapshotDifference> out;
    for (const LoadedValue &v : reading.contents->values) {
        if (v.position < 0 || static_cast<std::size_t>(v.position) >= settings->lines.size() ||
            static_cast<std::size_t>(v.position) < settings->statusLines)
            continue;
        const auto at = static_cast<std::size_t>(v.position);
        const ParameterLine &line = settings->lines[at];
        if (line.value != v.value)
            out.push_back({line.number, line.subIndex, settings->names[at], line.value, v.value});
    }
    return out;
}

} // namespace tarvex::snapshots
