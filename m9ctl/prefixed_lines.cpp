#include "m9ctl/prefixed_lines.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace m9ctl {

namespace {

bool writeAll(int fd, const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Moves `fd` onto a new pipe's write end; returns the read end, or -1 with
// nothing changed.
int redirect(int fd)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return -1;
    if (::dup2(ends[1], fd) < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return -1;
    }
    ::close(ends[1]);
    return ends[0];
}

} // namespace

PrefixedLines::PrefixedLines(std::string prefix) : prefix_(std::move(prefix))
{
    std::fflush(stdout);
    std::fflush(stderr);
    savedOut_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    savedErr_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (savedOut_ < 0 || savedErr_ < 0) {
        lost_ = true;
        return;
    }
    outPipe_ = redirect(STDOUT_FILENO);
    errPipe_ = outPipe_ < 0 ? -1 : redirect(STDERR_FILENO);
    if (errPipe_ < 0) {
        if (outPipe_ >= 0) {
            ::dup2(savedOut_, STDOUT_FILENO);
            ::close(outPipe_);
            outPipe_ = -1;
        }
        lost_ = true;
        return;
    }
    thread_ = std::thread([this] { pass(); });
}

PrefixedLines::~PrefixedLines() { finish(); }

bool PrefixedLines::finish()
{
    if (!finished_) {
        finished_ = true;
        std::fflush(stdout);
        std::fflush(stderr);
        // Putting the saved descriptors back closes the pipes' last write
        // ends, so the thread reads to their end and stops.
        if (savedOut_ >= 0)
            ::dup2(savedOut_, STDOUT_FILENO);
        if (savedErr_ >= 0)
            ::dup2(savedErr_, STDERR_FILENO);
        if (thread_.joinable())
            thread_.join();
        for (int *fd : {&savedOut_, &savedErr_, &outPipe_, &errPipe_})
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
    }
    return !lost_;
}

void PrefixedLines::pass()
{
    struct Stream {
        int from;
        int to;
        std::string pending;
    };
    std::vector<Stream> streams{{outPipe_, savedOut_, {}}, {errPipe_, savedErr_, {}}};
    const auto emit = [this](Stream &s, bool all) {
        std::size_t end;
        while ((end = s.pending.find('\n')) != std::string::npos) {
            if (!writeAll(s.to, prefix_ + s.pending.substr(0, end + 1)) && s.to == savedOut_)
                lost_ = true;
            s.pending.erase(0, end + 1);
        }
        if (all && !s.pending.empty()) {
            if (!writeAll(s.to, prefix_ + s.pending + "\n") && s.to == savedOut_)
                lost_ = true;
            s.pending.clear();
        }
    };
    for (;;) {
        std::vector<pollfd> fds;
        for (const Stream &s : streams)
            fds.push_back({s.from, static_cast<short>(s.from >= 0 ? POLLIN : 0), 0});
        if (streams[0].from < 0 && streams[1].from < 0)
            return;
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        for (std::size_t i = 0; i < streams.size(); ++i) {
            Stream &s = streams[i];
            if (s.from < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(s.from, buffer, sizeof buffer);
            if (n > 0) {
                s.pending.append(buffer, static_cast<std::size_t>(n));
                emit(s, false);
            } else if (n == 0 || errno != EINTR) {
                emit(s, true);
                s.from = -1; // closed by finish()
            }
        }
    }
}

} // namespace m9ctl
