#include "tests/m9ctl/program_run.h"

#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace m9test {

RunningProgram::RunningProgram(const std::string &path, const std::vector<std::string> &args,
                               const std::string &directory, const std::string &standardOutput)
{
    int out[2], err[2];
    if (pipe(out) != 0)
        return;
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    // Built before the fork: the test's own threads (the virtual drives) may
    // hold the allocator's lock when it happens.
    std::vector<char *> argv{const_cast<char *>(path.c_str())};
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        const int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, STDIN_FILENO);
        if (standardOutput.empty()) {
            dup2(out[1], STDOUT_FILENO);
        } else {
            const int to = open(standardOutput.c_str(), O_WRONLY);
            if (to < 0)
                _exit(125);
            dup2(to, STDOUT_FILENO);
        }
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(err[0]);
        if (chdir(directory.c_str()) != 0)
            _exit(126);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
}

RunningProgram::~RunningProgram()
{
    if (pid_ > 0 && !finished_) {
        kill(pid_, SIGKILL);
        finish();
    }
}

Outcome RunningProgram::finish()
{
    Outcome run;
    if (pid_ <= 0 || finished_)
        return run;
    finished_ = true;
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    int open = 2;
    while (open > 0 && poll(fds, 2, 60000) > 0) {
        for (pollfd &f : fds) {
            if (f.fd < 0 || f.revents == 0)
                continue;
            char buffer[4096];
            const ssize_t n = read(f.fd, buffer, sizeof buffer);
            if (n > 0) {
                (f.fd == out_ ? run.out : run.err).append(buffer, static_cast<std::size_t>(n));
            } else {
                close(f.fd);
                f.fd = -1;
                --open;
            }
        }
    }
    for (pollfd &f : fds)
        if (f.fd >= 0)
            close(f.fd);
    int status = 0;
    waitpid(pid_, &status, 0);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

Outcome runProgram(const std::string &path, const std::vector<std::string> &args, const std::string &directory,
                   const std::string &standardOutput)
{
    return RunningProgram(path, args, directory, standardOutput).finish();
}

} // namespace m9test
