// Factory defaults of the drive's parameters, read from the parameter
// catalogue (an SQLite file, table Parameter). Each row gives a register
// address, the default as display text and the text's data type; the text
// becomes register words exactly as the main program converts a typed value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vq::sim {

struct ParameterDefault {
    std::uint16_t address = 0;
    std::uint16_t firstWord = 0;
    std::uint16_t secondWord = 0; // at address + 2 for 32-bit parameters
    bool twoRegisters = false;
    int group = 0;
};

struct CatalogueDefaults {
    std::vector<ParameterDefault> parameters;
    // Rows that were skipped, each with the reason (odd or out-of-range
    // address, unreadable cells).
    std::vector<std::string> warnings;
};

// Reads the catalogue read-only. Returns false with `error` set when the
// file is missing, not an SQLite database or has no usable Parameter table.
bool loadCatalogueDefaults(const std::string &path, CatalogueDefaults &out, std::string &error);

} // namespace vq::sim
