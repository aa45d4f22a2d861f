// The generated catalogue files against the rules that the rest of the
// program builds on: the register plan (every group one contiguous block
// that fits one block read and one write-multiple request, clear of the
// drive's fixed registers), the positions that the parameter display and
// write checks single out, the way defaults and limits are written, and the
// two editions agreeing on everything but their texts. An edit of data/*.csv
// that breaks a feature fails here.
#include "tests/database/catalogue_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <set>

namespace vq::test {
namespace {

constexpr int kGroups = 8;
constexpr int kMaxGroupRegisters = 124; // one write-multiple request carries at most 124 registers
constexpr std::size_t kMaxParameters = 400; // the parameter file's staging array
const char *const kGroupNames[kGroups] = {"Status",         "System",            "Control",        "In/Out",
                                          "SpeedOperation", "PositionOperation", "FactorySetting", "Fullclosed"};

enum Group { Status = 0, System, Control, InOut, Speed, Position, Factory, Fullclosed };

bool isDecimal(const CatalogueRow &r)
{
    return r.bitType == 2 || (r.dataType != 0 && r.dataType != 1);
}

std::optional<std::int64_t> decimalInteger(const std::string &text)
{
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Registers held by a row (its address, and address + 2 for a 32-bit value).
std::vector<std::int64_t> registersOf(const CatalogueRow &r)
{
    std::vector<std::int64_t> registers;
    for (std::int64_t i = 0; i < r.bitType; ++i)
        registers.push_back(r.address + 2 * i);
    return registers;
}

std::string describe(const CatalogueRow &r)
{
    return "group " + std::to_string(r.group) + " position " + std::to_string(r.position) + " (" + r.number + " " +
           r.name + ")";
}

// A hexadecimal value as the read-all display shows it, by group and position.
std::string hexText(std::int64_t group, int position, unsigned value)
{
    char text[16];
    if (group == System && position == 16)
        std::snprintf(text, sizeof text, "%.1X", value);
    else if (group == Control || group == Fullclosed)
        std::snprintf(text, sizeof text, "%.2X", value);
    else if (group == Factory)
        std::snprintf(text, sizeof text, "%4X", value);
    else
        std::snprintf(text, sizeof text, "%.4X", value);
    return text;
}

// Binary digits typed into the grid back to a value: 2, 4 or 5 characters.
std::optional<unsigned> bitFieldValue(const std::string &digits)
{
    if (digits.size() != 2 && digits.size() != 4 && digits.size() != 5)
        return std::nullopt;
    unsigned value = 0;
    for (const char c : digits) {
        if (c != '0' && c != '1')
            return std::nullopt;
        value = value * 2 + static_cast<unsigned>(c - '0');
    }
    return value;
}

// A bit field as the read-all display shows it: the group's low bits as a
// number whose decimal digits are the bits, in the group's format.
std::string bitFieldText(std::int64_t group, int position, unsigned value)
{
    const int bits = (group == System || group == InOut) ? 5 : 4;
    unsigned digits = 0;
    for (int bit = bits - 1; bit >= 0; --bit)
        digits = digits * 10 + ((value >> bit) & 1u);
    char text[16];
    if (group == System && position == 17)
        std::snprintf(text, sizeof text, "%.5u", digits);
    else if (group == System || group == Control || group == Fullclosed)
        std::snprintf(text, sizeof text, "%.2u", digits);
    else if (group == InOut)
        std::snprintf(text, sizeof text, "%.5u", digits);
    else
        std::snprintf(text, sizeof text, "%.4u", digits);
    return text;
}

bool containsHangul(const std::string &utf8)
{
    // Hangul syllables U+AC00..U+D7A3 are encoded EA B0 80 .. ED 9E A3.
    for (std::size_t i = 0; i + 2 < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b >= 0xEA && b <= 0xED)
            return true;
    }
    return false;
}

class CatalogueConsistency : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        english = new CatalogueFile(readCatalogueFile(TARVEX_CATALOGUE_ENG));
        korean = new CatalogueFile(readCatalogueFile(TARVEX_CATALOGUE_KOR));
    }
    static void TearDownTestSuite()
    {
        delete english;
        delete korean;
        english = korean = nullptr;
    }

    static const std::vector<CatalogueRow> &group(int g) { return english->groups.at(g); }

    static const CatalogueRow *rowAt(std::int64_t address)
    {
        for (const CatalogueRow &r : english->rows) {
            if (r.address == address)
                return &r;
        }
        return nullptr;
    }

    static CatalogueFile *english;
    static CatalogueFile *korean;
};

CatalogueFile *CatalogueConsistency::english = nullptr;
CatalogueFile *CatalogueConsistency::korean = nullptr;

TEST_F(CatalogueConsistency, TablesDeclareTheCatalogueColumns)
{
    const std::vector<std::pair<std::string, std::string>> parameter = {
        {"Param_ID", "INTEGER"},       {"Servo_ID", "TEXT"},         {"Param_Group_ID", "INTEGER"},
        {"Param_Group_Name", "TEXT"},  {"Param_Name", "TEXT"},       {"Param_Value", "TEXT"},
        {"Param_Unit", "TEXT"},        {"Param_Max_Value", "TEXT"},  {"Param_Min_Value", "TEXT"},
        {"Param_Address", "INTEGER"},  {"Param_DataType", "INTEGER"}, {"Param_Bit_Type", "INTEGER"},
        {"Param_Change", "INTEGER"},   {"Param_Num", "TEXT"}};
    const std::vector<std::pair<std::string, std::string>> servo = {
        {"Servo_ID", "TEXT"}, {"Servo_Name", "TEXT"}, {"Param_Group_Cnt", "INTEGER"}};
    for (const CatalogueFile *file : {english, korean}) {
        std::vector<std::pair<std::string, std::string>> declared;
        for (const auto &c : file->parameterColumns)
            declared.emplace_back(c.name, c.declaredType);
        EXPECT_EQ(declared, parameter);
        declared.clear();
        for (const auto &c : file->servoColumns)
            declared.emplace_back(c.name, c.declaredType);
        EXPECT_EQ(declared, servo);
        EXPECT_TRUE(file->cellTypeFaults.empty()) << file->cellTypeFaults.front();
    }
}

TEST_F(CatalogueConsistency, EightGroupsWithTheirNames)
{
    ASSERT_EQ(english->groups.size(), static_cast<std::size_t>(kGroups));
    for (int g = 0; g < kGroups; ++g) {
        ASSERT_TRUE(english->groups.count(g)) << "group " << g << " missing";
        for (const CatalogueRow &r : group(g))
            EXPECT_EQ(r.groupName, kGroupNames[g]) << describe(r);

        const auto &translated = korean->groups.at(g);
        for (const CatalogueRow &r : translated) {
            EXPECT_EQ(r.groupName, translated.front().groupName) << "one name per group: " << describe(r);
            EXPECT_TRUE(containsHangul(r.groupName)) << describe(r);
        }
    }
}

TEST_F(CatalogueConsistency, RowsAreOrderedAndCounted)
{
    EXPECT_LE(english->rows.size(), kMaxParameters);
    std::set<std::pair<std::string, std::string>> numbers;
    std::int64_t previous = 0;
    for (const CatalogueRow &r : english->rows) {
        // Param_ID is read as a signed 16-bit field: the order must survive that.
        EXPECT_GT(r.id, previous) << describe(r);
        EXPECT_LE(r.id, 32767) << describe(r);
        previous = r.id;
        EXPECT_NE(r.number, "-") << "every parameter is counted: " << describe(r);
        EXPECT_TRUE(numbers.emplace(r.number, r.subIndex).second) << "number and sub-index twice: " << describe(r);
        EXPECT_TRUE(decimalInteger(r.subIndex).has_value()) << describe(r);
    }
}

TEST_F(CatalogueConsistency, ObjectNumbersCarryTheirGroupsIndex)
{
    std::set<std::string> prefixes;
    for (int g = 0; g < kGroups; ++g) {
        const auto &rows = group(g);
        const std::string prefix = rows.front().number.substr(0, 4);
        EXPECT_TRUE(prefixes.insert(prefix).second) << "group " << g << " shares its object index " << prefix;
        std::string previous;
        for (const CatalogueRow &r : rows) {
            const bool wellFormed = r.number.size() == 6 && r.number.rfind("0x", 0) == 0 &&
                                    std::all_of(r.number.begin() + 2, r.number.end(),
                                                [](char c) { return std::isdigit(c) || (c >= 'A' && c <= 'F'); });
            EXPECT_TRUE(wellFormed) << describe(r);
            EXPECT_EQ(r.number.substr(0, 4), prefix) << describe(r);
            EXPECT_GE(r.number, previous) << "numbers follow the catalogue order: " << describe(r);
            previous = r.number;
        }
    }
}

TEST_F(CatalogueConsistency, EachGroupIsOneContiguousRegisterBlock)
{
    for (int g = 0; g < kGroups; ++g) {
        const auto &rows = group(g);
        std::int64_t registers = 0;
        for (const CatalogueRow &r : rows) {
            EXPECT_EQ(r.address, rows.front().address + 2 * registers) << describe(r);
            registers += r.bitType;
        }
        EXPECT_LE(registers, kMaxGroupRegisters) << "group " << g;
        EXPECT_EQ(rows.front().address % 2, 0) << "group " << g;
        EXPECT_LE(rows.back().address + 2 * (rows.back().bitType - 1), 65534) << "group " << g;
    }
}

TEST_F(CatalogueConsistency, GroupsShareOnlyTheNotchFilterUseRegister)
{
    std::map<std::int64_t, std::vector<const CatalogueRow *>> holders;
    for (const CatalogueRow &r : english->rows) {
        for (const std::int64_t reg : registersOf(r))
            holders[reg].push_back(&r);
    }
    for (const auto &[reg, rows] : holders) {
        if (reg == 174)
            continue;
        EXPECT_EQ(rows.size(), 1u) << "register " << reg << " held by " << describe(*rows.front()) << " and "
                                   << describe(*rows.back());
    }

    // 174 ends the program jog block (Time4) and starts the notch filter block.
    ASSERT_EQ(holders[174].size(), 2u);
    const bool jogFirst = holders[174][0]->group == Speed;
    const CatalogueRow &jog = *holders[174][jogFirst ? 0 : 1];
    const CatalogueRow &notch = *holders[174][jogFirst ? 1 : 0];
    EXPECT_EQ(jog.group, Speed);
    EXPECT_EQ(jog.number, "0x230D");
    EXPECT_EQ(jog.position + 1, static_cast<int>(group(Speed).size())) << "Time4 is the last jog register";
    EXPECT_EQ(notch.position, 0) << "the notch block opens its group";
    EXPECT_NE(notch.name.find("Notch"), std::string::npos) << describe(notch);
    // One register has one factory value.
    EXPECT_EQ(jog.defaultValue, notch.defaultValue) << "the defaults of register 174 disagree";
}

TEST_F(CatalogueConsistency, DriveRegistersOutsideTheCatalogueStayClear)
{
    std::vector<std::pair<std::int64_t, std::int64_t>> reserved = {
        {0, 0},       // drive state
        {78, 78},     // presence
        {206, 272},   // state-variable block
        {274, 274},   // alarm command
        {278, 316},   // alarm history block, with tuning command 300 and levels 304, 306
        {442, 442},   // parameter lock
        {1000, 4200}, // capture areas, I/O words, version text, operation and program jog commands
    };
    for (const CatalogueRow &r : english->rows) {
        for (const std::int64_t reg : registersOf(r)) {
            for (const auto &[first, last] : reserved)
                EXPECT_FALSE(reg >= first && reg <= last) << "register " << reg << " of " << describe(r);
        }
    }
}

TEST_F(CatalogueConsistency, FixedParameterRegistersHoldTheirParameters)
{
    const CatalogueRow *version = rowAt(62);
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->group, Status);
    EXPECT_EQ(version->position, 25);
    EXPECT_EQ(version->dataType, 8);
    EXPECT_EQ(version->bitType, 1);

    const CatalogueRow *inertia = rowAt(82);
    ASSERT_NE(inertia, nullptr);
    EXPECT_NE(inertia->group, Status);
    EXPECT_NE(inertia->name.find("Inertia"), std::string::npos) << describe(*inertia);
    EXPECT_TRUE(inertia->dataType == 2 || inertia->dataType == 3) << describe(*inertia);
    EXPECT_EQ(inertia->bitType, 1);

    const CatalogueRow *jogSpeed = rowAt(158);
    ASSERT_NE(jogSpeed, nullptr);
    EXPECT_EQ(jogSpeed->group, Speed);
    EXPECT_EQ(jogSpeed->number, "0x2305");
    EXPECT_EQ(jogSpeed->dataType, 3) << "the jog window reads the jog speed unsigned";
    EXPECT_EQ(jogSpeed->bitType, 1);

    const char *const programNumbers[] = {"0x2306", "0x2307", "0x2308", "0x2309",
                                          "0x230A", "0x230B", "0x230C", "0x230D"};
    for (int i = 0; i < 8; ++i) {
        const CatalogueRow *step = nullptr;
        for (const CatalogueRow &r : group(Speed)) {
            if (r.address == 160 + 2 * i)
                step = &r;
        }
        ASSERT_NE(step, nullptr) << "program jog register " << 160 + 2 * i;
        EXPECT_EQ(step->number, programNumbers[i]);
        EXPECT_EQ(step->dataType, 2) << "program jog values are signed: " << describe(*step);
        EXPECT_EQ(step->bitType, 1);
    }

    // The notch block, as the spectrum window reads and writes it: use 0..1,
    // frequency and bandwidth within the window's 0..1000.
    const CatalogueRow *use = nullptr;
    for (const CatalogueRow &r : english->rows) {
        if (r.address == 174 && r.group != Speed)
            use = &r;
    }
    ASSERT_NE(use, nullptr);
    const auto &notchGroup = group(static_cast<int>(use->group));
    ASSERT_GE(notchGroup.size(), 3u);
    const std::pair<std::int64_t, std::int64_t> limits[] = {{0, 1}, {0, 1000}, {0, 1000}};
    for (int i = 0; i < 3; ++i) {
        const CatalogueRow &r = notchGroup[static_cast<std::size_t>(use->position + i)];
        EXPECT_EQ(r.address, 174 + 2 * i) << describe(r);
        EXPECT_TRUE(isDecimal(r)) << describe(r);
        EXPECT_EQ(r.bitType, 1);
        EXPECT_GE(decimalInteger(r.minValue).value_or(-1), limits[i].first) << describe(r);
        EXPECT_LE(decimalInteger(r.maxValue).value_or(100000), limits[i].second) << describe(r);
    }
    EXPECT_EQ(notchGroup[static_cast<std::size_t>(use->position)].maxValue, "1");
}

TEST_F(CatalogueConsistency, StatusRowsFollowTheStatusDisplay)
{
    const auto &rows = group(Status);
    ASSERT_GE(rows.size(), 27u);
    const auto at = [&](int k) -> const CatalogueRow & { return rows[static_cast<std::size_t>(k)]; };

    // 32-bit values shown unsigned, times 0.1.
    EXPECT_EQ(at(5).bitType, 2);
    EXPECT_EQ(at(6).bitType, 2);
    // Signed values times 0.1.
    for (int k = 6; k <= 10; ++k)
        EXPECT_EQ(at(k).dataType, 2) << describe(at(k));
    // Values of other types scaled by 0.1 (and 0.01 at 19): decimal, 16-bit.
    for (const int k : {11, 12, 13, 14, 19, 26}) {
        EXPECT_EQ(at(k).bitType, 1) << describe(at(k));
        EXPECT_TRUE(at(k).dataType != 0 && at(k).dataType != 1 && at(k).dataType != 2 && at(k).dataType != 8)
            << describe(at(k));
    }
    EXPECT_EQ(at(22).bitType, 1);
    EXPECT_TRUE(at(22).dataType == 8 || at(22).dataType > 2) << describe(at(22));
    EXPECT_EQ(at(25).dataType, 8);
    EXPECT_EQ(at(25).address, 62);

    for (const CatalogueRow &r : rows) {
        EXPECT_EQ(r.change, 0) << "status values are read-only: " << describe(r);
        if (r.bitType == 2)
            EXPECT_TRUE(r.dataType == 2 || r.dataType == 3) << describe(r);
    }
    for (const CatalogueRow &r : english->rows) {
        if (r.group != Status)
            EXPECT_NE(r.dataType, 8) << "scaled status type outside the status group: " << describe(r);
    }
}

TEST_F(CatalogueConsistency, SystemRowsFollowTheSystemDisplay)
{
    const auto &rows = group(System);
    ASSERT_GE(rows.size(), 18u);
    const CatalogueRow &resolution = rows[2];
    EXPECT_TRUE(isDecimal(resolution) && resolution.bitType == 1) << describe(resolution);
    EXPECT_EQ(resolution.unit, "bit");
    EXPECT_LT(decimalInteger(resolution.defaultValue).value_or(99), 31) << "a default in bits shows the unit bit";

    const CatalogueRow &oneHexDigit = rows[16];
    EXPECT_EQ(oneHexDigit.dataType, 1) << describe(oneHexDigit);
    EXPECT_EQ(oneHexDigit.bitType, 1);
    EXPECT_LE(decimalInteger(oneHexDigit.maxValue).value_or(16), 15) << "one hexadecimal digit";

    const CatalogueRow &fiveBits = rows[17];
    EXPECT_EQ(fiveBits.dataType, 0) << describe(fiveBits);
    EXPECT_EQ(fiveBits.defaultValue.size(), 5u);

    // Position 6 is written without a range check: a decimal value whose
    // valid range depends on the drive model.
    EXPECT_TRUE(isDecimal(rows[6]) && rows[6].bitType == 1) << describe(rows[6]);
}

TEST_F(CatalogueConsistency, RangeExemptPositionsAreSixteenBitDecimals)
{
    const std::vector<std::pair<int, std::vector<int>>> exempt = {
        {Speed, {11}}, {Position, {9, 12, 14}}, {Fullclosed, {9, 12, 14}}};
    for (const auto &[g, positions] : exempt) {
        const auto &rows = group(g);
        ASSERT_GE(rows.size(), 15u) << "group " << g;
        for (const int k : positions) {
            const CatalogueRow &r = rows[static_cast<std::size_t>(k)];
            EXPECT_TRUE(r.bitType == 1 && r.dataType != 0 && r.dataType != 1) << describe(r);
        }
    }
}

TEST_F(CatalogueConsistency, TypesWidthsAndChangeConditionsAreKnown)
{
    std::set<std::int64_t> changes;
    for (const CatalogueRow &r : english->rows) {
        EXPECT_TRUE(r.dataType == 0 || r.dataType == 1 || r.dataType == 2 || r.dataType == 3 || r.dataType == 8)
            << describe(r);
        EXPECT_TRUE(r.bitType == 1 || r.bitType == 2) << describe(r);
        if (r.bitType == 2)
            EXPECT_TRUE(r.dataType == 2 || r.dataType == 3) << "32-bit values are decimal: " << describe(r);
        EXPECT_TRUE(r.change >= 0 && r.change <= 2) << describe(r);
        if (r.group != Status)
            changes.insert(r.change);
    }
    EXPECT_EQ(changes, (std::set<std::int64_t>{0, 1, 2})) << "settings take effect at once, after a power cycle "
                                                             "and only with the servo off";
    EXPECT_FALSE(group(Factory).empty());
}

// Defaults are compared with the displayed values as texts, so each must be
// written exactly as the grid shows a value, and lie within its limits.
TEST_F(CatalogueConsistency, DefaultsAndLimitsAreWrittenAsTheGridShowsThem)
{
    for (const CatalogueRow &r : english->rows) {
        if (r.group == Status)
            continue;
        const auto min = decimalInteger(r.minValue);
        const auto max = decimalInteger(r.maxValue);
        if (isDecimal(r)) {
            ASSERT_TRUE(min && max) << "decimal limits: " << describe(r);
            const auto value = decimalInteger(r.defaultValue);
            ASSERT_TRUE(value.has_value()) << describe(r);
            EXPECT_EQ(std::to_string(*value), r.defaultValue) << describe(r);
            EXPECT_LE(*min, *value) << describe(r);
            EXPECT_LE(*value, *max) << describe(r);
            const std::int64_t lowest = r.bitType == 2 ? INT32_MIN : (r.dataType == 2 ? INT16_MIN : 0);
            const std::int64_t highest = r.bitType == 2 ? INT32_MAX : (r.dataType == 2 ? INT16_MAX : UINT16_MAX);
            EXPECT_GE(*min, lowest) << describe(r);
            EXPECT_LE(*max, highest) << describe(r);
            continue;
        }

        std::optional<unsigned> value;
        std::string shown;
        if (r.dataType == 1) {
            unsigned parsed = 0;
            const auto [end, ec] = std::from_chars(r.defaultValue.data(), r.defaultValue.data() + r.defaultValue.size(),
                                                   parsed, 16);
            if (ec == std::errc() && end == r.defaultValue.data() + r.defaultValue.size() && parsed <= 0xFFFF) {
                value = parsed;
                shown = hexText(r.group, r.position, parsed);
            }
        } else {
            value = bitFieldValue(r.defaultValue);
            if (value)
                shown = bitFieldText(r.group, r.position, *value);
        }
        ASSERT_TRUE(value.has_value()) << "default of " << describe(r);
        EXPECT_EQ(shown, r.defaultValue) << describe(r);
        if (r.minValue == "-" || r.maxValue == "-") {
            EXPECT_EQ(r.minValue, r.maxValue) << "both limits or neither: " << describe(r);
        } else {
            ASSERT_TRUE(min && max) << describe(r);
            EXPECT_LE(*min, static_cast<std::int64_t>(*value)) << describe(r);
            EXPECT_LE(static_cast<std::int64_t>(*value), *max) << describe(r);
        }
    }
}

TEST_F(CatalogueConsistency, TextsAreSafeInGridsAndParameterFiles)
{
    for (const CatalogueFile *file : {english, korean}) {
        for (const CatalogueRow &r : file->rows) {
            for (const std::string *t : {&r.number, &r.subIndex, &r.groupName, &r.name, &r.defaultValue, &r.unit,
                                         &r.minValue, &r.maxValue}) {
                EXPECT_FALSE(t->empty()) << describe(r);
                EXPECT_TRUE(std::none_of(t->begin(), t->end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
                    << describe(r);
            }
            // Parameter file lines are "number<TAB>sub-index.<TAB>value", split at the first full stop.
            EXPECT_EQ(r.number.find('.'), std::string::npos) << describe(r);
            EXPECT_EQ(r.subIndex.find('.'), std::string::npos) << describe(r);
            // The limits are passed through a printf-style formatter.
            EXPECT_EQ(r.minValue.find('%'), std::string::npos) << describe(r);
            EXPECT_EQ(r.maxValue.find('%'), std::string::npos) << describe(r);
        }
    }
}

TEST_F(CatalogueConsistency, EditionsDifferOnlyInTheirTexts)
{
    ASSERT_EQ(english->rows.size(), korean->rows.size());
    for (std::size_t i = 0; i < english->rows.size(); ++i) {
        const CatalogueRow &e = english->rows[i];
        const CatalogueRow &k = korean->rows[i];
        EXPECT_EQ(e.id, k.id);
        EXPECT_EQ(e.group, k.group);
        EXPECT_EQ(e.number, k.number) << describe(e);
        EXPECT_EQ(e.subIndex, k.subIndex) << describe(e);
        EXPECT_EQ(e.address, k.address) << describe(e);
        EXPECT_EQ(e.dataType, k.dataType) << describe(e);
        EXPECT_EQ(e.bitType, k.bitType) << describe(e);
        EXPECT_EQ(e.change, k.change) << describe(e);
        EXPECT_EQ(e.defaultValue, k.defaultValue) << describe(e);
        EXPECT_EQ(e.minValue, k.minValue) << describe(e);
        EXPECT_EQ(e.maxValue, k.maxValue) << describe(e);
        EXPECT_TRUE(containsHangul(k.name)) << "untranslated: " << describe(e);
        EXPECT_TRUE(std::all_of(e.name.begin(), e.name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            << describe(e);
    }
    ASSERT_EQ(english->servos.size(), korean->servos.size());
    for (std::size_t i = 0; i < english->servos.size(); ++i) {
        EXPECT_EQ(english->servos[i].id, korean->servos[i].id);
        EXPECT_EQ(english->servos[i].name, korean->servos[i].name);
        EXPECT_EQ(english->servos[i].groupCount, korean->servos[i].groupCount);
    }
}

TEST_F(CatalogueConsistency, ProvidedServosAreM9AModelsWithEightGroups)
{
    ASSERT_FALSE(english->servos.empty());
    std::set<std::string> ids;
    for (const CatalogueServo &s : english->servos) {
        EXPECT_TRUE(ids.insert(s.id).second) << s.id;
        EXPECT_EQ(s.id.rfind("M9A", 0), 0u) << s.id;
        EXPECT_FALSE(s.name.empty());
        EXPECT_EQ(s.groupCount, kGroups) << s.id;
    }
}

} // namespace
} // namespace vq::test
