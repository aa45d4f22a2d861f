#include "drive/files/recording_journal.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <optional>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace tarvex::journal {
namespace {

constexpr std::string_view kMagic = "TARVEX RECORDING JOURNAL ";
constexpr std::string_view kDataLine = "data\n";
constexpr std::string_view kSuffix = ".journal";
// A header is a few short lines; more before "data" is no journal of ours.
constexpr std::size_t kHeaderLimit = 8192;
// A folder of journals holds a few runs; beyond this many entries the rest
// are not looked at.
constexpr int kMostEntries = 4096;
// More than this waiting means the disk does not keep up.
constexpr std::size_t kMaxQueued = 16u << 20;
// Pieces are cut below the limit; a file far beyond it is no piece.
constexpr std::size_t kPieceReadLimit = 2 * kPieceLimit;

std::string errnoText(int error) { return std::strerror(error); }

std::string pieceName(const std::string &run, std::size_t piece)
{
    char number[16];
    std::snprintf(number, sizeof number, "%04zu", piece);
    return run + '.' + number + std::string(kSuffix);
}

// Header values are one line each: a line end in one would end it early.
std::string oneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

std::string newRunName()
{
    static std::atomic<unsigned> counter{0};
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    return "run-" + std::string(stamp) + '-' + std::to_string(::getpid()) + '-' + std::to_string(counter++);
}

bool makeFolder(const std::string &folder, std::string &reason)
{
    // Parents first: the settings' own folder may not exist yet.
    for (std::size_t slash = folder.find('/', 1); ; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            reason = part + ": " + errnoText(errno);
            return false;
        }
        if (slash == std::string::npos)
            break;
    }
    struct stat st{};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        reason = folder + ": " + errnoText(ENOTDIR);
        return false;
    }
    return true;
}

// A piece opened for reading: a regular file of bounded size, or -1.
int openForReading(const std::string &path, struct stat &st)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > kPieceReadLimit) {
        ::close(fd);
        return -1;
    }
    return fd;
}

struct PieceHeader {
    std::string run;
    std::size_t piece = 0;
    RunInfo info;
    std::size_t size = 0; // bytes up to and including the "data" line
};

std::optional<PieceHeader> parseHeader(std::string_view text)
{
    const std::size_t end = text.find("\ndata\n");
    if (end == std::string_view::npos)
        return std::nullopt;
    PieceHeader header;
    header.size = end + 1 + kDataLine.size();
    std::string_view lines = text.substr(0, end + 1);
    bool first = true, hasRun = false, hasPiece = false;
    while (!lines.empty()) {
        const std::size_t eol = lines.find('\n');
        const std::string_view line = lines.substr(0, eol);
        lines.remove_prefix(eol + 1);
        if (first) {
            first = false;
            if (line.substr(0, kMagic.size()) != kMagic)
                return std::nullopt;
            int version = 0;
            const std::string_view number = line.substr(kMagic.size());
            const auto [at, error] = std::from_chars(number.data(), number.data() + number.size(), version);
            if (error != std::errc() || at != number.data() + number.size() || version != kVersion)
                return std::nullopt;
            continue;
        }
        const std::size_t blank = line.find(' ');
        const std::string_view key = line.substr(0, blank);
        const std::string value(blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1));
        if (key == "run") {
            header.run = value;
            hasRun = !value.empty() && value.find('/') == std::string::npos;
        } else if (key == "piece") {
            const auto [at, error] = std::from_chars(value.data(), value.data() + value.size(), header.piece);
            hasPiece = error == std::errc() && at == value.data() + value.size() && header.piece < 100000;
        } else if (key == "kind") {
            header.info.kind = value;
        } else if (key == "started") {
            header.info.started = value;
        } else if (key == "target") {
            header.info.target = value;
        }
    }
    if (!hasRun || !hasPiece)
        return std::nullopt;
    return header;
}

std::optional<PieceHeader> readHeader(const std::string &path)
{
    struct stat st{};
    const int fd = openForReading(path, st);
    if (fd < 0)
        return std::nullopt;
    std::string text(kHeaderLimit, '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(done);
    return parseHeader(text);
}

// Whether another program holds the run's lock.
bool isLive(const std::string &firstPiece)
{
    const int fd = ::open(firstPiece.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool live = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return live;
}

} // namespace

// --- writing ------------------------------------------------------------------

std::unique_ptr<JournalWriter> JournalWriter::create(const std::string &folder, RunInfo info,
                                                     std::function<void()> failed, std::string &reason,
                                                     std::size_t pieceLimit)
{
    if (!makeFolder(folder, reason))
        return nullptr;
    info.kind = oneLine(std::move(info.kind));
    info.started = oneLine(std::move(info.started));
    info.target = oneLine(std::move(info.target));
    std::unique_ptr<JournalWriter> writer(
        new JournalWriter(folder, newRunName(), std::move(info), pieceLimit));
    if (!writer->openPiece(reason)) {
        writer->discard();
        return nullptr;
    }
    writer->lockFd_ = ::open(writer->pieces_.front().c_str(), O_RDONLY | O_CLOEXEC);
    if (writer->lockFd_ >= 0)
        static_cast<void>(::flock(writer->lockFd_, LOCK_EX | LOCK_NB));
    JournalWriter *w = writer.get();
    writer->queue_ = std::make_unique<WritingQueue>(
        kMaxQueued,
        WritingQueue::Sink{[w](std::string_view lines) { return w->writeLines(lines); },
                           [w] { return ::fdatasync(::fileno(w->piece_)) == 0; }, kSyncInterval},
        std::move(failed));
    return writer;
}

JournalWriter::JournalWriter(std::string folder, std::string run, RunInfo info, std::size_t pieceLimit)
    : folder_(std::move(folder)), run_(std::move(run)), info_(std::move(info)),
      pieceLimit_(std::max<std::size_t>(pieceLimit, 1024))
{
}

JournalWriter::~JournalWriter() { finish(); }

bool JournalWriter::openPiece(std::string &reason)
{
    const std::size_t number = pieces_.size();
    const std::string path = folder_ + '/' + pieceName(run_, number);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        reason = path + ": " + errnoText(errno);
        return false;
    }
    piece_ = ::fdopen(fd, "wb");
    if (!piece_) {
        reason = path + ": " + errnoText(errno);
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    pieces_.push_back(path);
    const std::string header = std::string(kMagic) + std::to_string(kVersion) + "\nrun " + run_ + "\npiece " +
                               std::to_string(number) + "\nkind " + info_.kind + "\nstarted " + info_.started +
                               "\ntarget " + info_.target + '\n' + std::string(kDataLine);
    pieceHeaderSize_ = header.size();
    pieceSize_ = 0;
    if (!writeBatch(header)) {
        reason = path + ": " + errnoText(errno);
        return false;
    }
    // The new file's name reaches the disk with its folder.
    if (const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool JournalWriter::closePiece()
{
    if (!piece_)
        return true;
    const bool synced = std::fflush(piece_) == 0 && ::fdatasync(::fileno(piece_)) == 0;
    const bool closed = std::fclose(piece_) == 0;
    piece_ = nullptr;
    return synced && closed;
}

bool JournalWriter::writeBatch(std::string_view batch)
{
    if (std::fwrite(batch.data(), 1, batch.size(), piece_) != batch.size() || std::fflush(piece_) != 0)
        return false;
    pieceSize_ += batch.size();
    return true;
}

void JournalWriter::append(std::string lines) { queue_->append(std::move(lines)); }

bool JournalWriter::finish()
{
    const bool written = !queue_ || queue_->finish();
    if (!closed_) {
        closed_ = true;
        closedWell_ = closePiece();
        if (lockFd_ >= 0) {
            ::close(lockFd_);
            lockFd_ = -1;
        }
    }
    return written && closedWell_;
}

std::vector<std::string> JournalWriter::pieces() const
{
    std::lock_guard lock(mutex_);
    return pieces_;
}

void JournalWriter::discard()
{
    finish();
    discardRun(pieces());
}

bool JournalWriter::writeLines(std::string_view lines)
{
    // Cut at line ends, so that every piece holds whole lines.
    std::string_view rest = lines;
    bool written = true;
    while (written && !rest.empty()) {
        const std::size_t room = pieceLimit_ > pieceSize_ ? pieceLimit_ - pieceSize_ : 0;
        std::size_t take = rest.size();
        if (take > room) {
            const std::size_t cut = room == 0 ? std::string_view::npos : rest.rfind('\n', room - 1);
            if (cut != std::string_view::npos) {
                take = cut + 1;
            } else if (pieceSize_ > pieceHeaderSize_) {
                take = 0; // the line goes whole into the next piece
            } else {
                const std::size_t end = rest.find('\n');
                take = end == std::string_view::npos ? rest.size() : end + 1;
            }
        }
        if (take > 0) {
            written = writeBatch(rest.substr(0, take));
            rest.remove_prefix(take);
        }
        if (written && !rest.empty()) {
            std::string reason;
            std::lock_guard lock(mutex_); // pieces() may be asked meanwhile
            written = closePiece() && openPiece(reason);
        }
    }
    return written;
}

// --- recovering -----------------------------------------------------------------

std::vector<UnfinishedRun> findUnfinishedRuns(const std::string &folder)
{
    std::map<std::string, std::map<std::size_t, PieceHeader>> runs;
    std::map<std::string, std::map<std::size_t, std::string>> paths;
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return {};
    int entries = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (++entries > kMostEntries)
            break;
        const std::string name = entry->d_name;
        if (name.size() <= kSuffix.size() || name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
            continue;
        const std::string path = folder + '/' + name;
        std::optional<PieceHeader> header = readHeader(path);
        // A file renamed by hand is not taken for another run's piece.
        if (!header || name != pieceName(header->run, header->piece))
            continue;
        paths[header->run][header->piece] = path;
        runs[header->run][header->piece] = std::move(*header);
    }
    ::closedir(dir);

    std::vector<UnfinishedRun> found;
    for (const auto &[run, pieces] : runs) {
        // Without its first piece a run has no beginning to recover from.
        if (pieces.begin()->first != 0 || isLive(paths[run][0]))
            continue;
        UnfinishedRun unfinished{run, pieces.begin()->second.info, {}};
        // Up to the first gap: what follows a lost piece is not the run's continuation.
        std::size_t expected = 0;
        for (const auto &[number, header] : pieces) {
            if (number != expected++)
                break;
            unfinished.pieces.push_back(paths[run][number]);
        }
        found.push_back(std::move(unfinished));
    }
    std::sort(found.begin(), found.end(), [](const UnfinishedRun &a, const UnfinishedRun &b) {
        return std::tie(a.info.started, a.run) < std::tie(b.info.started, b.run);
    });
    return found;
}

FileOutcome saveRun(const std::vector<std::string> &pieces, const std::string &path,
                    const std::atomic<bool> *abandoned)
{
    return saveFileAtomically(path, [&pieces, abandoned](const ContentWriter &write) -> std::string {
        std::string buffer;
        for (const std::string &piece : pieces) {
            struct stat st{};
            const int fd = openForReading(piece, st);
            if (fd < 0)
                return piece + ": cannot be read";
            std::size_t headerLeft = 0;
            bool headerKnown = false;
            buffer.clear();
            char chunk[1 << 16];
            for (;;) {
                const ssize_t n = ::read(fd, chunk, sizeof chunk);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0) {
                    const int error = errno;
                    ::close(fd);
                    return piece + ": " + errnoText(error);
                }
                if (n == 0)
                    break;
                if (abandoned && abandoned->load()) {
                    ::close(fd);
                    return "the save was abandoned";
                }
                buffer.append(chunk, static_cast<std::size_t>(n));
                if (!headerKnown) {
                    if (buffer.size() < kHeaderLimit && buffer.find("\ndata\n") == std::string::npos)
                        continue;
                    const std::optional<PieceHeader> header = parseHeader(buffer);
                    if (!header) {
                        ::close(fd);
                        return piece + ": not a recording journal";
                    }
                    headerKnown = true;
                    headerLeft = header->size;
                }
                if (headerLeft > 0) {
                    const std::size_t skip = std::min(headerLeft, buffer.size());
                    buffer.erase(0, skip);
                    headerLeft -= skip;
                }
                // Whole lines go on; the rest waits for its line end.
                const std::size_t lineEnd = buffer.rfind('\n');
                if (lineEnd != std::string::npos) {
                    if (!write(std::string_view(buffer).substr(0, lineEnd + 1))) {
                        ::close(fd);
                        return {};
                    }
                    buffer.erase(0, lineEnd + 1);
                }
            }
            ::close(fd);
            if (!headerKnown)
                return piece + ": not a recording journal";
            // What is left has no line end: the line the crash tore.
        }
        return {};
    });
}

void discardRun(const std::vector<std::string> &pieces)
{
    // The first piece last: until it goes, what is left is still found as a run.
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece)
        ::unlink(piece->c_str());
}

} // namespace tarvex::journal
