#include "tests/database/fixture_catalogue.h"

#include "database/src/utf_text.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace vq::test {

namespace {

std::atomic<int> g_fixtureCounter{0};

std::string currentTestName()
{
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "_" + info->name() : "fixture";
    for (char &c : name) {
        if (c == '/')
            c = '_';
    }
    return name;
}

} // namespace

FixtureFile::FixtureFile()
{
    directory_ = std::filesystem::temp_directory_path() /
                 ("vq_db_" + currentTestName() + "_" + std::to_string(getpid()) + "_" +
                  std::to_string(g_fixtureCounter++));
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_);
    path_ = directory_ / "catalogue.mdb";
}

FixtureFile::~FixtureFile()
{
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

CatalogueText FixtureFile::widePath() const
{
    return widen(path_.string());
}

void FixtureFile::writeBytes(const std::string &bytes) const
{
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void FixtureCatalogue::execute(const std::string &sql) const
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path().c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        throw std::runtime_error("fixture cannot be opened: " + path().string());
    }
    // Fixtures are thrown away after the test: no need to wait for the disk.
    sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("fixture SQL failed: " + message + " in: " + sql);
}

void FixtureCatalogue::createTables() const
{
    execute("CREATE TABLE Parameter (Param_ID, Servo_ID, Param_Group_ID, Param_Group_Name, Param_Name, "
            "Param_Value, Param_Unit, Param_Max_Value, Param_Min_Value, Param_Address, Param_DataType, "
            "Param_Bit_Type, Param_Change, Param_Num);"
            "CREATE TABLE Provided_Servo (Servo_ID, Servo_Name, Param_Group_Cnt);");
}

void FixtureCatalogue::addParameter(const std::string &values) const
{
    execute("INSERT INTO Parameter (Param_ID, Servo_ID, Param_Group_ID, Param_Group_Name, Param_Name, "
            "Param_Value, Param_Unit, Param_Max_Value, Param_Min_Value, Param_Address, Param_DataType, "
            "Param_Bit_Type, Param_Change, Param_Num) VALUES (" +
            values + ")");
}

void FixtureCatalogue::addParameter(int id, int group, const std::string &number, int address) const
{
    addParameter(std::to_string(id) + ", '0', " + std::to_string(group) + ", 'Group', 'Parameter " +
                 std::to_string(id) + "', '1', 'ms', '100', '0', " + std::to_string(address) + ", 3, 1, 0, '" +
                 number + "'");
}

void FixtureCatalogue::addServo(const std::string &id, const std::string &name, int groupCount) const
{
    execute("INSERT INTO Provided_Servo VALUES ('" + id + "', '" + name + "', " + std::to_string(groupCount) + ")");
}

MessageRecorder::MessageRecorder()
{
    DB_SetMessageCallback(&MessageRecorder::record, this);
}

MessageRecorder::~MessageRecorder()
{
    DB_SetMessageCallback(nullptr, nullptr);
}

void MessageRecorder::record(const char16_t *text, void *self)
{
    static_cast<MessageRecorder *>(self)->texts.emplace_back(text);
}

DatabaseSession::DatabaseSession()
{
    if (!DB_Create())
        throw std::runtime_error("DB_Create refused: a context was left behind");
}

DatabaseSession::~DatabaseSession()
{
    DB_Destroy();
}

CatalogueText widen(const std::string &ascii)
{
    return CatalogueText(ascii.begin(), ascii.end());
}

std::string narrow(const std::u16string &text)
{
    return vq::text::utf16ToUtf8(text).value_or("<text with an unpaired surrogate>");
}

} // namespace vq::test
