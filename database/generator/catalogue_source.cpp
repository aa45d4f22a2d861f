#include "database/generator/catalogue_source.h"

#include "database/generator/csv_table.h"
#include "database/generator/source_error.h"

#include <charconv>
#include <map>
#include <set>

namespace vq::catalogue {

namespace {

const std::vector<std::string> kParameterHeader = {
    "Param_ID",       "Param_Group_ID", "Param_Group_Name", "Param_Num",       "Servo_ID",
    "Param_Name",     "Param_Value",    "Param_Unit",       "Param_Min_Value", "Param_Max_Value",
    "Param_Address",  "Param_DataType", "Param_Bit_Type",   "Param_Change"};
const std::vector<std::string> kTranslationHeader = {"Param_ID", "Param_Group_Name", "Param_Name", "Param_Unit"};
const std::vector<std::string> kServoHeader = {"Servo_ID", "Servo_Name", "Param_Group_Cnt"};

constexpr std::size_t kShortText = 24;  // numbers, sub-indices, values, limits, units
constexpr std::size_t kLongText = 120;  // names (bytes: about 40 Hangul syllables)

// Reads the fields of one record by column name, with the place of any
// defect in the message.
class FieldReader {
public:
    FieldReader(const CsvTable &table, const std::vector<std::string> &header, const CsvRecord &record)
        : table_(table), header_(header), record_(record)
    {
    }

    std::int32_t integer(const std::string &column, std::int64_t min, std::int64_t max) const
    {
        const std::string &field = raw(column);
        std::int64_t value = 0;
        const char *end = field.data() + field.size();
        const auto [ptr, ec] = std::from_chars(field.data(), end, value);
        if (field.empty() || ec != std::errc() || ptr != end)
            fail(column, "\"" + field + "\" is not a decimal integer");
        if (value < min || value > max)
            fail(column, field + " is outside " + std::to_string(min) + ".." + std::to_string(max));
        return static_cast<std::int32_t>(value);
    }

    std::string text(const std::string &column, std::size_t maxBytes) const
    {
        const std::string &field = raw(column);
        if (field.empty())
            fail(column, "empty (write \"-\" for none)");
        if (field.size() > maxBytes)
            fail(column, "longer than " + std::to_string(maxBytes) + " bytes");
        if (field.front() == ' ' || field.back() == ' ')
            fail(column, "leading or trailing blank");
        return field;
    }

    [[noreturn]] void fail(const std::string &column, const std::string &what) const
    {
        throw SourceError(table_.fileName + ":" + std::to_string(record_.line) + ": " + column + ": " + what);
    }

private:
    const std::string &raw(const std::string &column) const
    {
        for (std::size_t i = 0; i < header_.size(); ++i) {
            if (header_[i] == column)
                return record_.fields.at(i);
        }
        throw SourceError("internal: unknown column " + column);
    }

    const CsvTable &table_;
    const std::vector<std::string> &header_;
    const CsvRecord &record_;
};

// Param_Num and the sub-index are written into parameter files around a
// full stop and a tab; neither may appear inside them.
void checkFileSafe(const FieldReader &reader, const std::string &column, const std::string &value)
{
    if (value.find('.') != std::string::npos)
        reader.fail(column, "must not contain a full stop (it separates fields in parameter files)");
}

// The limits pass through a printf-style formatter on their way into the grid.
void checkNoPercent(const FieldReader &reader, const std::string &column, const std::string &value)
{
    if (value.find('%') != std::string::npos)
        reader.fail(column, "must not contain '%'");
}

} // namespace

std::vector<ParameterRow> loadParameters(const std::string &path)
{
    const CsvTable table = readCsvTable(path, kParameterHeader);
    std::vector<ParameterRow> rows;
    std::map<std::int32_t, std::string> groupNames;
    for (const CsvRecord &record : table.records) {
        const FieldReader f(table, kParameterHeader, record);
        ParameterRow row;
        row.line = record.line;
        row.id = f.integer("Param_ID", 1, 32767);
        row.group = f.integer("Param_Group_ID", 0, 7);
        row.groupName = f.text("Param_Group_Name", kLongText);
        row.number = f.text("Param_Num", kShortText);
        row.subIndex = f.text("Servo_ID", kShortText);
        row.name = f.text("Param_Name", kLongText);
        row.defaultValue = f.text("Param_Value", kShortText);
        row.unit = f.text("Param_Unit", kShortText);
        row.minValue = f.text("Param_Min_Value", kShortText);
        row.maxValue = f.text("Param_Max_Value", kShortText);
        row.address = f.integer("Param_Address", 0, 65534);
        row.dataType = f.integer("Param_DataType", 0, 8);
        row.bitType = f.integer("Param_Bit_Type", 1, 2);
        row.change = f.integer("Param_Change", 0, 2);

        if (row.address % 2 != 0)
            f.fail("Param_Address", "register addresses are even");
        if (row.dataType > 3 && row.dataType != 8)
            f.fail("Param_DataType", "must be 0 (bits), 1 (hex), 2 (signed), 3 (unsigned) or 8 (status)");
        if (!rows.empty() && row.id <= rows.back().id)
            f.fail("Param_ID", "must increase from row to row (it gives the catalogue order)");
        checkFileSafe(f, "Param_Num", row.number);
        checkFileSafe(f, "Servo_ID", row.subIndex);
        checkNoPercent(f, "Param_Min_Value", row.minValue);
        checkNoPercent(f, "Param_Max_Value", row.maxValue);
        const auto [it, inserted] = groupNames.emplace(row.group, row.groupName);
        if (!inserted && it->second != row.groupName)
            f.fail("Param_Group_Name", "differs from \"" + it->second + "\" given earlier for this group");
        rows.push_back(std::move(row));
    }
    if (rows.empty())
        throw SourceError(path + ": no parameter rows");
    return rows;
}

std::vector<ServoRow> loadServos(const std::string &path)
{
    const CsvTable table = readCsvTable(path, kServoHeader);
    std::vector<ServoRow> rows;
    std::set<std::string> ids;
    for (const CsvRecord &record : table.records) {
        const FieldReader f(table, kServoHeader, record);
        ServoRow row;
        row.id = f.text("Servo_ID", kShortText);
        row.name = f.text("Servo_Name", kLongText);
        row.groupCount = f.integer("Param_Group_Cnt", 1, 32767);
        if (!ids.insert(row.id).second)
            f.fail("Servo_ID", "\"" + row.id + "\" appears twice");
        rows.push_back(std::move(row));
    }
    if (rows.empty())
        throw SourceError(path + ": no drive model rows");
    return rows;
}

void applyTranslation(const std::string &path, std::vector<ParameterRow> &rows)
{
    const CsvTable table = readCsvTable(path, kTranslationHeader);
    std::map<std::int32_t, ParameterRow *> byId;
    for (ParameterRow &row : rows)
        byId[row.id] = &row;

    std::set<std::int32_t> seen;
    std::map<std::int32_t, std::string> groupNames;
    for (const CsvRecord &record : table.records) {
        const FieldReader f(table, kTranslationHeader, record);
        const std::int32_t id = f.integer("Param_ID", 1, 32767);
        const auto target = byId.find(id);
        if (target == byId.end())
            f.fail("Param_ID", std::to_string(id) + " is not in the parameter table");
        if (!seen.insert(id).second)
            f.fail("Param_ID", std::to_string(id) + " appears twice");
        ParameterRow &row = *target->second;
        row.groupName = f.text("Param_Group_Name", kLongText);
        row.name = f.text("Param_Name", kLongText);
        row.unit = f.text("Param_Unit", kShortText);
        const auto [it, inserted] = groupNames.emplace(row.group, row.groupName);
        if (!inserted && it->second != row.groupName)
            f.fail("Param_Group_Name", "differs from \"" + it->second + "\" given earlier for this group");
    }
    for (const ParameterRow &row : rows) {
        if (!seen.count(row.id))
            throw SourceError(path + ": no translation for Param_ID " + std::to_string(row.id) + " (" + row.name + ")");
    }
}

} // namespace vq::catalogue
