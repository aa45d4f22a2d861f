#include "program_run.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace m9test {

Outcome runProgram(const std::string &path, const std::vector<std::string> &args, const std::string &directory)
{
    Outcome run;
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return run;
    const pid_t pid = fork();
    if (pid == 0) {
        const int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(err[0]);
        if (chdir(directory.c_str()) != 0)
            _exit(126);
        std::vector<char *> argv{const_cast<char *>(path.c_str())};
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0 && poll(fds, 2, 60000) > 0) {
        for (pollfd &f : fds) {
            if (f.fd < 0 || f.revents == 0)
                continue;
            char buffer[4096];
            const ssize_t n = read(f.fd, buffer, sizeof buffer);
            if (n > 0) {
                (f.fd == out[0] ? run.out : run.err).append(buffer, static_cast<std::size_t>(n));
            } else {
                close(f.fd);
                f.fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace m9test
