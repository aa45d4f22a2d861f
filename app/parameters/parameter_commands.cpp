#include "parameter_commands.h"

#include "parameter_display.h"
#include "parameter_file.h"
#include "parameter_text.h"
#include "write_rules.h"

#include <algorithm>

namespace tarvex::parameters {

namespace {

using namespace parameter_result;

constexpr const char *kRangeError = "Error Parameter Range..!";
constexpr const char *kNothingChecked = "There isn't Checked Parameter!!!";
constexpr const char *kLockMessage = " Parameter Lock ! Click P.UnLock or Check CN-16";
constexpr const char *kPowerCycleSuccess = " Write Success, You need to on/off control power!";
constexpr const char *kAllWriteSuccess = "Write Success, You need to on/off control power!";
// Lines of a mismatch report before the rest is only counted.
constexpr std::size_t kMismatchLinesShown = 12;

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
    const std::optional<std::uint16_t> version = service_.ReadVersionRegister();
    if (!version)
        show("Drive Version Read Error", "The drive version (register 62) could not be read; nothing was written.");
    return version;
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
    if (service_.ReadAllGroups(status) == kReported)
        return false;
    const std::optional<std::uint16_t> version = service_.ReadVersionRegister();
    showAllGroups(version ? driveVersionText(*version) : std::string());
    if (!opening)
        inform("All Read Success ! ");
    return true;
}

void ParameterCommands::showAllGroups(const std::string &versionText)
{
    for (int g : filledGroups(readOrder(service_.factoryGroupShown()))) {
        if (!service_.isGroupReady(g))
            continue;
        GroupTable &t = *table(g);
        const auto &attributes = catalogue_.groups[static_cast<std::size_t>(g)].attributes;
        const auto &image = service_.image(g);
        const int rows = std::min(t.rowCount(), static_cast<int>(attributes.size()));
        int offset = 0;
        for (int k = 0; k < rows; ++k) {
            const ParameterAttribute &p = attributes[static_cast<std::size_t>(k)];
            const ParameterWords words = wordsAt(image, offset, isWide(p));
            const std::string value = readAllText(g, k, shapeOf(p), words.first, words.second, versionText);
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
            // The drive refused the read: its words are not the parameters'
            // values, so the cells keep what they showed.
            if (result == kException6) {
                show("Each Read Error",
                     "The drive refused the read (exception 6); the values shown were not changed.");
                return;
            }
        }
        const std::vector<std::uint16_t> &results = service_.scatteredResults();
        for (const auto &[k, first] : fetched) {
            const ParameterAttribute &p = attributes[static_cast<std::size_t>(k)];
            const std::uint16_t low = first < results.size() ? results[first] : 0;
            const std::uint16_t high = isWide(p) && first + 1 < results.size() ? results[first + 1] : 0;
            const std::string value = readText(group, shapeOf(p), low, high);
            t->showValue(k, value, {ValueColour::Red, false});
            if (group != kGroupStatus && value != t->defaultText(k))
                t->setValueLook(k, {ValueColour::Red, true});
        }
    }
    inform("Read Success ! ");
}

// --- writing ----------------------------------------------------------------------

void ParameterCommands::Write(int group)
{
    commitEditing();
    service_.clearStaging();
    if (group == kGroupStatus) {
        show("Can't change Data!");
        return;
    }
    GroupTable *t = table(group);
    if (!t || !isValidGroup(group) || !catalogue_.groups[static_cast<std::size_t>(group)].loaded ||
        service_.registerCount(group) < 1) {
        show(kNothingChecked);
        return;
    }
    const std::optional<std::uint16_t> version = versionForWriting();
    if (!version)
        return;
    const bool lockReported = reportsParameterLock(*version);

    const auto &attributes = catalogue_.groups[static_cast<std::size_t>(group)].attributes;
    auto &staging = service_.staging(group);
    const int rows = std::min(t->rowCount(), static_cast<int>(attributes.size()));
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
                    return;
                case CParameter::ServoState::Unknown:
                    // Taking an unanswered read for "servo off" could change
                    // such a parameter on a running drive.
                    show("Servo State Read Error",
                         "The drive state (register 0) could not be read, so " + text(p.Param_Name) +
                             " and the rows after it were not written.");
                    return;
                case CParameter::ServoState::Off:
                    break;
                }
            }
        }
        const std::string value = t->valueText(k);
        const ParameterWords words = textToWords(value, p.Param_DataType, p.Param_Bit_Type);
        staging[static_cast<std::size_t>(offset)] = words.first;
        if (isWide(p) && offset + 1 < CParameter::kImageWords)
            staging[static_cast<std::size_t>(offset + 1)] = words.second;

        if (checked) {
            std::uint8_t status = 0;
            if (isWide(p)) {
                if (!withinRange(value, text(p.Param_Min_Value), text(p.Param_Max_Value))) {
                    show(kRangeError, rangeDetail(group, k, value));
                    return;
                }
                // Both halves must land: a refused first half ends the command
                // before the second could leave a torn value behind.
                if (!writeAccepted(service_.WriteParameter(p.Param_Address, words.first, status), lockReported))
                    return;
                if (!writeAccepted(service_.WriteParameter(static_cast<std::uint16_t>(p.Param_Address + 2),
                                                           words.second, status),
                                   lockReported))
                    return;
            } else {
                if (isRangeChecked(p.Param_DataType, p.Param_Bit_Type) &&
                    !withinRange(value, text(p.Param_Min_Value), text(p.Param_Max_Value),
                                 writeRangeCheck(group, k))) {
                    show(kRangeError, rangeDetail(group, k, value));
                    return;
                }
                if (!writeAccepted(service_.WriteParameter(p.Param_Address, words.first, status), lockReported))
                    return;
            }
        }
        restyleWritten(*t, k, checked);
        offset += registersOf(p.Param_Bit_Type);
    }
    if (written == 0)
        show(kNothingChecked);
    else if (needPowerCycle > 0)
        inform(kPowerCycleSuccess);
    else
        inform(" Write Success !");
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

    // Every value is checked before the first block leaves, so that a value
    // out of range in a later group cannot leave the drive half rewritten.
    for (int g : groups) {
        const GroupTable &t = *table(g);
        const auto &attributes = catalogue_.groups[static_cast<std::size_t>(g)].attributes;
        const int rows = std::min(t.rowCount(), static_cast<int>(attributes.size()));
        for (int k = 0; k < rows; ++k) {
            const ParameterAttribute &p = attributes[static_cast<std::size_t>(k)];
            const std::string value = t.valueText(k);
            if (isRangeChecked(p.Param_DataType, p.Param_Bit_Type) &&
                !withinRange(value, text(p.Param_Min_Value), text(p.Param_Max_Value))) {
                show(kRangeError, rangeDetail(g, k, value));
                return AllWriteOutcome::Finished;
            }
        }
    }
    const std::optional<std::uint16_t> version = versionForWriting();
    if (!version)
        return AllWriteOutcome::Finished;
    const bool lockReported = reportsParameterLock(*version);

    for (int g : groups) {
        GroupTable &t = *table(g);
        const auto &attributes = catalogue_.groups[static_cast<std::size_t>(g)].attributes;
        auto &staging = service_.staging(g);
        const int rows = std::min(t.rowCount(), static_cast<int>(attributes.size()));
        int offset = 0;
        for (int k = 0; k < rows; ++k) {
            const ParameterAttribute &p = attributes[static_cast<std::size_t>(k)];
            const ParameterWords words = textToWords(t.valueText(k), p.Param_DataType, p.Param_Bit_Type);
            if (offset < CParameter::kImageWords)
                staging[static_cast<std::size_t>(offset)] = words.first;
            if (isWide(p) && offset + 1 < CParameter::kImageWords)
                staging[static_cast<std::size_t>(offset + 1)] = words.second;
            restyleWritten(t, k, true);
            offset += registersOf(p.Param_Bit_Type);
        }
        std::uint8_t status = 0;
        if (!writeAccepted(service_.WriteGroup(staging.data(), g, status), lockReported))
            return AllWriteOutcome::Finished;
    }
    inform(kAllWriteSuccess);
    return AllWriteOutcome::Finished;
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
    if (!saveParameterFile(path, version, lines)) {
        show("Cannot Save Parameter File");
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
    const std::optional<ParameterFileContents> contents = loadParameterFile(path, numbers);
    if (!contents) {
        show("Cannot Open Parameter File");
        return false;
    }
    for (const LoadedValue &loaded : contents->values) {
        if (loaded.position < 0 || static_cast<std::size_t>(loaded.position) >= places.size())
            continue;
        const Place place = places[static_cast<std::size_t>(loaded.position)];
        GroupTable &t = *table(place.group);
        if (place.group == kGroupStatus) {
            t.showValue(place.position, loaded.value, {ValueColour::Blue, std::nullopt});
            continue;
        }
        t.showValue(place.position, loaded.value, {ValueColour::Blue, false});
        if (loaded.value != t.defaultText(place.position))
            t.setValueLook(place.position, {ValueColour::Red, true});
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
