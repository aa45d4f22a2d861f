// Command-line options of m9sim, the virtual drive program.
#pragma once

#include "simulator/src/virtual_drive.h"

#include <string>
#include <vector>

namespace vq::sim {

struct ProgramOptions {
    DriveOptions drive;
    bool defaultLink = true; // the link in the user's runtime folder, made ready at start
    std::string cataloguePath = "./DB/M9A_Tarvex-DATA_ENG.mdb";
    bool catalogueGiven = false; // a named catalogue must load; the default may be missing
    bool useCatalogue = true;
    double tuningSeconds = 3.0;
    bool showHelp = false;
};

// Parses argv[1..]. Returns false with `error` set for an unknown option or
// a value out of range.
bool parseProgramOptions(const std::vector<std::string> &args, ProgramOptions &out, std::string &error);

std::string programUsage();

} // namespace vq::sim
