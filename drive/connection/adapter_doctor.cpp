#include "drive/connection/adapter_doctor.h"

#include "link/serial_devices.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <system_error>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tarvex {

namespace {

// A process with more descriptors than this is not read to its end, and a
// device lists no more holders than this: enough to name the culprit.
constexpr std::size_t kDescriptorsPerProcess = 1u << 16;
constexpr std::size_t kHoldersPerDevice = 16;

// Programs that take USB serial adapters as they appear, with the line
// that makes them let go. Both run as root, so a user may see that they run
// without seeing what they hold.
const std::map<std::string, std::string> &knownGrabbers()
{
    static const std::map<std::string, std::string> grabbers = {
        {"brltty", "sudo apt remove brltty"},
        {"ModemManager", "sudo systemctl stop ModemManager"},
    };
    return grabbers;
}

// The program of the virtual drive, as the kernel names its process.
constexpr const char *kVirtualDriveProgram = "m9sim";

std::string remedyFor(const DeviceHolder &holder)
{
    const auto known = knownGrabbers().find(holder.name);
    return known != knownGrabbers().end() ? known->second : "kill " + std::to_string(holder.pid);
}

// The first line of a small kernel file, printable characters only and
// bounded, so that a strange entry cannot fill a note.
std::string firstLine(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    char buffer[64];
    in.read(buffer, sizeof buffer);
    const std::string raw(buffer, static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    std::string line;
    for (char c : raw) {
        if (c == '\n')
            break;
        if (std::isprint(static_cast<unsigned char>(c)))
            line += c;
    }
    return line;
}

bool validName(const std::string &name)
{
    return !name.empty() && name.size() <= 64 && name.find('/') == std::string::npos &&
           name != "." && name != "..";
}

// The latency timer in ms, 0 to 255 as the drivers keep it; anything else
// is no timer at all.
std::optional<int> latencyTimer(const std::string &sysfsRoot, const std::string &kernelName)
{
    if (!validName(kernelName))
        return std::nullopt;
    const std::string text =
        firstLine(fs::path(sysfsRoot) / "class" / "tty" / kernelName / "device" / "latency_timer");
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 || value > 255)
        return std::nullopt;
    return value;
}

bool isUsbAdapter(const std::string &sysfsRoot, const std::string &kernelName)
{
    if (kernelName.rfind("ttyUSB", 0) == 0 || kernelName.rfind("ttyACM", 0) == 0)
        return true;
    SerialDevice described;
    return describeTty(sysfsRoot, kernelName, described) && !described.vendorId.empty();
}

// Whether udev told the modem manager to leave the device alone (the
// package's rule does so for the adapters it knows).
bool modemManagerIgnores(const std::string &udevRoot, const std::string &device)
{
    struct stat node {};
    if (::stat(device.c_str(), &node) != 0 || !S_ISCHR(node.st_mode))
        return false;
    const fs::path record = fs::path(udevRoot) / "data" /
                            ("c" + std::to_string(major(node.st_rdev)) + ":" + std::to_string(minor(node.st_rdev)));
    std::ifstream in(record);
    std::string line;
    for (int lines = 0; lines < 512 && std::getline(in, line); ++lines)
        if (line == "E:ID_MM_DEVICE_IGNORE=1")
            return true;
    return false;
}

void checkAccess(AdapterCheckup &checkup)
{
    if (::access(checkup.device.c_str(), R_OK | W_OK) == 0) {
        checkup.access = DeviceAccess::Allowed;
        return;
    }
    const int error = errno;
    if (error == EACCES || error == EPERM)
        checkup.access = DeviceAccess::Refused;
    else if (error == ENOENT || error == ENOTDIR)
        checkup.access = DeviceAccess::Missing;
    else {
        checkup.access = DeviceAccess::Unknown;
        checkup.accessError = error;
    }
}

std::optional<long> pidOf(const std::string &entry)
{
    if (entry.empty() || entry.size() > 10 ||
        !std::all_of(entry.begin(), entry.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    long pid = 0;
    std::from_chars(entry.data(), entry.data() + entry.size(), pid);
    return pid > 0 ? std::optional<long>(pid) : std::nullopt;
}

void addHolder(AdapterCheckup &checkup, const DeviceHolder &holder)
{
    const bool known = std::any_of(checkup.holders.begin(), checkup.holders.end(),
                                   [&](const DeviceHolder &h) { return h.pid == holder.pid; });
    if (!known && checkup.holders.size() < kHoldersPerDevice)
        checkup.holders.push_back(holder);
}

// One pass over the process table: who holds which of the devices, and
// which known grabbers run with their files out of sight.
void findHolders(std::vector<AdapterCheckup> &checkups, const std::vector<std::string> &targets,
                 const DoctorRoots &roots)
{
    const long own = roots.ownPid != 0 ? roots.ownPid : static_cast<long>(::getpid());
    std::error_code error;
    for (fs::directory_iterator it(roots.proc, error), end; !error && it != end; it.increment(error)) {
        const auto pid = pidOf(it->path().filename().string());
        if (!pid || *pid == own)
            continue;
        DeviceHolder holder{firstLine(it->path() / "comm"), *pid, true};
        if (holder.name.empty())
            holder.name = "process";
        std::set<std::size_t> held;
        std::error_code fdError;
        fs::directory_iterator fds(it->path() / "fd", fdError);
        const bool hidden = static_cast<bool>(fdError);
        std::size_t seen = 0;
        for (fs::directory_iterator fdEnd; !fdError && fds != fdEnd && seen < kDescriptorsPerProcess;
             fds.increment(fdError), ++seen) {
            std::error_code linkError;
            const std::string target = fs::read_symlink(fds->path(), linkError).string();
            if (linkError)
                continue;
            for (std::size_t i = 0; i < targets.size(); ++i)
                if (target == targets[i])
                    held.insert(i);
        }
        for (std::size_t i : held)
            addHolder(checkups[i], holder);
        if (hidden && knownGrabbers().count(holder.name) != 0) {
            holder.certain = false;
            for (AdapterCheckup &checkup : checkups)
                if (isUsbAdapter(roots.sysfs, checkup.kernelName) &&
                    !(holder.name == "ModemManager" && modemManagerIgnores(roots.udev, checkup.device)))
                    addHolder(checkup, holder);
        }
    }
    for (AdapterCheckup &checkup : checkups)
        std::sort(checkup.holders.begin(), checkup.holders.end(),
                  [](const DeviceHolder &a, const DeviceHolder &b) { return a.pid < b.pid; });
}

} // namespace

std::string AdapterFinding::line() const
{
    return remedy.empty() ? text : text + "; remedy: " + remedy;
}

std::vector<AdapterFinding> AdapterCheckup::findings() const
{
    std::vector<AdapterFinding> found;
    if (latencyTimerMs) {
        if (*latencyTimerMs > 1)
            found.push_back({"latency timer " + std::to_string(*latencyTimerMs) +
                                 " ms (at 1 ms the adapter passes replies on at once)",
                             "echo 1 | sudo tee " +
                                 (fs::path(sysfsRoot) / "bus" / "usb-serial" / "devices" / kernelName /
                                  "latency_timer")
                                     .string()});
        else
            found.push_back({"latency timer " + std::to_string(*latencyTimerMs) + " ms", {}});
    }
    for (const DeviceHolder &holder : holders) {
        const std::string who = holder.name + " (PID " + std::to_string(holder.pid) + ")";
        if (pseudoTerminal && holder.name == kVirtualDriveProgram) {
            found.push_back({"served by the virtual drive, " + who, {}});
            continue;
        }
        found.push_back({holder.certain ? "held by " + who : who + " runs and may take it",
                         remedyFor(holder)});
    }
    switch (access) {
    case DeviceAccess::Allowed: found.push_back({"this user may open it", {}}); break;
    case DeviceAccess::Refused:
        found.push_back({"this user may not open it (after joining dialout, log out and in again)",
                         "sudo adduser $USER dialout"});
        break;
    case DeviceAccess::Missing: found.push_back({"there is no such device", {}}); break;
    case DeviceAccess::Unknown:
        found.push_back({"its permissions cannot be checked: " +
                             std::error_code(accessError, std::generic_category()).message(),
                         {}});
        break;
    }
    return found;
}

std::vector<AdapterCheckup> examineAdapters(const std::vector<std::string> &devices, const DoctorRoots &roots)
{
    std::vector<AdapterCheckup> checkups;
    if (devices.empty())
        return checkups;
    std::vector<std::string> targets; // the node each device leads to, as /proc names it
    for (const std::string &device : devices) {
        AdapterCheckup checkup;
        checkup.device = device;
        checkup.sysfsRoot = roots.sysfs;
        std::error_code error;
        const fs::path node = fs::canonical(device, error);
        const fs::path resolved = error ? fs::path(device).lexically_normal() : node;
        checkup.kernelName = resolved.filename().string();
        checkup.pseudoTerminal = resolved.parent_path() == "/dev/pts";
        if (!validName(checkup.kernelName))
            checkup.kernelName.clear();
        checkup.latencyTimerMs = latencyTimer(roots.sysfs, checkup.kernelName);
        checkAccess(checkup);
        checkups.push_back(std::move(checkup));
        targets.push_back(resolved.string());
    }
    findHolders(checkups, targets, roots);
    return checkups;
}

AdapterCheckup examineAdapter(const std::string &device, const DoctorRoots &roots)
{
    return examineAdapters({device}, roots).front();
}

} // namespace tarvex
