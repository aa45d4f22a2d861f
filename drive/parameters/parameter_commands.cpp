#include "drive/parameters/parameter_commands.h"

#include "drive/connection/drive_connection.h"
#include "drive/parameters/model/parameter_display.h"
#include "drive/parameters/model/parameter_file.h"
#include "drive/parameters/parameter_text.h"
#include "drive/parameters/model/write_rules.h"
#include "vq_communication.h"

#include <algorithm>

namespace tarvex::parameters {

namespace {

using namespace parameter_result;

constexpr const char *kRangeError = "Error Parameter Range..!";
constexpr const char *kNothingChecked = "There isn't Checked Parameter!!!";
constexpr const char *kLockMessage = " Parameter Lock ! Click P.UnLock or Check CN-16";
constexpr const char *kPowerCycleSuccess = " Write Success, You need to on/off control power!";
constexpr const char *kAllWriteSuccess = "Write Success, You need to on/off control power!";
constexpr const char *kTwoValuesForOneRegister = "Two Values for One Register..!";
constexpr const char *kInvalidFileValues = "Parameter File holds Invalid Values";
// Lines of a mismatch report before the rest is only counted.
constexpr std::size_t kMismatchLinesShown = 12;
// The status row that shows the drive's version text rather than a register.
constexpr int kStatusVersionPosition = 25;

// "System, Control", or "none".
std::string listed(std::vector<std::string> names)
{
    if (names.empty())
        names.emplace_back("none");
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::string tabName(int group) { return kGroupTexts[static_cast<std::size_t>(group)].tab; }

ParameterShape shapeOf(const ParameterAttribute &p) { return {p.Param_DataType, p.Param_Bit_Type}; }

bool isWide(const ParameterAttribute &p) { return p.Param_Bit_Type == 2; }

// The image words of a parameter at register offset `offset`.
ParameterWords wordsAt(const std::array<std::uint16_t, CParameter::kImageWords> &image, int offset, bool wide)
{
    const auto at = [&](int i) {
        return i >= 0 && i < CParameter::kImageWords ? image[static_cast<std::size_t>(i)] : std::uint16_t{0};
    };
    return {at(offset), wide ? at(offset + 1) : std::uint16_t{0}};
}

} // namespace

ParameterCommands::ParameterCommands(CParameter &service, const ParameterCatalogue &catalogue)
    : service_(service), catalogue_(catalogue)
{
}

void ParameterCommands::setTable(int group, GroupTable *table)
{
    if (isValidGroup(group))
        tables_[static_cast<std::size_t>(group)] = table;
}

GroupTable *ParameterCommands::table(int group) const
{
    return isValidGroup(group) ? tables_[static_cast<std::size_t>(group)] : nullptr;
}

MessageService *ParameterCommands::messages() const
{
    return service_.drive() ? &service_.drive()->messages() : nullptr;
}

void ParameterCommands::show(const std::string &text, const std::string &detail) const
{
    if (MessageService *service = messages())
        service->show(text, detail);
}

void ParameterCommands::inform(const std::string &text) const
{
    if (MessageService *service = messages())
        service->showInformation(text);
}

void ParameterCommands::commitEditing() const
{
    for (GroupTable *table : tables_)
        if (table)
            table->commitEditing();
}

std::vector<int> ParameterCommands::filledGroups(const std::vector<int> &order) const
{
    std::vector<int> groups;
    for (int g : order)
        if (table(g) && catalogue_.groups[static_cast<std::size_t>(g)].loaded)
            groups.push_back(g);
    return groups;
}

bool ParameterCommands::writeAccepted(std::uint16_t result, bool lockReported) const
{
    if (result == kReported)
        return false;
    if (result == kException6 && lockReported) {
        show(kLockMessage);
        return false;
    }
    return true;
}

std::string ParameterCommands::rangeDetail(int group, int position, const std::string &value) const
{
    const ParameterAttribute &p =
        catalogue_.groups[static_cast<std::size_t>(group)].attributes[static_cast<std::size_t>(position)];
    return std::string(kGroupTexts[static_cast<std::size_t>(group)].tab) + ", " + text(p.Param_Num) + " " +
           text(p.Param_Name) + ": " + value + " (" + text(p.Param_Min_Value) + " .. " +
           text(p.Param_Max_Value) + ")";
}

void ParameterCommands::restyleWritten(GroupTable &table, int position, bool written) const
{
    table.setValueLook(position, {written ? ValueColour::Red : ValueColour::Black, false});
    if (table.valueText(position) != table.defaultText(position))
        table.setValueLook(position, {ValueColour::Red, true});
}

// The version decides whether the drive's exception 6 is its parameter
// lock. Without it a refused write could pass for a success, so nothing is
// written when the register cannot be read.
std::optional<std::uint16_t> ParameterCommands::versionForWriting() const
{
    std::uint8_t status = VQ_STATUS_NOT_ATTEMPTED;
    const std::optional<std::uint16_t> version = service_.ReadVersionRegister(&status);
    if (!version && !service_.stopRequested()) {
        const DriveConnection *drive = service_.drive();
        const std::string cause = !drive || !drive->isLinkOpen() ? std::string(kLinkClosedCause)
                                                                 : "the drive version (register 62) could not be read: " +
                                                                       linkCause(status, drive->place());
        show("Drive Version Read Error", cause + ". Nothing was written.");
    }
    return version;
}

const ParameterAttribute &ParameterCommands::attribute(Row row) const
{
    return catalogue_.groups[static_cast<std::size_t>(row.group)].attributes[static_cast<std::size_t>(row.position)];
}

std::string ParameterCommands::rowName(Row row) const
{
    const ParameterAttribute &p = attribute(row);
    return std::string(kGroupTexts[static_cast<std::size_t>(row.group)].tab) + ", " + text(p.Param_Num) + " " +
           text(p.Param_Name);
}

// A text that is not a number of the parameter's kind would reach the drive
// as some other value; it is refused by name and the cell shows the drive's
// value again.
std::optional<ParameterWords> ParameterCommands::wordsForWriting(Row row, const std::string &value)
{
    const ParameterAttribute &p = attribute(row);
    const std::optional<ParameterWords> words = parameterWords(value, p.Param_DataType, p.Param_Bit_Type);
    if (!words) {
        show(text(p.Param_Name) + " => Invalid Value \"" + value + "\"",
             rowName(row) + " takes " + acceptedText(p, row.group, row.position) +
                 ". Nothing was written; the cell shows the drive's value again.");
        showDriveValue(row);
    }
    return words;
}

void ParameterCommands::refuseRange(Row row, const std::string &value)
{
    show(kRangeError, rangeDetail(row.group, row.position, value));
    showDriveValue(row);
}

// A refused text must not stay in the cell looking like the drive's value:
// the parameter is read again and shown as the drive holds it.
void ParameterCommands::showDriveValue(Row row)
{
    GroupTable *t = table(row.group);
    if (!t || !service_.isGroupReady(row.group))
        return;
    const ParameterAttribute &p = attribute(row);
    std::vector<std::uint16_t> addresses{p.Param_Address};
    if (isWide(p))
        addresses.push_back(static_cast<std::uint16_t>(p.Param_Address + 2));
    std::uint8_t status = 0;
    if (service_.ReadEach(addresses, status) != kSuccess)
        return;
    const std::vector<std::uint16_t> &results = service_.scatteredResults();
    if (results.size() < addresses.size())
        return;
    showFetched(row, {results[0], isWide(p) ? results[1] : std::uint16_t{0}}, ValueColour::Black, Display::ReadAll);
}

void ParameterCommands::showFetched(Row row, ParameterWords words, ValueColour colour, Display display)
{
    GroupTable &t = *table(row.group);
    const ParameterShape shape = shapeOf(attribute(row));
    const std::string value = display == Display::ReadAll
                                  ? readAllText(row.group, row.position, shape, words.first, words.second, {})
                                  : readText(row.group, shape, words.first, words.second);
    t.showValue(row.position, value, {colour, false});
    if (row.group != kGroupStatus && value != t.defaultText(row.position))
        t.setValueLook(row.position, {colour, true});
}

// Some registers carry two parameters (register 174 is the notch filter's
// switch in Control and a program jog time in SpeedOperation): whatever one
// row wrote or read, the other rows of that register show too.
std::vector<ParameterCommands::Row> ParameterCommands::rowsSharing(Row row) const
{
    std::vector<Row> rows;
    const ParameterAttribute &p = attribute(row);
    if (isWide(p))
        return rows;
    for (int g : filledGroups(writeOrder(service_.factoryGroupShown()))) {
        const auto &attributes = catalogue_.groups[static_cast<std::size_t>(g)].attributes;
        const int count = std::min(table(g)->rowCount(), static_cast<int>(attributes.size()));
        for (int k = 0; k < count; ++k) {
            const ParameterAttribute &other = attributes[static_cast<std::size_t>(k)];
            if ((g != row.group || k != row.position) && !isWide(other) && other.Param_Address == p.Param_Address)
                rows.push_back({g, k});
        }
    }
    return rows;
}

void ParameterCommands::showOnSharingRows(Row row, std::uint16_t word, ValueColour colour)
{
    for (Row other : rowsSharing(row))
        if (service_.isGroupReady(other.group))
            showFetched(other, {word, 0}, colour, Display::ReadAll);
}

// --- the model ------------------------------------------------------------------

bool ParameterCommands::buildModel(const DatabaseLibrary &database)
{
    service_.clearLayout();
    for (int g : readOrder(service_.factoryGroupShown())) {
        const GroupCatalogue &group = catalogue_.groups[static_cast<std::size_t>(g)];
        if (!group.loaded)
            return false; // already reported while its grid was filled
        const int first = database.GetFrPrmAddrInGrp(g);
        service_.setGroupLayout(g, static_cast<std::uint16_t>(first & 0xFFFF), group.registerCount);
    }
    return true;
}

// --- reading ----------------------------------------------------------------------

bool ParameterCommands::AllRead(bool opening)
{
    std::uint8_t status = 0;
    const std::uint16_t result = service_.ReadAllGroups(status);
    if (result == kReported)
        return false;
    if (result == kCancelled) {
        reportAllReadCancelled();
        return false;
    }
    const std::optional<std::uint16_t> version = service_.ReadVersionRegister();
    if (!version && service_.stopRequested()) {
        reportAllReadCancelled();
        return false;
    }
    showAllGroups(version ? driveVersionText(*version) : std::string());
    if (!opening)
        inform("All Read Success ! ");
    return true;
}

// Only the groups this run read are shown anew: the others keep the values
// they showed, which the drive gave at an earlier read, rather than show
// an image the drive did not give now.
void ParameterCommands::reportAllReadCancelled()
{
    const std::vector<int> &read = service_.groupsRead();
    showGroups(read, std::nullopt);
    std::vector<std::string> readNames, notRead;
    for (int g : readyGroups(readOrder(service_.factoryGroupShown())))
        (std::find(read.begin(), read.end(), g) != read.end() ? readNames : notRead).push_back(tabName(g));
    show("All Read Cancelled: read " + listed(readNames) + "; not read " + listed(notRead),
         "The groups not read show the values they showed before.");
}

void ParameterCommands::showAllGroups(const std::string &versionText)
{
    showGroups(readyGroups(readOrder(service_.factoryGroupShown())), versionText);
}

std::vector<int> ParameterCommands::readyGroups(const std::vector<int> &order) const
{
    std::vector<int> groups;
    for (int g : filledGroups(order))
        if (service_.isGroupReady(g))
            groups.push_back(g);
    return groups;
}

int ParameterCommands::allReadSteps() const
{
    int steps = 0;
    for (int g : readOrder(service_.factoryGroupShown()))
        steps += service_.isGroupReady(g) ? 1 : 0;
    return steps;
}

int ParameterCommands::allWriteSteps() const
{
    return static_cast<int>(readyGroups(writeOrder(service_.factoryGroupShown())).size());
}

int ParameterCommands::readExchanges(int group) const
{
    const GroupTable *t = table(group);
    if (!t || !catalogue_.groups[static_cast<std::size_t>(group)].loaded)
        return 0;
    const auto &attributes = catalogue_.groups[static_cast<std::size_t>(group)].attributes;
    const int rows = std::min(t->rowCount(), static_cast<int>(attributes.size()));
    int registers = 0;
    for (int k = 0; k < rows; ++k)
        if (t->isChecked(k))
            registers += registersOf(attributes[static_cast<std::size_t>(k)].Param_Bit_Type);
    return (registers + kMaxScatteredRegisters - 1) / kMaxScatteredRegisters;
}

// The version read, then per ticked row its servo-state read where the
// parameter needs the servo off and one write per register.
int ParameterCommands::writeExchanges(int group) const
{
    const GroupTable *t = table(group);
    if (!t || group == kGroupStatus || !catalogue_.groups[static_cast<std::size_t>(group)].loaded)
        return 0;
    const auto &attributes = catalogue_.groups[static_cast<std::size_t>(group)].attributes;
    const int rows = std::min(t->rowCount(), static_cast<int>(attributes.size()));
    int exchanges = 1;
    for (int k = 0; k < rows; ++k) {
        const ParameterAttribute &p = attributes[static_cast<std::size_t>(k)];
        if (!t->isChecked(k))
            continue;
        exchanges += (p.Param_Change == 1 || p.Param_Change == 2) ? 1 : 0;
        exchanges += registersOf(p.Param_Bit_Type);
    }
    return exchanges;
}

void ParameterCommands::showGroups(const std::vector<int> &groups, const std::optional<std::string> &versionText)
{
    for (int g : groups) {
        if (!table(g) || !service_.isGroupReady(g))
            continue;
        GroupTable &t = *table(g);
        const auto &attributes = catalogue_.groups[static_cast<std::size_t>(g)].attributes;
        const auto &image = service_.image(g);
        const int rows = std::min(t.rowCount(), static_cast<int>(attributes.size()));
        int offset = 0;
        for (int k = 0; k < rows; ++k) {
            const ParameterAttribute &p = attributes[static_cast<std::size_t>(k)];
            const ParameterWords words = wordsAt(image, offset, isWide(p));
            if (g == kGroupStatus && k == kStatusVersionPosition && !versionText) {
                offset += registersOf(p.Param_Bit_Type);
                continue;
            }
            const std::string value =
                readAllText(g, k, shapeOf(p), words.first, words.second, versionText.value_or(std::string()));
            t.showValue(k, value, {ValueColour::Black, false});
            if (g != kGroupStatus && value != t.defaultText(k))
                t.setValueLook(k, {ValueColour::Red, true});
            if (g == kGroupSystem && k == kSystemResolutionPosition)
                t.setUnit(k, systemResolutionUnit(words.first));
            offset += registersOf(p.Param_Bit_Type);
        }
    }
}

void ParameterCommands::Read(int group)
{
    commitEditing();
    GroupTable *t = table(group);
    if (t && catalogue_.groups[static_cast<std::size_t>(group)].loaded && service_.isGroupReady(group)) {
        const auto &attributes = catalogue_.groups[static_cast<std::size_t>(group)].attributes;
        const int rows = std::min(t->rowCount(), static_cast<int>(attributes.size()));
        std::vector<std::uint16_t> addresses;
        std::vector<std::pair<int, std::size_t>> fetched; // position, index of its first word
        std::uint16_t address = service_.firstAddress(group);
        for (int k = 0; k < rows; ++k) {
            const ParameterAttribute &p = attributes[static_cast<std::size_t>(k)];
            if (t->isChecked(k)) {
                fetched.emplace_back(k, addresses.size());
                addresses.push_back(address);
                if (isWide(p))
                    addresses.push_back(static_cast<std::uint16_t>(address + 2));
            }
            address = static_cast<std::uint16_t>(address + 2 * registersOf(p.Param_Bit_Type));
            t->setValueLook(k, {ValueColour::Black, std::nullopt});
        }
        if (!addresses.empty()) {
            std::uint8_t status = 0;
            const std::uint16_t result = service_.ReadEach(addresses, status);
            if (result == kReported)
                return;
            if (result == kCancelled) {
                show("Read Cancelled", "The values shown were not changed.");
                return;
            }
            // The drive refused the read: its words are not the parameters'
            // values, so the cells keep what they showed.
            if (result == kException6) {
                show("Each Read Error",
                     "The drive refused the read (exception 6); the values shown were not changed.");
                return;
            }
        }
        const std::vector<std::uint16_t> results = service_.scatteredResults();
        for (const auto &[k, first] : fetched) {
            const ParameterAttribute &p = attributes[static_cast<std::size_t>(k)];
            const std::uint16_t low = first < results.size() ? results[first] : 0;
            const std::uint16_t high = isWide(p) && first + 1 < results.size() ? results[first + 1] : 0;
            showFetched({group, k}, {low, high}, ValueColour::Red, Display::Read);
            if (group != kGroupStatus)
                showOnSharingRows({group, k}, low, ValueColour::Red);
        }
    }
    inform("Read Success ! ");
}

// --- writing ----------------------------------------------------------------------

bool ParameterCommands::Write(int group, bool announce)
{
    commitEditing();
    service_.clearStaging();
    if (group == kGroupStatus) {
        show("Can't change Data!");
        return false;
    }
    GroupTable *t = table(group);
    if (!t || !isValidGroup(group) || !catalogue_.groups[static_cast<std::size_t>(group)].loaded ||
        service_.registerCount(group) < 1) {
        show(kNothingChecked);
        return false;
    }
    const auto &attributes = catalogue_.groups[static_cast<std::size_t>(group)].attributes;
    auto &staging = service_.staging(group);
    const int rows = std::min(t->rowCount(), static_cast<int>(attributes.size()));

    // Cancel clicked: the ticked rows from `from` on were not written.
    std::vector<std::string> writtenNames;
    const auto cancelledAt = [&](int from) {
        std::vector<std::string> rest;
        for (int k = from; k < rows; ++k)
            if (t->isChecked(k))
                rest.push_back(text(attributes[static_cast<std::size_t>(k)].Param_Name));
        reportWriteCancelled(writtenNames, rest);
    };
    const std::optional<std::uint16_t> version = versionForWriting();
    if (!version) {
        if (service_.stopRequested())
            cancelledAt(0);
        return false;
    }
    const bool lockReported = reportsParameterLock(*version);

    // Every checked text is read and range-checked before the first write,
    // so that a refused value leaves the drive as it was.
    std::vector<std::optional<ParameterWords>> parsed(static_cast<std::size_t>(rows));
    for (int k = 0; k < rows; ++k) {
        const ParameterAttribute &p = attributes[static_cast<std::size_t>(k)];
        const std::string value = t->valueText(k);
        if (!t->isChecked(k)) {
            parsed[static_cast<std::size_t>(k)] = parameterWords(value, p.Param_DataType, p.Param_Bit_Type);
            continue;
        }
        parsed[static_cast<std::size_t>(k)] = wordsForWriting({group, k}, value);
        if (!parsed[static_cast<std::size_t>(k)])
            return false;
        const RangeCheck bounds = isWide(p) ? RangeCheck{} : writeRangeCheck(group, k);
        if (isRangeChecked(p.Param_DataType, p.Param_Bit_Type) &&
            !withinRange(value, text(p.Param_Min_Value), text(p.Param_Max_Value), bounds)) {
            refuseRange({group, k}, value);
            return false;
        }
    }

    int offset = 0;
    int written = 0;
    int needPowerCycle = 0;
    for (int k = 0; k < rows && offset < service_.registerCount(group); ++k) {
        const ParameterAttribute &p = attributes[static_cast<std::size_t>(k)];
        const bool checked = t->isChecked(k);
        if (checked) {
            ++written;
            if (p.Param_Change == 1)
                ++needPowerCycle;
            if (p.Param_Change == 1 || p.Param_Change == 2) {
                switch (service_.ReadServoState()) {
                case CParameter::ServoState::On:
                    show(text(p.Param_Name) + " => You can't change parameter, please Turn off SVON ! ");
                    return false;
                case CParameter::ServoState::Unknown:
                    if (service_.stopRequested()) {
                        cancelledAt(k);
                        return false;
                    }
                    // Taking an unanswered read for "servo off" could change
                    // such a parameter on a running drive.
                    show("Servo State Read Error",
                         "The drive state (register 0) could not be read, so " + text(p.Param_Name) +
                             " and the rows after it were not written.");
                    return false;
                case CParameter::ServoState::Off:
                    break;
                }
            }
        }
        const ParameterWords words = parsed[static_cast<std::size_t>(k)].value_or(ParameterWords{});
        staging[static_cast<std::size_t>(offset)] = words.first;
        if (isWide(p) && offset + 1 < CParameter::kImageWords)
            staging[static_cast<std::size_t>(offset + 1)] = words.second;

        if (checked) {
            std::uint8_t status = 0;
            // Both halves of a 32-bit value must land: a refused first half
            // ends the command before the second could leave a torn value,
            // and Cancel waits until the second half has gone too.
            const std::uint16_t first = service_.WriteParameter(p.Param_Address, words.first, status);
            if (first == kCancelled) {
                cancelledAt(k);
                return false;
            }
            if (!writeAccepted(first, lockReported))
                return false;
            if (isWide(p) &&
                !writeAccepted(service_.WriteParameter(static_cast<std::uint16_t>(p.Param_Address + 2),
                                                       words.second, status, false),
                               lockReported))
                return false;
            writtenNames.push_back(text(p.Param_Name));
            showOnSharingRows({group, k}, words.first, ValueColour::Red);
        }
        restyleWritten(*t, k, checked);
        offset += registersOf(p.Param_Bit_Type);
    }
    if (written == 0) {
        show(kNothingChecked);
        return false;
    }
    if (announce)
        announceWritten(needPowerCycle > 0);
    return true;
}

void ParameterCommands::announceWritten(bool needPowerCycle) const
{
    inform(needPowerCycle ? kPowerCycleSuccess : " Write Success !");
}

ParameterCommands::AllWriteOutcome ParameterCommands::AllWrite()
{
    commitEditing();
    service_.clearStaging();
    DriveConnection *drive = service_.drive();
    if (drive && drive->monitoringSwitch.load() != 0) {
        show("Not used All download .( Turn off DataTrace.)");
        return AllWriteOutcome::RefusedWhileMonitoring;
    }
    std::vector<int> groups;
    for (int g : filledGroups(writeOrder(service_.factoryGroupShown())))
        if (service_.isGroupReady(g))
            groups.push_back(g);

    // Every value is read and checked before the first block leaves, so that
    // a refused value in a later group cannot leave the drive half rewritten.
    std::vector<std::pair<Row, ParameterWords>> values;
    for (int g : groups) {
        const GroupTable &t = *table(g);
        const auto &attributes = catalogue_.groups[static_cast<std::size_t>(g)].attributes;
        const int rows = std::min(t.rowCount(), static_cast<int>(attributes.size()));
        for (int k = 0; k < rows; ++k) {
            const ParameterAttribute &p = attributes[static_cast<std::size_t>(k)];
            const std::string value = t.valueText(k);
            const std::optional<ParameterWords> words = wordsForWriting({g, k}, value);
            if (!words)
                return AllWriteOutcome::Finished;
            if (isRangeChecked(p.Param_DataType, p.Param_Bit_Type) &&
                !withinRange(value, text(p.Param_Min_Value), text(p.Param_Max_Value))) {
                refuseRange({g, k}, value);
                return AllWriteOutcome::Finished;
            }
            values.emplace_back(Row{g, k}, *words);
        }
    }
    // Each group goes out as one block, so of two rows sharing a register
    // the later group's value would silently win over the other.
    for (std::size_t i = 0; i < values.size(); ++i) {
        for (const Row other : rowsSharing(values[i].first)) {
            const auto match = std::find_if(values.begin(), values.end(), [&](const auto &v) {
                return v.first.group == other.group && v.first.position == other.position;
            });
            if (match == values.end() || match <= values.begin() + static_cast<std::ptrdiff_t>(i) ||
                match->second.first == values[i].second.first)
                continue;
            show(kTwoValuesForOneRegister,
                 rowName(values[i].first) + " = " + table(values[i].first.group)->valueText(values[i].first.position) +
                     " and " + rowName(other) + " = " + table(other.group)->valueText(other.position) +
                     " are held in the same register " + std::to_string(attribute(other).Param_Address) +
                     ". Nothing was written; give both the same value or write one of them with Write.");
            return AllWriteOutcome::Finished;
        }
    }
    const std::optional<std::uint16_t> version = versionForWriting();
    if (!version) {
        if (service_.stopRequested())
            reportAllWriteCancelled(groups, 0);
        return AllWriteOutcome::Finished;
    }
    const bool lockReported = reportsParameterLock(*version);

    for (std::size_t i = 0; i < groups.size(); ++i) {
        const int g = groups[i];
        // Checked before the cells take the look of written values.
        if (service_.stopRequested()) {
            reportAllWriteCancelled(groups, i);
            return AllWriteOutcome::Finished;
        }
        GroupTable &t = *table(g);
        auto &staging = service_.staging(g);
        int offset = 0;
        for (const auto &[row, words] : values) {
            if (row.group != g)
                continue;
            const ParameterAttribute &p = attribute(row);
            if (offset < CParameter::kImageWords)
                staging[static_cast<std::size_t>(offset)] = words.first;
            if (isWide(p) && offset + 1 < CParameter::kImageWords)
                staging[static_cast<std::size_t>(offset + 1)] = words.second;
            restyleWritten(t, row.position, true);
            offset += registersOf(p.Param_Bit_Type);
        }
        std::uint8_t status = 0;
        const std::uint16_t result = service_.WriteGroup(staging.data(), g, status);
        if (result == kCancelled) {
            reportAllWriteCancelled(groups, i);
            return AllWriteOutcome::Finished;
        }
        if (!writeAccepted(result, lockReported))
            return AllWriteOutcome::Finished;
    }
    inform(kAllWriteSuccess);
    return AllWriteOutcome::Finished;
}

void ParameterCommands::reportAllWriteCancelled(const std::vector<int> &groups, std::size_t written) const
{
    std::vector<std::string> done, notDone;
    for (std::size_t i = 0; i < groups.size(); ++i)
        (i < written ? done : notDone).push_back(tabName(groups[i]));
    show("All Write Cancelled: written " + listed(done) + "; not written " + listed(notDone),
         "The drive keeps its earlier values in the groups not written; the values shown there are not on the "
         "drive.");
}

void ParameterCommands::reportWriteCancelled(const std::vector<std::string> &written,
                                             const std::vector<std::string> &notWritten) const
{
    show("Write Cancelled: written " + listed(written) + "; not written " + listed(notWritten),
         "The drive keeps its earlier values of the parameters not written.");
}

void ParameterCommands::LockParameters(bool lock) { service_.WriteParameterLock(lock); }

// --- parameter files ------------------------------------------------------------

bool ParameterCommands::Save(const std::string &path)
{
    commitEditing();
    std::vector<ParameterLine> lines;
    for (int g : filledGroups(fileGroupOrder(service_.factoryGroupShown()))) {
        const GroupTable &t = *table(g);
        const auto &attributes = catalogue_.groups[static_cast<std::size_t>(g)].attributes;
        const int rows = std::min(t.rowCount(), static_cast<int>(attributes.size()));
        for (int k = 0; k < rows; ++k) {
            const ParameterAttribute &p = attributes[static_cast<std::size_t>(k)];
            lines.push_back({text(p.Param_Num), text(p.Servo_ID), t.valueText(k)});
        }
    }
    const std::string version = service_.drive() ? service_.drive()->versionText() : std::string();
    if (const FileOutcome saved = saveParameterFile(path, version, lines); !saved) {
        show("Cannot Save Parameter File", path + ": " + saved.reason);
        return false;
    }
    return true;
}

bool ParameterCommands::Load(const std::string &path)
{
    commitEditing();
    struct Place {
        int group;
        int position;
    };
    std::vector<Place> places;
    std::vector<std::string> numbers;
    for (int g : filledGroups(fileGroupOrder(service_.factoryGroupShown()))) {
        const auto &attributes = catalogue_.groups[static_cast<std::size_t>(g)].attributes;
        const int rows = std::min(table(g)->rowCount(), static_cast<int>(attributes.size()));
        for (int k = 0; k < rows; ++k) {
            places.push_back({g, k});
            numbers.push_back(text(attributes[static_cast<std::size_t>(k)].Param_Num));
        }
    }
    const ParameterFileReading reading = loadParameterFile(path, numbers);
    const std::optional<ParameterFileContents> &contents = reading.contents;
    if (!contents) {
        show("Cannot Open Parameter File", path + ": " + reading.problem);
        return false;
    }
    std::string refused; // lines whose value the parameter cannot hold
    int refusedCount = 0;
    for (const LoadedValue &loaded : contents->values) {
        if (loaded.position < 0 || static_cast<std::size_t>(loaded.position) >= places.size())
            continue;
        const Place place = places[static_cast<std::size_t>(loaded.position)];
        GroupTable &t = *table(place.group);
        if (place.group == kGroupStatus) {
            t.showValue(place.position, loaded.value, {ValueColour::Blue, std::nullopt});
            continue;
        }
        const ParameterAttribute &p = attribute({place.group, place.position});
        if (!parameterWords(loaded.value, p.Param_DataType, p.Param_Bit_Type)) {
            if (static_cast<std::size_t>(refusedCount++) < kMismatchLinesShown)
                refused += rowName({place.group, place.position}) + ": \"" + loaded.value + "\" is not " +
                           acceptedText(p, place.group, place.position) + "\n";
            continue;
        }
        t.showValue(place.position, loaded.value, {ValueColour::Blue, false});
        if (loaded.value != t.defaultText(place.position))
            t.setValueLook(place.position, {ValueColour::Red, true});
    }
    if (refusedCount > 0) {
        if (static_cast<std::size_t>(refusedCount) > kMismatchLinesShown)
            refused += "and " + std::to_string(static_cast<std::size_t>(refusedCount) - kMismatchLinesShown) +
                       " more lines\n";
        show(kInvalidFileValues, refused + "These cells keep the values they showed before.");
    }
    // The values went in by position; lines whose numbers are not this
    // catalogue's may have set other parameters than they were saved from.
    if (!contents->mismatches.empty()) {
        std::string detail;
        for (std::size_t i = 0; i < contents->mismatches.size() && i < kMismatchLinesShown; ++i) {
            const NumberMismatch &m = contents->mismatches[i];
            if (m.position < 0 || static_cast<std::size_t>(m.position) >= places.size())
                continue;
            const Place place = places[static_cast<std::size_t>(m.position)];
            detail += std::string(kGroupTexts[static_cast<std::size_t>(place.group)].tab) + " row " +
                      std::to_string(place.position + 1) + ": " + m.inFile + " in the file, " + m.inCatalogue +
                      " in the parameter list\n";
        }
        if (contents->mismatches.size() > kMismatchLinesShown)
            detail += "and " + std::to_string(contents->mismatches.size() - kMismatchLinesShown) + " more lines\n";
        detail += "Check the values before writing them.";
        show("Parameter File does not match the Parameter List", detail);
    }
    return true;
}

} // namespace tarvex::parameters
