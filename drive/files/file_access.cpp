#include "drive/files/file_access.h"

#include "drive/files/streamed_save.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvex {
namespace {

std::string errnoText(int error) { return std::strerror(error); }

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string &path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Saving through a symbolic link replaces the file it names, not the link.
std::string resolvedTarget(const std::string &path)
{
    struct stat link{};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
        return path;
    char *real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return path;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

bool writeAll(int fd, std::string_view contents, int &error)
{
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A name no other save (of this or another process) uses at the same time.
int createTemporary(const std::string &folder, const std::string &name, std::string &temporary, int &error)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder + "/." + name + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST) {
            error = errno;
            return -1;
        }
    }
    error = EEXIST;
    return -1;
}

std::string tooLarge(std::size_t limit) { return "larger than " + std::to_string(limit / 1024) + " KB"; }

// Why what `st` describes is not a file to read, or empty when it is one.
std::string refusalOf(const struct stat &st, std::size_t limit)
{
    if (S_ISDIR(st.st_mode))
        return "a folder, not a file";
    if (!S_ISREG(st.st_mode))
        return "not a regular file";
    if (static_cast<unsigned long long>(st.st_size) > limit)
        return tooLarge(limit);
    return {};
}

} // namespace

FileOutcome checkSavable(const std::string &path)
{
    const std::string target = resolvedTarget(path);
    struct stat st{};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return {"not a regular file"};
    } else if (errno != ENOENT) {
        return {errnoText(errno)};
    }
    const std::string folder = folderOf(target);
    struct stat dir{};
    if (::stat(folder.c_str(), &dir) != 0)
        return {errnoText(errno)};
    if (!S_ISDIR(dir.st_mode))
        return {errnoText(ENOTDIR)};
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return {errnoText(errno)};
    return {};
}

FileOutcome saveFileAtomically(const std::string &path, std::string_view contents)
{
    return saveFileAtomically(path, [contents](const ContentWriter &write) {
        write(contents);
        return std::string();
    });
}

FileOutcome saveFileAtomically(const std::string &path, const std::function<std::string(const ContentWriter &)> &produce)
{
    if (path.empty() || path.back() == '/')
        return {errnoText(EISDIR)};
    if (FileOutcome savable = checkSavable(path); !savable)
        return savable;
    const std::string target = resolvedTarget(path);
    const std::string folder = folderOf(target);
    std::string temporary;
    int error = 0;
    const int fd = createTemporary(folder, nameOf(target), temporary, error);
    if (fd < 0)
        return {errnoText(error)};

    // The new file keeps the old one's permissions, or gets the usual ones
    // (the creation mode above, less the umask) when there was none.
    struct stat old{};
    bool written = true;
    const std::string unproduced = produce([&](std::string_view piece) {
        written = written && writeAll(fd, piece, error);
        return written;
    });
    if (written && ::stat(target.c_str(), &old) == 0)
        static_cast<void>(::fchmod(fd, old.st_mode & 07777)); // refused for another's file: defaults then
    if (written && ::fsync(fd) != 0) {
        error = errno;
        written = false;
    }
    if (::close(fd) != 0 && written) {
        error = errno;
        written = false;
    }
    if (written && unproduced.empty() && ::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
        written = false;
    }
    if (!written || !unproduced.empty()) {
        ::unlink(temporary.c_str());
        return {written ? unproduced : errnoText(error)};
    }
    // The rename itself reaches the disk with the folder's entry.
    if (const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

FileReading readBoundedFile(const std::string &path, std::size_t limit)
{
    // Non-blocking, so that opening a FIFO returns at once and is refused
    // below instead of waiting for a writer that never comes.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {std::nullopt, errnoText(errno)};
    struct stat st{};
    std::string reason;
    if (::fstat(fd, &st) != 0)
        reason = errnoText(errno);
    else
        reason = refusalOf(st, limit);
    std::string text;
    if (reason.empty()) {
        text.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        // The file may grow while it is read: one byte beyond the limit says so.
        for (;;) {
            if (done == text.size()) {
                if (text.size() > limit)
                    break;
                text.resize(std::min(limit + 1, text.size() + 4096));
            }
            const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                reason = errnoText(errno);
                break;
            }
            if (n == 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        text.resize(done);
        if (reason.empty() && done > limit)
            reason = tooLarge(limit);
    }
    ::close(fd);
    if (!reason.empty())
        return {std::nullopt, reason};
    return {std::move(text), {}};
}

std::string unreadableReason(const std::string &path, std::size_t limit)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0)
        return errnoText(errno);
    if (std::string refusal = refusalOf(st, limit); !refusal.empty())
        return refusal;
    return ::access(path.c_str(), R_OK) == 0 ? std::string() : errnoText(errno);
}

} // namespace tarvex
