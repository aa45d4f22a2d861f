// Files that are no usable catalogue. Each is reported at opening with two
// texts (the engine's general text, then the detail), DB_FileOpen still
// answers true, the catalogue stays closed and every later query answers 0
// or false without another word. Nothing is ever created or changed.
#include "tests/database/fixture_catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <iterator>

namespace vq::test {
namespace {

struct UnusableFile {
    const char *name;
    std::function<void(const FixtureCatalogue &)> make; // leaves the file (or its absence) at path()
    const char16_t *systemText;                          // expected first text
    const char16_t *detail;                              // expected part of the second text
};

std::string validCatalogueBytes(const FixtureCatalogue &scratch)
{
    scratch.createTables();
    scratch.execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
                    "INSERT INTO Parameter SELECT i, '0', i % 8, 'Group', 'Parameter', '0', '-', '0', '0', "
                    "80 + 2 * i, 3, 1, 0, '0x2000' FROM n;");
    std::ifstream in(scratch.path(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const UnusableFile &value, std::ostream *out)
{
    *out << value.name;
}

const UnusableFile kUnusableFiles[] = {
    {"MissingFile", [](const FixtureCatalogue &) {}, u"unable to open database file", u"no such file"},
    {"EmptyFile", [](const FixtureCatalogue &f) { f.writeBytes(""); }, u"file is not a database", u"empty"},
    {"TextFile", [](const FixtureCatalogue &f) { f.writeBytes("Param_ID,Param_Name\n1,Motor ID\n"); },
     u"file is not a database", u"no SQLite database header"},
    {"AccessDatabase",
     [](const FixtureCatalogue &f) {
         f.writeBytes(std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20) + std::string(2048, '\0'));
     },
     u"file is not a database", u"no SQLite database header"},
    {"CutHeader", [](const FixtureCatalogue &f) { f.writeBytes("SQLite for"); }, u"file is not a database",
     u"no SQLite database header"},
    {"HeaderOnly", [](const FixtureCatalogue &f) { f.writeBytes(std::string("SQLite format 3\0", 16)); },
     u"file is not a database", u"no SQLite database header"},
    {"Directory", [](const FixtureCatalogue &f) { std::filesystem::create_directory(f.path()); },
     u"unable to open database file", u"not a regular file"},
    {"DatabaseWithoutTables", [](const FixtureCatalogue &f) { f.execute("CREATE TABLE Other (x); DROP TABLE Other;"); },
     u"SQL logic error", u"no such table: Parameter"},
    {"DatabaseWithoutServoTable",
     [](const FixtureCatalogue &f) { f.createTables(); f.execute("DROP TABLE Provided_Servo;"); },
     u"SQL logic error", u"no such table: Provided_Servo"},
    {"DatabaseMissingAColumn",
     [](const FixtureCatalogue &f) {
         f.execute("CREATE TABLE Parameter (Param_ID, Servo_ID, Param_Group_ID, Param_Group_Name, Param_Name, "
                   "Param_Value, Param_Unit, Param_Max_Value, Param_Min_Value, Param_DataType, Param_Bit_Type, "
                   "Param_Change, Param_Num); CREATE TABLE Provided_Servo (Servo_ID, Servo_Name, Param_Group_Cnt);");
     },
     u"SQL logic error", u"no such column: Param_Address"},
    {"WriteAheadLogDatabase",
     [](const FixtureCatalogue &f) { f.createTables(); f.execute("PRAGMA journal_mode=WAL;"); },
     u"unable to open database file", u"write-ahead-log"},
    {"CorruptDatabase",
     [](const FixtureCatalogue &f) {
         FixtureCatalogue scratch;
         std::string bytes = validCatalogueBytes(scratch);
         // Keep the 100-byte file header, wreck the schema page behind it.
         for (std::size_t i = 100; i < bytes.size(); ++i)
             bytes[i] = static_cast<char>(0xA5 ^ (i * 7));
         f.writeBytes(bytes);
     },
     u"database disk image is malformed", u"malformed"},
};

class CatalogueOpening : public ::testing::TestWithParam<UnusableFile> {};

TEST_P(CatalogueOpening, UnusableFileLeavesTheCatalogueClosed)
{
    const UnusableFile &kind = GetParam();
    FixtureCatalogue file;
    kind.make(file);
    const bool existed = std::filesystem::exists(file.path());
    DatabaseSession session;
    MessageRecorder messages;

    EXPECT_TRUE(DB_FileOpen(file.widePath())) << "only a missing engine makes the open fail";
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(messages.texts[0], kind.systemText) << narrow(messages.texts[0]);
    EXPECT_NE(messages.texts[1].find(kind.detail), std::u16string::npos) << narrow(messages.texts[1]);

    messages.texts.clear();
    EXPECT_EQ(DB_GetPrmCntInGrp(0), 0);
    EXPECT_EQ(DB_GetFrPrmAddrInGrp(0), 0);
    EXPECT_EQ(DB_GetAllParamCnt(), 0);
    EXPECT_EQ(DB_GetPrvServoCnt(), 0);
    ParameterAttribute parameter;
    EXPECT_FALSE(DB_GetParamAttr(0, &parameter, 1));
    ServoAttribute servo;
    EXPECT_FALSE(DB_GetAllServoAttr(&servo, 1));
    EXPECT_TRUE(messages.texts.empty());

    EXPECT_EQ(std::filesystem::exists(file.path()), existed) << "opening must not create a file";
    for (const char *companion : {"-journal", "-wal", "-shm"})
        EXPECT_FALSE(std::filesystem::exists(file.path().string() + companion)) << companion;
}

INSTANTIATE_TEST_SUITE_P(Files, CatalogueOpening, ::testing::ValuesIn(kUnusableFiles),
                         [](const auto &test) { return std::string(test.param.name); });

TEST(CatalogueOpeningPath, UnpairedSurrogateInThePathIsReported)
{
    DatabaseSession session;
    MessageRecorder messages;
    CatalogueText path = u"DB/M9A_Tarvex-DATA_ENG.mdb";
    path[2] = u'\xD800';

    EXPECT_TRUE(DB_FileOpen(path));
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(messages.texts[0], u"invalid file name");
    EXPECT_EQ(DB_GetAllParamCnt(), 0);
}

TEST(CatalogueOpeningPath, NonAsciiPathsAreFound)
{
    FixtureCatalogue catalogue;
    const std::filesystem::path korean = catalogue.directory() / "카탈로그.mdb";
    catalogue.createTables();
    catalogue.addParameter(1, 3, "0x2200", 320);
    std::filesystem::rename(catalogue.path(), korean);

    DatabaseSession session;
    MessageRecorder messages;
    ASSERT_TRUE(DB_FileOpen(korean.u16string()));
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(DB_GetPrmCntInGrp(3), 1);
}

TEST(CatalogueOpeningPath, OpeningAndQueryingLeaveTheFileUnchanged)
{
    FixtureCatalogue catalogue;
    catalogue.createTables();
    catalogue.addParameter(1, 3, "0x2200", 320);
    const auto before = std::filesystem::last_write_time(catalogue.path());
    const auto size = std::filesystem::file_size(catalogue.path());
    {
        DatabaseSession session;
        ASSERT_TRUE(DB_FileOpen(catalogue.widePath()));
        ParameterAttribute r;
        ASSERT_TRUE(DB_GetParamAttr(3, &r, 1));
    }
    EXPECT_EQ(std::filesystem::last_write_time(catalogue.path()), before);
    EXPECT_EQ(std::filesystem::file_size(catalogue.path()), size);
    EXPECT_FALSE(std::filesystem::exists(catalogue.path().string() + "-journal"));
}

} // namespace
} // namespace vq::test
