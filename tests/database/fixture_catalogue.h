// Small catalogue files made on the spot, for cases the real catalogue does
// not contain: empty groups, "-" numbers, odd cell values, damaged files.
#pragma once

#include "vq_database.h"

#include <filesystem>
#include <string>
#include <vector>

namespace vq::test {

// A file in a directory of its own under the system's temporary directory,
// removed with the object.
class FixtureFile {
public:
    FixtureFile();
    ~FixtureFile();
    FixtureFile(const FixtureFile &) = delete;
    FixtureFile &operator=(const FixtureFile &) = delete;

    const std::filesystem::path &path() const { return path_; }
    CatalogueText widePath() const;
    const std::filesystem::path &directory() const { return directory_; }

    void writeBytes(const std::string &bytes) const;

private:
    std::filesystem::path directory_;
    std::filesystem::path path_;
};

// A catalogue database built with SQL. The standard schema declares no
// column types, so a test can store any value in any cell.
class FixtureCatalogue : public FixtureFile {
public:
    // Runs SQL on the file (read-write, created when missing).
    void execute(const std::string &sql) const;

    // Both tables with the columns the library reads, untyped.
    void createTables() const;

    // Inserts one Parameter row; `values` lists the cells in this order:
    // Param_ID, Servo_ID, Param_Group_ID, Param_Group_Name, Param_Name,
    // Param_Value, Param_Unit, Param_Max_Value, Param_Min_Value,
    // Param_Address, Param_DataType, Param_Bit_Type, Param_Change, Param_Num
    // (SQL literals).
    void addParameter(const std::string &values) const;

    // A plain row: id, group, number text and address; other cells fixed.
    void addParameter(int id, int group, const std::string &number, int address) const;

    void addServo(const std::string &id, const std::string &name, int groupCount) const;
};

// Sets the library's message callback for its lifetime and keeps the texts.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    std::vector<std::u16string> texts;

private:
    static void record(const char16_t *text, void *self);
};

// The library's context for one test: created on construction, destroyed
// with the object whatever the test did.
class DatabaseSession {
public:
    DatabaseSession();
    ~DatabaseSession();
    DatabaseSession(const DatabaseSession &) = delete;
    DatabaseSession &operator=(const DatabaseSession &) = delete;
};

CatalogueText widen(const std::string &ascii);
std::string narrow(const std::u16string &text); // UTF-8, for messages of failed checks

} // namespace vq::test
