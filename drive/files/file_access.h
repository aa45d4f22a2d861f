// How every file of the suite is read and written. A save goes to a
// temporary file in the target's folder, is flushed to the disk and then
// renamed over the target, so a full disk, a removed medium or a crash
// leaves the old file byte for byte (or no file where there was none),
// never a truncated one. A read takes regular files only, and only up to a
// size that suits the kind of file: a device, a FIFO or a runaway file is
// refused at once instead of blocking or filling the memory.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarvex {

// Empty when the file was saved or read; otherwise why not, for the caller's message.
struct FileOutcome {
    std::string reason;
    explicit operator bool() const { return reason.empty(); }
};

FileOutcome saveFileAtomically(const std::string &path, std::string_view contents);

// Whether a save to `path` can be tried: its folder exists and takes new
// files, and what stands at `path` (if anything) is a regular file. Lets a
// long job refuse its output before it starts, without creating anything.
FileOutcome checkSavable(const std::string &path);

// Size limits of the files the suite reads.
inline constexpr std::size_t kParameterFileLimit = 256u << 10;
inline constexpr std::size_t kGraphFileLimit = 8u << 20;
inline constexpr std::size_t kHexFileLimit = 64u << 20; // a full image is about 9 MB of text
inline constexpr std::size_t kSettingsFileLimit = 1u << 20;
inline constexpr std::size_t kScriptFileLimit = 1u << 20;
inline constexpr std::size_t kCatalogueFileLimit = 64u << 20;

struct FileReading {
    std::optional<std::string> text; // the whole file, when it could be read
    std::string reason;              // why not, otherwise
};

FileReading readBoundedFile(const std::string &path, std::size_t limit);

// Why a file could not be read as one of at most `limit` bytes, or empty
// when it can: the check alone, for readers that open the file themselves.
std::string unreadableReason(const std::string &path, std::size_t limit);

} // namespace tarvex
