// Runs a program with its output captured, standard input from /dev/null,
// in a given directory: how a script runs m9ctl.
#pragma once

#include <string>
#include <vector>

namespace m9test {

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

Outcome runProgram(const std::string &path, const std::vector<std::string> &args, const std::string &directory);

} // namespace m9test
