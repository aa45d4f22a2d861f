#include "drive/snapshots/snapshot_store.h"

#include "drive/files/file_access.h"
#include "drive/text/number_text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <system_error>

namespace tarvex::snapshots {
namespace {

namespace fs = std::filesystem;

// A description is a few short lines; anything bigger is not one.
constexpr std::size_t kDescriptionLimit = 4096;
constexpr std::size_t kFieldLimit = 256;

// One line per field: a value never holds a line end, nor more than it needs.
std::string fieldValue(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (out.size() >= kFieldLimit)
            break;
        out += (c == '\r' || c == '\n') ? ' ' : c;
    }
    return out;
}

std::string descriptionText(const SnapshotHeader &h)
{
    return "time=" + fieldValue(h.time) + "\nreason=" + fieldValue(h.reason) + "\nfirmware=" +
           fieldValue(h.firmware) + "\nnode=" + std::to_string(h.node) + "\nport=" + fieldValue(h.port) + "\n";
}

std::optional<SnapshotHeader> readDescription(const std::string &path)
{
    const FileReading file = readBoundedFile(path, kDescriptionLimit);
    if (!file.text)
        return std::nullopt;
    SnapshotHeader h;
    bool timeSeen = false, nodeSeen = false;
    std::istringstream in(*file.text);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const std::string value = fieldValue(line.substr(eq + 1));
        if (key == "time") {
            h.time = value;
            timeSeen = !value.empty();
        } else if (key == "reason") {
            h.reason = value;
        } else if (key == "firmware") {
            h.firmware = value;
        } else if (key == "port") {
            h.port = value;
        } else if (key == "node") {
            const std::optional<std::int64_t> n = strictDecimal(value);
            if (!n || *n < 0 || *n > 255)
                return std::nullopt;
            h.node = static_cast<int>(*n);
            nodeSeen = true;
        }
    }
    if (!timeSeen || !nodeSeen)
        return std::nullopt;
    return h;
}

std::string pathIn(const std::string &folder, const std::string &name, const char *extension)
{
    return folder + "/" + name + extension;
}

std::uintmax_t sizeOf(const std::string &path)
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    return error ? 0 : size;
}

// "20261209T113436Z" from "2026-12-09T11:34:36Z".
std::string compactTime(const std::string &time)
{
    std::string out;
    for (char c : time)
        if (std::isalnum(static_cast<unsigned char>(c)))
            out += c;
    return out;
}

} // namespace

std::string defaultSnapshotFolder()
{
    const char *data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data && data[0] == '/') {
        base = data;
    } else {
        const char *home = std::getenv("HOME");
        if (!home || home[0] != '/')
            return {};
        base = std::string(home) + "/.local/share";
    }
    return base + "/Tarvex_M9A/snapshots";
}

std::string utcTimeText()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string safeNamePart(const std::string &text, std::size_t limit)
{
    std::string out;
    for (char c : text) {
        if (out.size() >= limit)
            break;
        if (std::isalnum(static_cast<unsigned char>(c)))
            out += c;
        else if (!out.empty() && out.back() != '-')
            out += '-';
    }
    while (!out.empty() && out.back() == '-')
        out.pop_back();
    return out.empty() ? std::string("none") : out;
}

SnapshotStore::SnapshotStore(std::string folder, std::size_t countLimit, std::size_t bytesLimit)
    : folder_(std::move(folder)), countLimit_(std::max<std::size_t>(countLimit, 1)), bytesLimit_(bytesLimit)
{
}

SnapshotStore::Saving SnapshotStore::save(const SnapshotHeader &header, const std::string &versionText,
                                          const std::vector<parameters::ParameterLine> &lines)
{
    if (folder_.empty())
        return {std::nullopt, "there is no data folder to keep snapshots in (neither XDG_DATA_HOME nor HOME is set)"};
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error)
        return {std::nullopt, folder_ + ": " + error.message()};
    // "/dev/" is common to every port and says nothing.
    const std::string port = header.port.rfind("/dev/", 0) == 0 ? header.port.substr(5) : header.port;
    const std::string stem = compactTime(header.time) + "_" + safeNamePart(header.firmware, 16) + "_" +
                             safeNamePart(port, 32) + "_n" + std::to_string(header.node) + "_" +
                             safeNamePart(header.reason);
    // Two snapshots within one second get a count after the time's name.
    std::string name = stem;
    for (int n = 2; fs::exists(pathIn(folder_, name, kDescriptionExtension), error) ||
                    fs::exists(pathIn(folder_, name, kParameterExtension), error);
         ++n) {
        if (n > 999)
            return {std::nullopt, folder_ + ": too many snapshots named " + stem};
        name = stem + "-" + std::to_string(n);
    }
    Snapshot snapshot{name, header, pathIn(folder_, name, kParameterExtension)};
    if (const FileOutcome saved = parameters::saveParameterFile(snapshot.parameterFile, versionText, lines); !saved)
        return {std::nullopt, snapshot.parameterFile + ": " + saved.reason};
    // The description goes last: a snapshot without one is not listed, so a
    // crash in between leaves nothing that looks whole.
    const std::string description = pathIn(folder_, name, kDescriptionExtension);
    if (const FileOutcome saved = saveFileAtomically(description, descriptionText(header)); !saved) {
        fs::remove(snapshot.parameterFile, error);
        return {std::nullopt, description + ": " + saved.reason};
    }
    prune(name);
    return {snapshot, {}};
}

std::vector<Snapshot> SnapshotStore::list() const
{
    std::vector<Snapshot> out;
    std::error_code error;
    if (folder_.empty() || !fs::is_directory(folder_, error))
        return out;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
        const fs::path &path = it->path();
        if (path.extension() != kDescriptionExtension || !it->is_regular_file(error))
            continue;
        const std::string name = path.stem().string();
        const std::string parameterFile = pathIn(folder_, name, kParameterExtension);
        if (!fs::is_regular_file(parameterFile, error))
            continue;
        if (std::optional<SnapshotHeader> header = readDescription(path.string()))
            out.push_back({name, *header, parameterFile});
    }
    std::sort(out.begin(), out.end(), [](const Snapshot &a, const Snapshot &b) { return a.name < b.name; });
    return out;
}

std::optional<Snapshot> SnapshotStore::find(const std::string &name) const
{
    const std::vector<Snapshot> all = list();
    if (name == "latest")
        return all.empty() ? std::nullopt : std::optional<Snapshot>(all.back());
    for (const Snapshot &s : all)
        if (s.name == name)
            return s;
    return std::nullopt;
}

bool SnapshotStore::remove(const Snapshot &snapshot) const
{
    std::error_code error;
    fs::remove(pathIn(folder_, snapshot.name, kDescriptionExtension), error);
    const bool description = !error;
    fs::remove(snapshot.parameterFile, error);
    return description && !error;
}

void SnapshotStore::prune(const std::string &keep) const
{
    std::vector<Snapshot> all = list();
    std::uintmax_t bytes = 0;
    for (const Snapshot &s : all)
        bytes += sizeOf(s.parameterFile) + sizeOf(pathIn(folder_, s.name, kDescriptionExtension));
    std::size_t count = all.size();
    for (const Snapshot &s : all) {
        if (count <= countLimit_ && bytes <= bytesLimit_)
            break;
        if (s.name == keep)
            continue;
        const std::uintmax_t size = sizeOf(s.parameterFile) + sizeOf(pathIn(folder_, s.name, kDescriptionExtension));
        if (remove(s)) {
            --count;
            bytes -= std::min(bytes, size);
        }
    }
}

} // namespace tarvex::snapshots
