#include "simulator/src/catalogue_defaults.h"

#include "drive/parameters/parameter_text.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vq::sim {
namespace {

struct DatabaseCloser {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
struct StatementFinaliser {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};

bool hasSqliteHeader(const std::string &path, std::string &error)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot open catalogue " + path + ": " + std::strerror(errno);
        return false;
    }
    char header[16] = {};
    const std::size_t n = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    if (n != sizeof header || std::memcmp(header, "SQLite format 3", 16) != 0) {
        error = "catalogue " + path + " is not an SQLite database";
        return false;
    }
    return true;
}

std::string textColumn(sqlite3_stmt *statement, int column)
{
    const unsigned char *text = sqlite3_column_text(statement, column);
    const int bytes = sqlite3_column_bytes(statement, column);
    if (!text || bytes <= 0)
        return {};
    return std::string(reinterpret_cast<const char *>(text), static_cast<std::size_t>(bytes));
}

} // namespace

bool loadCatalogueDefaults(const std::string &path, CatalogueDefaults &out, std::string &error)
{
    out = {};
    if (!hasSqliteHeader(path, error))
        return false;
    sqlite3 *raw = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, DatabaseCloser> db(raw);
    if (opened != SQLITE_OK) {
        error = "cannot open catalogue " + path + ": " + sqlite3_errstr(opened);
        return false;
    }
    const char *query = "SELECT Param_Address, Param_Value, Param_DataType, Param_Bit_Type, "
                        "Param_Group_ID FROM Parameter ORDER BY Param_ID";
    sqlite3_stmt *rawStatement = nullptr;
    if (sqlite3_prepare_v2(db.get(), query, -1, &rawStatement, nullptr) != SQLITE_OK) {
        error = "catalogue " + path + " has no usable Parameter table: " + sqlite3_errmsg(db.get());
        return false;
    }
    std::unique_ptr<sqlite3_stmt, StatementFinaliser> statement(rawStatement);
    int row = 0;
    int result = SQLITE_ROW;
    while ((result = sqlite3_step(statement.get())) == SQLITE_ROW) {
        ++row;
        const sqlite3_int64 address = sqlite3_column_int64(statement.get(), 0);
        const std::string text = textColumn(statement.get(), 1);
        // The cells are taken as the catalogue library takes them: low 8 bits.
        const auto dataType = static_cast<std::uint8_t>(sqlite3_column_int64(statement.get(), 2) & 0xFF);
        const auto bitType = static_cast<std::uint8_t>(sqlite3_column_int64(statement.get(), 3) & 0xFF);
        const int group = static_cast<int>(sqlite3_column_int64(statement.get(), 4));
        const bool two = bitType == 2;
        const sqlite3_int64 last = two ? address + 2 : address;
        if (address < 0 || last > 65534 || (address & 1) != 0) {
            char line[96];
            std::snprintf(line, sizeof line, "row %d: address %lld is not an even register address",
                          row, static_cast<long long>(address));
            out.warnings.emplace_back(line);
            continue;
        }
        // A default the drive could not hold (the status rows' "-") leaves
        // the registers at zero.
        const auto words = tarvex::parameters::parameterWords(text, dataType, bitType)
                               .value_or(tarvex::parameters::ParameterWords{});
        ParameterDefault p;
        p.address = static_cast<std::uint16_t>(address);
        p.firstWord = words.first;
        p.secondWord = words.second;
        p.twoRegisters = two;
        p.group = group;
        out.parameters.push_back(p);
    }
    if (result != SQLITE_DONE) {
        error = "catalogue " + path + " could not be read: " + sqlite3_errmsg(db.get());
        return false;
    }
    return true;
}

} // namespace vq::sim
