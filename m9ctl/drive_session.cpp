#include "m9ctl/drive_session.h"

#include "m9ctl/exit_codes.h"
#include "drive/files/file_access.h"
#include "link/port_open_failure.h"

#include <cstdlib>

#include <dlfcn.h>
#include <unistd.h>

namespace m9ctl {

namespace {

constexpr const char *kLinkFile = "VQ_Communication.so";
constexpr const char *kDatabaseFile = "VQ_DatabaseManager.so";
// The fast exchange profile of newer link libraries; older ones lack it.
constexpr const char *kExchangeProfileExport = "CommSetExchangeProfile";
constexpr std::int32_t kProfileFast = 1;
using SetExchangeProfileFn = std::int32_t (*)(std::int32_t);
// The connection's message when the port opened but register 0 went unanswered.
constexpr const char *kFirmwareSilent = "Check PORT & BaudRate";
// A node of a shared line that kept silent while the line itself works.
constexpr const char *kNodeSilent =
    "no drive answers at this node; check the node number and the drive's station number setting";

bool koreanSystem()
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = std::getenv(name);
        if (value && *value)
            return std::string(value).rfind("ko", 0) == 0;
    }
    return false;
}

} // namespace

std::string programDirectory()
{
    char path[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    std::string exe(path, static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? "." : exe.substr(0, slash);
}

DriveSession::DriveSession(const LinkOptions &options, std::string port, ConsoleMessages &messages)
    : options_(options), port_(std::move(port)), messages_(messages),
      drive_(std::make_unique<tarvex::DriveConnection>(frame_, messages_)),
      boot_(bootPort_, [&messages](const std::string &text) { messages.fail(kLinkFailure, text); })
{
    bootPort_.setPortName(port_);
    bootPort_.setStation(options_.node);
}

DriveSession::~DriveSession()
{
    disconnect();
    drive_.reset();
    bootPort_.close();
}

void DriveSession::selectNode(std::uint8_t node)
{
    options_.node = node;
    bootPort_.setStation(node);
}

bool DriveSession::bindLink()
{
    if (!linkBound_) {
        drive_->BindLinkLibrary(programDirectory() + "/" + kLinkFile);
        linkBound_ = true;
    }
    return drive_->link().isLoaded(); // a failure is reported by the binding
}

bool DriveSession::openLine()
{
    if (!bindLink())
        return false;
    if (drive_->isLinkOpen())
        return true;
    storeSettings();
    drive_->InitLink();
    if (!drive_->link().Connect(drive_->heartbeat().handle())) {
        messages_.show("Communication Connect Error!(Check COMPORT, Cable, Control Power)",
                       tarvex::portOpenFailureText(port_, drive_->link().LastOpenError()));
        return false;
    }
    if (options_.fast)
        applyExchangeProfile();
    return true;
}

void DriveSession::storeSettings()
{
    tarvex::LinkSettings settings;
    settings.node = options_.node;
    settings.port = tarvex::PortChoice{1, port_};
    settings.baud = options_.baud;
    drive_->storeSettings(settings);
}

bool DriveSession::connect()
{
    if (!bindLink())
        return false;
    if (severalNodes(options_) && drive_->isLinkOpen()) {
        // Another drive on the same line: the open port is kept.
        if (drive_->SwitchToNode(options_.node))
            return true;
        messages_.fail(kLinkFailure, kNodeSilent);
        return false;
    }
    storeSettings();
    drive_->Connect();
    if (!drive_->isLinkOpen() || frame_.connectionState() == tarvex::connection_state::kDisconnected)
        return false;
    if (options_.fast)
        applyExchangeProfile();
    return true;
}

DriveSession::Answer DriveSession::connectOrFindBootLoader()
{
    // The boot loader's protocol carries no node address: on a line several
    // drives share, a silent node is only a silent node.
    if (severalNodes(options_))
        return connect() ? Answer::Firmware : Answer::Nothing;
    messages_.hold();
    if (connect()) {
        messages_.release();
        return Answer::Firmware;
    }
    // Only a port that opened and then heard nothing may have a boot loader
    // behind it; a port that did not open says so as it is.
    if (!messages_.holds(kFirmwareSilent)) {
        messages_.release();
        return Answer::Nothing;
    }
    disconnect(); // the boot loader needs the port to itself
    if (!boot_.enterBootLoader(false)) {
        bootPort_.close();
        messages_.release();
        return Answer::Nothing;
    }
    messages_.drop();
    return Answer::BootLoader;
}

void DriveSession::applyExchangeProfile()
{
    // The library is already loaded by the binding; this only looks it up.
    void *handle = ::dlopen((programDirectory() + "/" + kLinkFile).c_str(), RTLD_NOW | RTLD_NOLOAD);
    auto set = handle ? reinterpret_cast<SetExchangeProfileFn>(::dlsym(handle, kExchangeProfileExport)) : nullptr;
    if (!set)
        warn(port_ + ": this link library has no fast exchange profile (CommSetExchangeProfile); going on with "
                     "the specified timing");
    else if (set(kProfileFast) != 1)
        warn(port_ + ": the link library refused the fast exchange profile; going on with the specified timing");
    if (handle)
        ::dlclose(handle);
}

bool DriveSession::openCatalogue()
{
    if (catalogueOpen_)
        return true;
    const std::string path = options_.catalogue.empty()
                                 ? programDirectory() + "/" + std::string(tarvex::catalogueFileFor(koreanSystem())).substr(2)
                                 : options_.catalogue;
    if (const std::string reason = tarvex::unreadableReason(path, tarvex::kCatalogueFileLimit); !reason.empty()) {
        messages_.fail(kFileError, "cannot read the parameter catalogue " + path + ": " + reason);
        return false;
    }
    drive_->BindDatabaseLibrary(programDirectory() + "/" + kDatabaseFile);
    if (!drive_->database().isLoaded())
        return false;
    const int before = messages_.worstCode();
    drive_->OpenCatalogue(path);
    if (drive_->database().GetAllParamCnt() <= 0) {
        if (messages_.worstCode() == before)
            messages_.fail(kFileError, "the parameter catalogue " + path + " holds no parameters");
        return false;
    }
    catalogueOpen_ = true;
    return true;
}

void DriveSession::disconnect()
{
    if (!drive_)
        return;
    drive_->StopWorkers({});
    if (drive_->isLinkOpen())
        drive_->link().DisConnect();
}

std::optional<std::uint16_t> DriveSession::readRegister(std::uint16_t address)
{
    std::uint8_t value[2] = {0, 0};
    std::uint8_t status = VQ_STATUS_NOT_ATTEMPTED;
    drive_->link().RdSgRegister(address, value, &status, 1);
    if (status != VQ_STATUS_OK)
        return std::nullopt;
    return static_cast<std::uint16_t>(value[0] << 8 | value[1]);
}

std::optional<bool> DriveSession::servoOn()
{
    const std::optional<std::uint16_t> state = readRegister(tarvex::drive_register::kDriveState);
    if (!state)
        return std::nullopt;
    return (*state & 0x02) != 0;
}

} // namespace m9ctl
