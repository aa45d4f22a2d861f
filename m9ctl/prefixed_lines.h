// Every line printed on standard output and standard error while an object
// of this kind lives comes out with a prefix in front, so that the results
// of several drives asked one after another in one process stay told apart
// ("/dev/ttyUSB0 node 2: ..."). The commands keep printing as they always
// do; the two descriptors are led through pipes to a thread that adds the
// prefix.
#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace m9ctl {

class PrefixedLines {
public:
    explicit PrefixedLines(std::string prefix);
    ~PrefixedLines();
    PrefixedLines(const PrefixedLines &) = delete;
    PrefixedLines &operator=(const PrefixedLines &) = delete;

    // Puts the descriptors back and passes on the last lines; false when
    // standard output could not take them all (or the pipes could not be
    // made, in which case nothing was redirected).
    bool finish();

private:
    void pass();

    std::string prefix_;
    int savedOut_ = -1;
    int savedErr_ = -1;
    int outPipe_ = -1; // read ends
    int errPipe_ = -1;
    std::atomic<bool> lost_{false};
    bool finished_ = false;
    std::thread thread_;
};

} // namespace m9ctl
