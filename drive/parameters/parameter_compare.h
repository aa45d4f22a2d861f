// "Compare with file": the settings of a parameter file set beside what the
// drive holds now, row by row, and the file values the user picks written
// to the drive through the window's own Write (its strict reader, range
// rule, servo and lock checks and messages). The status group is live
// readings, not settings: it is neither compared nor written.
#pragma once

#include "drive/parameters/parameter_catalogue.h"
#include "drive/parameters/parameter_commands.h"
#include "drive/parameters/parameter_service.h"

#include <optional>
#include <string>
#include <vector>

namespace tarvex::parameters {

struct ComparedRow {
    int group = 0;
    int position = 0; // index in the group's table
    std::string number;
    std::string name;
    std::string driveValue; // as All Read shows it
    std::string fileValue;  // as a loaded file shows it
};

class ParameterComparison {
public:
    ParameterComparison(CParameter &service, const ParameterCatalogue &catalogue, ParameterCommands &commands);

    // Reads every group from the drive and the file at `path`; the rows whose
    // values differ, in file order. Nothing when the file cannot be read or
    // holds values or numbers that do not fit the parameter list, or when
    // the drive could not be read (each reported with its message). The
    // grids are left as they are.
    std::optional<std::vector<ComparedRow>> compare(const std::string &path);

    // Writes the file values of `rows` group by group; a value the range
    // rule refuses is reported before anything is written, and the first
    // failing group ends the writing. True when every row was written.
    bool write(const std::vector<ComparedRow> &rows);

private:
    void show(const std::string &text, const std::string &detail) const;
    const ParameterAttribute &attribute(int group, int position) const;
    bool rangeAllows(const ComparedRow &row) const;

    CParameter &service_;
    const ParameterCatalogue &catalogue_;
    ParameterCommands &commands_;
};

} // namespace tarvex::parameters
