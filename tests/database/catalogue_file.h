// The generated catalogue files read straight from SQLite, without the
// library, so that their content can be checked on its own terms.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vq::test {

struct CatalogueRow {
    std::int64_t id = 0;
    std::string subIndex; // Servo_ID
    std::int64_t group = 0;
    std::string groupName;
    std::string name;
    std::string defaultValue;
    std::string unit;
    std::string maxValue;
    std::string minValue;
    std::int64_t address = 0;
    std::int64_t dataType = 0;
    std::int64_t bitType = 0;
    std::int64_t change = 0;
    std::string number; // Param_Num
    int position = 0;   // index within its group in Param_ID order
};

struct CatalogueServo {
    std::string id;
    std::string name;
    std::int64_t groupCount = 0;
};

struct CatalogueColumn {
    std::string name;
    std::string declaredType;
};

struct CatalogueFile {
    std::vector<CatalogueRow> rows;                    // in Param_ID order
    std::map<std::int64_t, std::vector<CatalogueRow>> groups; // each in Param_ID order
    std::vector<CatalogueServo> servos;                // in Servo_ID order
    std::vector<CatalogueColumn> parameterColumns;     // as declared
    std::vector<CatalogueColumn> servoColumns;
    std::vector<std::string> cellTypeFaults;           // cells stored with the wrong storage class
};

// Throws std::runtime_error when the file cannot be read.
CatalogueFile readCatalogueFile(const std::string &path);

} // namespace vq::test
