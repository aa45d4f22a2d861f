// The snapshots of a drive's parameters kept in the user's data folder
// before anything changes the drive, so that a write, a tuning run or a
// firmware download can be undone. A snapshot is an ordinary parameter file
// ("NAME.mpa", loadable through every path that loads parameter files and
// its checks) beside a small description ("NAME.snapshot": time, reason,
// firmware text, node, port). Names start with the UTC time, so that they
// sort oldest first and never clash; the store keeps at most a number and
// a total size of snapshots and removes the oldest beyond them.
#pragma once

#include "drive/parameters/model/parameter_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvex::snapshots {

inline constexpr std::size_t kSnapshotCountLimit = 200;
inline constexpr std::size_t kSnapshotBytesLimit = 50u << 20;
inline constexpr const char *kParameterExtension = ".mpa";
inline constexpr const char *kDescriptionExtension = ".snapshot";

struct SnapshotHeader {
    std::string time;     // UTC, "2026-12-09T11:34:36Z"
    std::string reason;   // what was about to change the drive: "All Write", "m9ctl params set", ...
    std::string firmware; // the drive's firmware text read at connect
    int node = 0;
    std::string port;
};

struct Snapshot {
    std::string name; // the file name without extension
    SnapshotHeader header;
    std::string parameterFile; // path of NAME.mpa
};

// $XDG_DATA_HOME/Tarvex_M9A/snapshots, or ~/.local/share/... without it;
// empty when neither variable names an absolute folder.
std::string defaultSnapshotFolder();

// The current time as SnapshotHeader::time holds it.
std::string utcTimeText();

class SnapshotStore {
public:
    explicit SnapshotStore(std::string folder, std::size_t countLimit = kSnapshotCountLimit,
                           std::size_t bytesLimit = kSnapshotBytesLimit);

    const std::string &folder() const { return folder_; }

    struct Saving {
        std::optional<Snapshot> snapshot;
        std::string problem; // why there is none
    };
    // Saves the lines as a parameter file with its description (both
    // atomically, the folder made when missing), then prunes the oldest.
    Saving save(const SnapshotHeader &header, const std::string &versionText,
                const std::vector<parameters::ParameterLine> &lines);

    // Every whole snapshot (both files, a readable description), oldest first.
    std::vector<Snapshot> list() const;
    // A snapshot by its name, or "latest" for the newest one.
    std::optional<Snapshot> find(const std::string &name) const;
    // Removes a snapshot's two files; false when either stays.
    bool remove(const Snapshot &snapshot) const;

private:
    void prune(const std::string &keep) const;

    std::string folder_;
    std::size_t countLimit_;
    std::size_t bytesLimit_;
};

// What a file name may hold of a free text: letters, digits and '-', the
// rest folded into single '-', at most `limit` characters.
std::string safeNamePart(const std::string &text, std::size_t limit = 24);

} // namespace tarvex::snapshots
