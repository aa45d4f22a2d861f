// Runs a program with its output captured, standard input from /dev/null,
// in a given directory: how a script runs m9ctl.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace m9test {

struct Outcome {
    int code = -1;       // the exit status; -1 when a signal ended the program
    std::string out;
    std::string err;
};

// A program started in the background, for a test that interrupts it.
class RunningProgram {
public:
    // `standardOutput` (a path) takes the program's standard output instead
    // of the capture, for a test of what the program does when it fails.
    RunningProgram(const std::string &path, const std::vector<std::string> &args, const std::string &directory,
                   const std::string &standardOutput = {});
    RunningProgram(const RunningProgram &) = delete;
    RunningProgram &operator=(const RunningProgram &) = delete;
    ~RunningProgram();

    pid_t pid() const { return pid_; }
    // Collects the output until the program has ended.
    Outcome finish();

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    bool finished_ = false;
};

Outcome runProgram(const std::string &path, const std::vector<std::string> &args, const std::string &directory,
                   const std::string &standardOutput = {});

} // namespace m9test
