// The catalogue generator's checks of its CSV sources: each defect an editor
// of data/*.csv is likely to make fails the run with the file, the line and
// what is wrong, and leaves no catalogue file behind.
#include "tests/database/fixture_catalogue.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <ostream>
#include <iterator>
#include <sys/wait.h>

namespace vq::test {
namespace {

const std::string kParameters =
    "Param_ID,Param_Group_ID,Param_Group_Name,Param_Num,Servo_ID,Param_Name,Param_Value,Param_Unit,"
    "Param_Min_Value,Param_Max_Value,Param_Address,Param_DataType,Param_Bit_Type,Param_Change\n"
    "1,0,Status,0x2600,0,Current Speed,-,rpm,-,-,2,2,1,0\n"
    "101,1,System,0x2000,0,Motor ID,0,-,0,999,80,3,1,1\n"
    "102,1,System,0x2001,0,Inertia Ratio,100,%,0,30000,82,3,1,0\n";
const std::string kTranslation =
    "Param_ID,Param_Group_Name,Param_Name,Param_Unit\n"
    "1,상태,현재 속도,rpm\n"
    "101,시스템,모터 ID,-\n"
    "102,시스템,관성비,%\n";
const std::string kServos = "Servo_ID,Servo_Name,Param_Group_Cnt\nM9A-01,M9A 100W,8\nM9A-02,M9A 200W,8\n";

struct GeneratorRun {
    int exitCode = -1;
    std::string errors;
    bool outputExists = false;
};

class CatalogueGenerator : public ::testing::Test {
protected:
    void write(const std::string &name, const std::string &text) const
    {
        std::ofstream(directory() / name, std::ios::binary) << text;
    }

    std::filesystem::path directory() const { return scratch.directory(); }

    GeneratorRun run(const std::string &parameters, const std::string &translation, const std::string &servos) const
    {
        write("parameters.csv", parameters);
        write("translation.csv", translation);
        write("servos.csv", servos);
        const auto output = directory() / "out.mdb";
        const auto errors = directory() / "errors.txt";
        const std::string command = std::string("'") + VQ_CATALOGUE_GENERATOR + "' --parameters '" +
                                    (directory() / "parameters.csv").string() + "' --translation '" +
                                    (directory() / "translation.csv").string() + "' --servos '" +
                                    (directory() / "servos.csv").string() + "' --output '" + output.string() +
                                    "' 2> '" + errors.string() + "'";
        GeneratorRun result;
        const int status = std::system(command.c_str());
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(errors);
        result.errors.assign(std::istreambuf_iterator<char>(in), {});
        result.outputExists = std::filesystem::exists(output);
        return result;
    }

    // Replaces the first `from` in `text`; the fixture must contain it.
    static std::string edited(std::string text, const std::string &from, const std::string &to)
    {
        const auto at = text.find(from);
        if (at == std::string::npos)
            throw std::logic_error("fixture text not found: " + from);
        return text.replace(at, from.size(), to);
    }

    FixtureFile scratch;
};

TEST_F(CatalogueGenerator, ValidSourcesGiveTheTranslatedCatalogue)
{
    const GeneratorRun result = run(kParameters, kTranslation, kServos);
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    ASSERT_TRUE(result.outputExists);
    EXPECT_FALSE(std::filesystem::exists(directory() / "out.mdb.partial"));

    DatabaseSession session;
    ASSERT_TRUE(DB_FileOpen((directory() / "out.mdb").u16string()));
    EXPECT_EQ(DB_GetPrmCntInGrp(1), 2);
    EXPECT_EQ(DB_GetFrPrmAddrInGrp(1), 80);
    ParameterAttribute rows[2];
    ASSERT_TRUE(DB_GetParamAttr(1, rows, 2));
    EXPECT_EQ(rows[1].Param_Name, u"관성비");
    EXPECT_EQ(rows[1].Param_Group_Name, u"시스템");
    EXPECT_EQ(rows[1].Param_Unit, u"%");
    EXPECT_EQ(rows[1].Param_Max_Value, u"30000");
    EXPECT_EQ(DB_GetPrvServoCnt(), 2);
}

struct SourceDefect {
    const char *name;
    const char *file; // which source carries the defect
    const char *from;
    const char *to;
    const char *expected; // part of the error text
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const SourceDefect &value, std::ostream *out)
{
    *out << value.name;
}

const SourceDefect kDefects[] = {
    {"RenamedColumn", "parameters.csv", "Param_Address,", "Address,", "header must be exactly"},
    {"AddressNotANumber", "parameters.csv", ",80,3,1,1", ",8O,3,1,1", "parameters.csv:3: Param_Address: \"8O\" is not a decimal integer"},
    {"OddAddress", "parameters.csv", ",80,3,1,1", ",81,3,1,1", "parameters.csv:3: Param_Address: register addresses are even"},
    {"MissingField", "parameters.csv", ",80,3,1,1", ",80,3,1", "parameters.csv:3: expected 14 fields, found 13"},
    {"ParamIdOutOfOrder", "parameters.csv", "102,1,System", "100,1,System", "parameters.csv:4: Param_ID: must increase"},
    {"UnknownDataType", "parameters.csv", ",82,3,1,0", ",82,5,1,0", "Param_DataType: must be 0 (bits)"},
    {"ThreeRegisterValue", "parameters.csv", ",82,3,1,0", ",82,3,3,0", "Param_Bit_Type: 3 is outside 1..2"},
    {"UnknownChangeCondition", "parameters.csv", ",82,3,1,0", ",82,3,1,4", "Param_Change: 4 is outside 0..2"},
    {"GroupOutOfRange", "parameters.csv", "102,1,System", "102,9,System", "Param_Group_ID: 9 is outside 0..7"},
    {"FullStopInNumber", "parameters.csv", "0x2001", "0x20.1", "Param_Num: must not contain a full stop"},
    {"PercentInLimit", "parameters.csv", ",0,30000,", ",0,30000%,", "Param_Max_Value: must not contain '%'"},
    {"EmptyName", "parameters.csv", "Inertia Ratio", "", "Param_Name: empty"},
    {"TabInName", "parameters.csv", "Inertia Ratio", "Inertia\tRatio", "parameters.csv:4: control character"},
    {"UnterminatedQuote", "parameters.csv", "Inertia Ratio", "\"Inertia Ratio", "parameters.csv:4: unterminated quoted field"},
    {"InconsistentGroupName", "parameters.csv", "102,1,System", "102,1,Systen", "differs from \"System\""},
    {"BrokenUtf8", "translation.csv", "관성비", "\xEA\xB4", "translation.csv: not valid UTF-8 text"},
    {"MissingTranslation", "translation.csv", "102,시스템,관성비,%\n", "", "no translation for Param_ID 102"},
    {"UnknownTranslation", "translation.csv", "102,시스템", "103,시스템", "translation.csv:4: Param_ID: 103 is not in the parameter table"},
    {"TranslatedGroupNamesDiffer", "translation.csv", "102,시스템", "102,시스탬", "Param_Group_Name: differs from"},
    {"DuplicateServo", "servos.csv", "M9A-02,", "M9A-01,", "servos.csv:3: Servo_ID: \"M9A-01\" appears twice"},
    {"NoServos", "servos.csv", "M9A-01,M9A 100W,8\nM9A-02,M9A 200W,8\n", "", "no drive model rows"},
};

class CatalogueGeneratorDefects : public CatalogueGenerator, public ::testing::WithParamInterface<SourceDefect> {};

TEST_P(CatalogueGeneratorDefects, DefectFailsTheRunWithItsPlace)
{
    const SourceDefect &d = GetParam();
    const std::string file = d.file;
    const GeneratorRun result =
        run(file == "parameters.csv" ? edited(kParameters, d.from, d.to) : kParameters,
            file == "translation.csv" ? edited(kTranslation, d.from, d.to) : kTranslation,
            file == "servos.csv" ? edited(kServos, d.from, d.to) : kServos);
    EXPECT_EQ(result.exitCode, 1) << result.errors;
    EXPECT_NE(result.errors.find(d.expected), std::string::npos) << result.errors;
    EXPECT_FALSE(result.outputExists) << "no catalogue may be left behind";
    EXPECT_FALSE(std::filesystem::exists(directory() / "out.mdb.partial"));
}

INSTANTIATE_TEST_SUITE_P(Sources, CatalogueGeneratorDefects, ::testing::ValuesIn(kDefects),
                         [](const auto &test) { return std::string(test.param.name); });

TEST_F(CatalogueGenerator, MissingSourceAndBadArgumentsFail)
{
    write("servos.csv", kServos);
    const std::string missing = std::string("'") + VQ_CATALOGUE_GENERATOR + "' --parameters '" +
                                (directory() / "absent.csv").string() + "' --servos '" +
                                (directory() / "servos.csv").string() + "' --output '" +
                                (directory() / "out.mdb").string() + "' 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(missing.c_str())), 1);
    const std::string noOutput = std::string("'") + VQ_CATALOGUE_GENERATOR + "' --parameters x.csv 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(noOutput.c_str())), 2);
}

} // namespace
} // namespace vq::test
