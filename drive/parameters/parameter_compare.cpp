#include "drive/parameters/parameter_compare.h"

#include "drive/parameters/model/parameter_file.h"
#include "drive/parameters/parameter_text.h"
#include "drive/parameters/model/write_rules.h"

#include <algorithm>
#include <map>

namespace tarvex::parameters {

namespace {

using namespace parameter_result;

constexpr std::size_t kReportLines = 12;

// A group's table as Write sees it while chosen file values go out: the
// chosen rows are the checked ones and hold their file values, every other
// row is unchecked. What Write shows lands in the real table, a chosen
// row's file value with it once the row has been written.
class ChosenValuesTable final : public GroupTable {
public:
    explicit ChosenValuesTable(GroupTable &table) : table_(table) {}

    void choose(int index, std::string value) { chosen_[index] = std::move(value); }

    int rowCount() const override { return table_.rowCount(); }
    bool isChecked(int index) const override { return chosen_.count(index) > 0; }
    std::string valueText(int index) const override
    {
        const auto found = chosen_.find(index);
        return found != chosen_.end() ? found->second : table_.valueText(index);
    }
    std::string defaultText(int index) const override { return table_.defaultText(index); }
    void showValue(int index, const std::string &text, ValueLook look) override
    {
        table_.showValue(index, text, look);
    }
    // Write restyles a row once it has gone out (and only then).
    void setValueLook(int index, ValueLook look) override
    {
        const auto found = chosen_.find(index);
        if (found != chosen_.end())
            table_.showValue(index, found->second, look);
        else
            table_.setValueLook(index, look);
    }
    void setUnit(int index, const std::string &text) override { table_.setUnit(index, text); }
    void commitEditing() override { table_.commitEditing(); }

private:
    GroupTable &table_;
    std::map<int, std::string> chosen_;
};

ParameterShape compareShape(const ParameterAttribute &p) { return {p.Param_DataType, p.Param_Bit_Type}; }

std::string limitedReport(const std::vector<std::string> &lines)
{
    std::string report;
    for (std::size_t i = 0; i < lines.size() && i < kReportLines; ++i)
        report += lines[i] + "\n";
    if (lines.size() > kReportLines)
        report += "and " + std::to_string(lines.size() - kReportLines) + " more lines\n";
    return report;
}

} // namespace

ParameterComparison::ParameterComparison(CParameter &service, const ParameterCatalogue &catalogue,
                                         ParameterCommands &commands)
    : service_(service), catalogue_(catalogue), commands_(commands)
{
}

void ParameterComparison::show(const std::string &text, const std::string &detail) const
{
    if (DriveConnection *drive = service_.drive())
        drive->messages().show(text, detail);
}

const ParameterAttribute &ParameterComparison::attribute(int group, int position) const
{
    return catalogue_.groups[static_cast<std::size_t>(group)].attributes[static_cast<std::size_t>(position)];
}

std::optional<std::vector<ComparedRow>> ParameterComparison::compare(const std::string &path)
{
    struct Place {
        int group;
        int position;
    };
    std::vector<Place> places;
    std::vector<std::string> numbers;
    for (int g : fileGroupOrder(service_.factoryGroupShown())) {
        const GroupTable *t = commands_.table(g);
        const GroupCatalogue &group = catalogue_.groups[static_cast<std::size_t>(g)];
        if (!t || !group.loaded)
            continue;
        const int rows = std::min(t->rowCount(), group.count());
        for (int k = 0; k < rows; ++k) {
            places.push_back({g, k});
            numbers.push_back(text(attribute(g, k).Param_Num));
        }
    }
    const ParameterFileReading reading = loadParameterFile(path, numbers);
    const std::optional<ParameterFileContents> &contents = reading.contents;
    if (!contents) {
        show("Cannot Open Parameter File", path + ": " + reading.problem);
        return std::nullopt;
    }
    // A file saved from another parameter list sets other parameters by
    // position than its lines name; none of it is offered for writing.
    if (!contents->mismatches.empty()) {
        std::vector<std::string> lines;
        for (const NumberMismatch &m : contents->mismatches) {
            if (m.position < 0 || static_cast<std::size_t>(m.position) >= places.size())
                continue;
            const Place place = places[static_cast<std::size_t>(m.position)];
            lines.push_back(std::string(kGroupTexts[static_cast<std::size_t>(place.group)].tab) + " row " +
                            std::to_string(place.position + 1) + ": " + m.inFile + " in the file, " +
                            m.inCatalogue + " in the parameter list");
        }
        show("Parameter File does not match the Parameter List", limitedReport(lines) + "Nothing was compared.");
        return std::nullopt;
    }
    struct FileValue {
        Place place;
        std::string text;
        ParameterWords words;
    };
    std::vector<FileValue> values;
    std::vector<std::string> refused;
    for (const LoadedValue &loaded : contents->values) {
        if (loaded.position < 0 || static_cast<std::size_t>(loaded.position) >= places.size())
            continue;
        const Place place = places[static_cast<std::size_t>(loaded.position)];
        if (place.group == kGroupStatus)
            continue;
        const ParameterAttribute &p = attribute(place.group, place.position);
        const std::optional<ParameterWords> words = parameterWords(loaded.value, p.Param_DataType, p.Param_Bit_Type);
        if (!words) {
            refused.push_back(std::string(kGroupTexts[static_cast<std::size_t>(place.group)].tab) + ", " +
                              text(p.Param_Num) + " " + text(p.Param_Name) + ": \"" + loaded.value + "\" is not " +
                              acceptedText(p, place.group, place.position));
            continue;
        }
        values.push_back({place, loaded.value, *words});
    }
    if (!refused.empty()) {
        show("Parameter File holds Invalid Values", limitedReport(refused) + "Nothing was compared.");
        return std::nullopt;
    }

    std::uint8_t status = 0;
    if (service_.ReadAllGroups(status) != kSuccess)
        return std::nullopt;
    std::vector<ComparedRow> rows;
    for (const FileValue &value : values) {
        const int g = value.place.group;
        const int k = value.place.position;
        if (!service_.isGroupReady(g))
            continue;
        int offset = 0;
        for (int i = 0; i < k; ++i)
            offset += registersOf(attribute(g, i).Param_Bit_Type);
        const ParameterAttribute &p = attribute(g, k);
        const auto &image = service_.image(g);
        const auto word = [&](int i) {
            return i < CParameter::kImageWords ? image[static_cast<std::size_t>(i)] : std::uint16_t{0};
        };
        const bool wide = registersOf(p.Param_Bit_Type) == 2;
        const std::string drive =
            readAllText(g, k, compareShape(p), word(offset), wide ? word(offset + 1) : std::uint16_t{0}, {});
        // Two texts of one value ("0101" and "101") are the same setting.
        const std::string file = readAllText(g, k, compareShape(p), value.words.first, value.words.second, {});
        if (drive != file)
            rows.push_back({g, k, text(p.Param_Num), text(p.Param_Name), drive, value.text});
    }
    return rows;
}

bool ParameterComparison::rangeAllows(const ComparedRow &row) const
{
    const ParameterAttribute &p = attribute(row.group, row.position);
    if (!isRangeChecked(p.Param_DataType, p.Param_Bit_Type))
        return true;
    const RangeCheck bounds = p.Param_Bit_Type == 2 ? RangeCheck{} : writeRangeCheck(row.group, row.position);
    return withinRange(row.fileValue, text(p.Param_Min_Value), text(p.Param_Max_Value), bounds);
}

bool ParameterComparison::write(const std::vector<ComparedRow> &rows)
{
    std::vector<int> groups;
    for (const ComparedRow &row : rows)
        if (std::find(groups.begin(), groups.end(), row.group) == groups.end())
            groups.push_back(row.group);
    // A value out of range in a later group must not leave the earlier ones
    // written: its group alone goes to Write, which refuses it by name.
    for (const ComparedRow &row : rows)
        if (!rangeAllows(row))
            groups = {row.group};

    bool needPowerCycle = false;
    std::string writtenGroups;
    for (int g : groups) {
        GroupTable *table = commands_.table(g);
        if (!table)
            return false;
        ChosenValuesTable chosen(*table);
        for (const ComparedRow &row : rows) {
            if (row.group != g)
                continue;
            chosen.choose(row.position, row.fileValue);
            needPowerCycle = needPowerCycle || attribute(g, row.position).Param_Change == 1;
        }
        commands_.setTable(g, &chosen);
        const bool written = commands_.Write(g, false);
        commands_.setTable(g, table);
        if (!written) {
            // Write has said why it stopped; what went out before must be known too.
            if (!writtenGroups.empty())
                show("Not every selected value was written",
                     "The selected values of " + writtenGroups + " were written; those of " +
                         kGroupTexts[static_cast<std::size_t>(g)].tab + " and after it were not.");
            return false;
        }
        writtenGroups += (writtenGroups.empty() ? "" : ", ") + std::string(kGroupTexts[static_cast<std::size_t>(g)].tab);
    }
    if (groups.empty())
        return false;
    commands_.announceWritten(needPowerCycle);
    return true;
}

} // namespace tarvex::parameters
