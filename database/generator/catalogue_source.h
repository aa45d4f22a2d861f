// The catalogue's rows as read from the CSV sources in data/, checked field
// by field: every number within its column's domain, every text present,
// short and free of characters that the parameter files or grids would
// misread. Layout rules (addresses, groups, positions) are verified on the
// generated files by the catalogue consistency test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vq::catalogue {

struct ParameterRow {
    int line = 0;
    std::int32_t id = 0;
    std::int32_t group = 0;
    std::string groupName;
    std::string number;
    std::string subIndex; // stored in Servo_ID
    std::string name;
    std::string defaultValue;
    std::string unit;
    std::string minValue;
    std::string maxValue;
    std::int32_t address = 0;
    std::int32_t dataType = 0;
    std::int32_t bitType = 0;
    std::int32_t change = 0;
};

struct ServoRow {
    std::string id;
    std::string name;
    std::int32_t groupCount = 0;
};

// data/m9a_parameters.csv: numeric columns and the English texts.
std::vector<ParameterRow> loadParameters(const std::string &path);

// data/m9a_servos.csv: the drive models.
std::vector<ServoRow> loadServos(const std::string &path);

// data/m9a_parameters_ko.csv: group name, name and unit of every parameter
// in another language, keyed by Param_ID. Every parameter must appear
// exactly once; the texts replace the English ones in `rows`.
void applyTranslation(const std::string &path, std::vector<ParameterRow> &rows);

} // namespace vq::catalogue
