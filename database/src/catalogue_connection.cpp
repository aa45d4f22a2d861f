#include "database/src/catalogue_connection.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace vq::db {

namespace {

// Every column the queries read, so that a file lacking one is refused at
// opening rather than failing query by query.
constexpr const char *kParameterSchemaProbe =
    "SELECT Param_ID, Servo_ID, Param_Group_ID, Param_Group_Name, Param_Name, Param_Value, Param_Unit, "
    "Param_Max_Value, Param_Min_Value, Param_Address, Param_DataType, Param_Bit_Type, Param_Change, "
    "Param_Num FROM Parameter";
constexpr const char *kServoSchemaProbe = "SELECT Servo_ID, Servo_Name, Param_Group_Cnt FROM Provided_Servo";

// The first 100 bytes of an SQLite file are its header, opening with this text.
constexpr std::size_t kFileHeaderBytes = 100;
constexpr std::array<char, 16> kSqliteHeader = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f',
                                                'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};

CatalogueFault engineFault(sqlite3 *connection, int code)
{
    return CatalogueFault(sqlite3_errstr(code), connection ? sqlite3_errmsg(connection) : "");
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// SQLite would take an empty file for an empty database and a missing one
// for a request to create it, so the file is vetted before the engine sees it.
void checkCatalogueFile(const std::string &path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error && error != std::errc::no_such_file_or_directory)
        throw CatalogueFault(sqlite3_errstr(SQLITE_CANTOPEN), "\"" + path + "\": " + error.message());
    if (path.empty() || !fs::exists(status))
        throw CatalogueFault(sqlite3_errstr(SQLITE_CANTOPEN), "\"" + path + "\": no such file");
    if (!fs::is_regular_file(status))
        throw CatalogueFault(sqlite3_errstr(SQLITE_CANTOPEN), "\"" + path + "\": not a regular file");

    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CatalogueFault(sqlite3_errstr(SQLITE_CANTOPEN), "\"" + path + "\": the file cannot be read");
    std::array<char, kFileHeaderBytes> header{};
    in.read(header.data(), static_cast<std::streamsize>(header.size()));
    const std::streamsize got = in.gcount();
    if (got == 0)
        throw CatalogueFault(sqlite3_errstr(SQLITE_NOTADB), "\"" + path + "\": the file is empty");
    if (got != static_cast<std::streamsize>(header.size()) ||
        !std::equal(kSqliteHeader.begin(), kSqliteHeader.end(), header.begin()))
        throw CatalogueFault(sqlite3_errstr(SQLITE_NOTADB),
                             "\"" + path + "\": not a parameter catalogue (no SQLite database header)");
    // Bytes 18 and 19 give the journal format; 2 is write-ahead logging,
    // whose readers create -wal and -shm files beside the catalogue.
    if (header[18] == 2 || header[19] == 2)
        throw CatalogueFault(sqlite3_errstr(SQLITE_CANTOPEN),
                             "\"" + path + "\": a write-ahead-log database cannot be opened read-only");
}

} // namespace

Statement::Statement(sqlite3 *connection, const std::string &sql) : connection_(connection)
{
    const int rc = sqlite3_prepare_v2(connection_, sql.c_str(), static_cast<int>(sql.size() + 1), &statement_, nullptr);
    if (rc != SQLITE_OK) {
        CatalogueFault fault = engineFault(connection_, rc);
        sqlite3_finalize(statement_);
        throw fault;
    }
}

Statement::~Statement()
{
    sqlite3_finalize(statement_);
}

bool Statement::next()
{
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw engineFault(connection_, rc);
}

int Statement::column(std::string_view name) const
{
    const int count = sqlite3_column_count(statement_);
    for (int i = 0; i < count; ++i) {
        const char *columnName = sqlite3_column_name(statement_, i);
        if (columnName != nullptr && equalsIgnoringCase(columnName, name))
            return i;
    }
    throw CatalogueFault(sqlite3_errstr(SQLITE_ERROR), "no such column: " + std::string(name));
}

std::unique_ptr<CatalogueConnection> CatalogueConnection::open(const std::string &utf8Path)
{
    checkCatalogueFile(utf8Path);

    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(utf8Path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    if (raw == nullptr)
        return nullptr;
    std::unique_ptr<CatalogueConnection> connection(new CatalogueConnection(raw));
    if (rc != SQLITE_OK)
        throw engineFault(raw, rc);

    sqlite3_limit(raw, SQLITE_LIMIT_LENGTH, kMaxCellBytes);
    connection->checkSchema();
    return connection;
}

CatalogueConnection::~CatalogueConnection()
{
    sqlite3_close_v2(connection_);
}

void CatalogueConnection::checkSchema() const
{
    // Preparing reads the schema, which also catches a damaged file whose
    // header survived.
    Statement parameters(connection_, kParameterSchemaProbe);
    Statement servos(connection_, kServoSchemaProbe);
}

} // namespace vq::db
