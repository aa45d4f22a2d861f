#include "drive/connection/drive_connection.h"

#include "drive/alarms/alarm_codes.h"
#include "drive/connection/commands.h"
#include "link/port_open_failure.h"
#include "drive/connection/status_poll.h"
#include "drive/connection/text_encoding.h"
#include "link/usb_serial_port.h"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace tarvex {

namespace {

constexpr std::chrono::milliseconds kConnectSettle{30};
constexpr std::chrono::milliseconds kWatchdogRound{100};
constexpr std::chrono::milliseconds kWatchdogAfterTimeout{200};
// The watchdog waits in short slices so that switching it off ends it at once.
constexpr std::chrono::milliseconds kWatchdogSlice{50};

// The catalogue library's error texts; an overlong one is cut, not trusted.
constexpr std::size_t kLongestLibraryMessage = 2000;

void databaseMessage(const char16_t *text, void *context)
{
    if (!text || !context)
        return;
    const std::u16string_view message(text);
    static_cast<DriveConnection *>(context)->messages().show(
        utf8FromUtf16(message.substr(0, kLongestLibraryMessage)));
}

// Two characters per register, the low byte first; bytes that are not
// printable are shown as '?' so a blank or damaged register stays visible.
char versionCharacter(std::uint8_t byte)
{
    return byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
}

// Sleeps up to `total`, returning early when `keepGoing` turns false.
template <class Condition>
void sleepWhile(std::chrono::milliseconds total, Condition keepGoing)
{
    const auto end = std::chrono::steady_clock::now() + total;
    while (keepGoing() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(
            kWatchdogSlice, std::chrono::duration_cast<std::chrono::milliseconds>(
                                end - std::chrono::steady_clock::now()) +
                                std::chrono::milliseconds(1)));
}

} // namespace

// What a missing library or catalogue file comes with: where it was looked
// for, and what to do about it.
std::string lookedForDetail(const std::string &path)
{
    return "Looked for " + path +
           ". The program finds its libraries, DB folder, manual and upgrader beside its own "
           "file: reinstall the suite, or start the program from its installed or built place.";
}

std::string activeAlarmDetail(std::uint16_t code)
{
    return alarms::activeAlarmText(code) + ". " + std::string(alarms::alarmRemedy(code));
}

const char *catalogueFileFor(bool koreanSystem)
{
    return koreanSystem ? "./DB/M9A_Tarvex-DATA.mdb" : "./DB/M9A_Tarvex-DATA_ENG.mdb";
}

DriveConnection::DriveConnection(FrameState &frame, MessageService &messages,
                                 DriveTimings timings)
    : frame_(frame), messages_(messages), timings_(timings)
{
}

DriveConnection::~DriveConnection()
{
    StopWorkers({});
    ReleaseLibraries();
}

// --- start-up and shutdown ------------------------------------------------

void DriveConnection::BindLinkLibrary(const std::string &path)
{
    switch (link_.bind(path)) {
    case LinkLibrary::Binding::NotLoaded:
        messages_.show("COMM Library Load Error!!", lookedForDetail(path));
        return;
    case LinkLibrary::Binding::MissingFunctions:
        messages_.show("COMM Library Loading Error!!");
        break;
    case LinkLibrary::Binding::Bound:
        break;
    }
    link_.Create();
    librariesReleased_ = false;
    monitorBusy = 0;
    jogBusy = 0;
    traceBusy = 0;
    generalBusy = 0;
}

void DriveConnection::BindDatabaseLibrary(const std::string &path)
{
    switch (database_.bind(path)) {
    case DatabaseLibrary::Binding::NotLoaded:
        messages_.show("DataBase Library Load Error!!", lookedForDetail(path));
        return;
    case DatabaseLibrary::Binding::MissingFunctions:
        messages_.show("DataBase Library Loading Error!!");
        break;
    case DatabaseLibrary::Binding::Bound:
        break;
    }
    librariesReleased_ = false;
    database_.SetMessageCallback(&databaseMessage, this);
    database_.Create();
}

void DriveConnection::OpenCatalogue(const std::string &path)
{
    databasePath_ = path;
    catalogueOpen_ = false;
    // Without the library (already reported) there is nothing to ask.
    if (!database_.canOpenFiles())
        return;
    catalogueOpen_ = database_.FileOpen(utf16FromUtf8(path));
    if (!catalogueOpen_)
        messages_.show("Tarvex Database file open error!!", lookedForDetail(path));
}

void DriveConnection::StopWorkers(const std::function<void()> &tick)
{
    monitoringMode = 0;
    linkPolling = 0;
    watchdogRunSwitch = 0;
    statusPoll_.waitUntilEnded(tick);
    watchdog_.waitUntilEnded(tick);
}

void DriveConnection::ReleaseLibraries()
{
    if (librariesReleased_)
        return;
    librariesReleased_ = true;
    link_.Destroy();
    database_.SetMessageCallback(nullptr, nullptr);
    database_.Destroy();
    link_.unload();
    database_.unload();
}

// --- settings -------------------------------------------------------------

void DriveConnection::storeSettings(const LinkSettings &settings)
{
    std::lock_guard lock(settingsMutex_);
    settings_ = settings;
    baudRate_ = settings.baud;
}

LinkSettings DriveConnection::settings() const
{
    std::lock_guard lock(settingsMutex_);
    return settings_;
}

LinkPlace DriveConnection::place() const
{
    const LinkSettings s = settings();
    return {s.node, s.port.text(), s.baud};
}

bool DriveConnection::InitLink()
{
    const LinkSettings s = settings();
    if (s.port.isDevice())
        return link_.InitDevice(s.node, s.port.device, s.baud, heartbeat_.handle()) != 0;
    return link_.Init(s.node, s.port.number, s.baud, heartbeat_.handle()) != 0;
}

bool DriveConnection::FindUsbSerialPort(PortChoice &port)
{
    const UsbSerialSearch search = findUsbSerialAdapter(sysfsRoot_);
    if (!search.listReadable) {
        messages_.show("Fail");
        return false;
    }
    if (!search.device)
        return false;
    port = PortChoice{port.number, *search.device};
    return true;
}

// --- connection -----------------------------------------------------------

void DriveConnection::Connect()
{
    InitLink();
    if (link_.IsConnect()) {
        messages_.show("Communication Already Connect!");
        return;
    }
    // A library without profiles keeps its specified timing, and so does
    // the status poll.
    const bool fast = settings().fastExchange;
    fastExchange_ = link_.SetExchangeProfile(fast ? VQ_PROFILE_FAST : VQ_PROFILE_SPECIFIED) && fast;
    if (!link_.Connect(heartbeat_.handle())) {
        messages_.show("Communication Connect Error!(Check COMPORT, Cable, Control Power)",
                       portOpenFailureText(settings().port.text(), link_.LastOpenError()));
        return;
    }
    linkPolling = 1;
    startStatusPoll();

    watchdogRunSwitch = 1;
    std::uint8_t status = VQ_STATUS_NOT_ATTEMPTED;
    {
        BusyScope busy(generalBusy);
        std::this_thread::sleep_for(kConnectSettle);
        startWatchdog();
        std::uint8_t value[2] = {0, 0};
        link_.RdSgRegister(drive_register::kDriveState, value, &status, 1);
    }
    if (status != VQ_STATUS_OK) {
        messages_.show("Check PORT & BaudRate ", linkCause(status, place()));
        Disconnect();
        return;
    }
    setVersionText(ReadVersionText());
}

void DriveConnection::runDisconnectSteps()
{
    activeAlarm_ = -1;
    if (link_.IsConnect()) {
        watchdogRunSwitch = 0;
        if (!link_.DisConnect())
            messages_.show("Communication DisConnect Error!");
    } else {
        messages_.show("Communication Already DisConnect!");
    }
    frame_.setConnectionState(connection_state::kDisconnected);
}

void DriveConnection::Disconnect() { runDisconnectSteps(); }

std::string DriveConnection::ReadVersionText()
{
    std::uint8_t first[2] = {0, 0};
    std::uint8_t second[2] = {0, 0};
    std::uint8_t status = 0;
    {
        BusyScope busy(generalBusy);
        link_.RdSgRegister(drive_register::kVersionFirst, first, &status, 1);
        link_.RdSgRegister(drive_register::kVersionSecond, second, &status, 1);
    }
    return {versionCharacter(first[1]), versionCharacter(first[0]), versionCharacter(second[1]),
            versionCharacter(second[0])};
}

void DriveConnection::setVersionText(std::string text)
{
    std::lock_guard lock(versionMutex_);
    versionText_ = std::move(text);
}

std::string DriveConnection::versionText() const
{
    std::lock_guard lock(versionMutex_);
    return versionText_;
}

bool DriveConnection::ResetAlarm()
{
    watchdogRunSwitch = 1;
    std::uint8_t status = VQ_STATUS_NOT_ATTEMPTED;
    {
        BusyScope busy(generalBusy);
        startWatchdog();
        link_.WrSgRegister(drive_register::kAlarmCommand, drive_register::kAlarmReset, &status);
    }
    if (status != VQ_STATUS_OK) {
        messages_.show("Alarm reset Write Error");
        return false;
    }
    {
        BusyScope busy(generalBusy);
        std::uint8_t value[2] = {0, 0};
        link_.RdSgRegister(drive_register::kDriveState, value, &status, 1);
    }
    activeAlarm_ = -1;
    ReadActiveAlarm();
    return true;
}

bool DriveConnection::CheckPresence()
{
    std::uint8_t status = VQ_STATUS_NOT_ATTEMPTED;
    {
        BusyScope busy(generalBusy);
        std::uint8_t value[2] = {0, 0};
        link_.RdSgRegister(drive_register::kPresence, value, &status, 1);
    }
    if (status != VQ_STATUS_OK)
        return false;
    ReadActiveAlarm();
    return true;
}

std::optional<std::uint16_t> DriveConnection::ReadActiveAlarm()
{
    std::uint8_t status = VQ_STATUS_NOT_ATTEMPTED;
    std::uint8_t value[2] = {0, 0};
    std::int32_t stored = 0;
    {
        BusyScope busy(generalBusy);
        // Two attempts: a link that fails here is met by the next exchange too.
        stored = link_.RdSgRegister(drive_register::kAlarmCode, value, &status, 0);
    }
    if (status != VQ_STATUS_OK || stored != 2)
        return std::nullopt;
    const auto code = static_cast<std::uint16_t>(value[0] << 8 | value[1]);
    activeAlarm_ = code;
    return code;
}

bool DriveConnection::refuseMotionForAlarm()
{
    const std::optional<std::uint16_t> code = ReadActiveAlarm();
    if (!code || *code == 0)
        return false; // a link that fails here fails the start command too, with its message
    messages_.show(kMotionRefusedForAlarm, activeAlarmDetail(*code));
    return true;
}

// --- monitoring -----------------------------------------------------------

void DriveConnection::StartMonitoring()
{
    watchdogRunSwitch = 1;
    startWatchdog();
    monitoringSwitch = 1;
    monitoringMode = kMonitoringPoll;
    startStatusPoll();
    frame_.notifyMonitoring(true);
}

void DriveConnection::StopMonitoring()
{
    monitorBusy = 0;
    monitoringSwitch = 0;
    monitoringMode = 0;
    frame_.notifyMonitoring(false);
    frame_.setMonitorState(monitor_state::kStopped);
    setActiveFeature(feature_code::kNone);
}

void DriveConnection::setVariableView(StatusVariableView *view)
{
    std::lock_guard lock(viewsMutex_);
    variableView_ = view;
}

void DriveConnection::setInputView(LampView *view)
{
    std::lock_guard lock(viewsMutex_);
    inputView_ = view;
}

void DriveConnection::setOutputView(LampView *view)
{
    std::lock_guard lock(viewsMutex_);
    outputView_ = view;
}

void DriveConnection::EndStatusPolling(const std::function<void()> &tick)
{
    monitoringMode = 0;
    linkPolling = 0;
    statusPoll_.waitUntilEnded(tick);
}

void DriveConnection::startStatusPoll()
{
    statusPoll_.startIfIdle([this] { runStatusPoll(*this); },
                           [this] {
                               return monitoringMode.load() == kMonitoringPoll ||
                                      linkPolling.load() == 1;
                           });
}

// --- features -------------------------------------------------------------

void DriveConnection::setActiveFeature(std::int32_t code)
{
    activeFeature = code;
    frame_.notifyChanged();
}

void DriveConnection::OpenFeatureWindow(FeatureWindow &window)
{
    const FeatureOpening opening = openingOf(window.kind());
    watchdogRunSwitch = 1;
    startWatchdog();
    window.attach(*this);
    if (opening.modal) {
        window.present();
        if (opening.lowersGeneralBusy)
            generalBusy = 0;
    } else {
        if (opening.lowersGeneralBusy)
            generalBusy = 0;
        window.present();
    }
}

// --- motion tools ---------------------------------------------------------

bool DriveConnection::bringToRest(MotionTool &tool)
{
    if (!tool.holdsMotion())
        return true;
    if (!isLinkOpen()) {
        messages_.show(kMotionMayGoOn, kMotionStopNotSent);
        return false;
    }
    if (tool.bringToRest())
        return true;
    messages_.show(kMotionMayGoOn, isLinkOpen() ? kMotionStopRefused : kMotionStopNotSent);
    return false;
}

bool DriveConnection::bringMotionToRest(const MotionTool *except)
{
    bool allAtRest = true;
    // A copy: a tool's stop may show a box, inside which windows come and go.
    const std::vector<MotionTool *> tools = motionTools_.all();
    for (MotionTool *tool : tools) {
        if (tool != except && !bringToRest(*tool))
            allAtRest = false;
    }
    return allAtRest;
}

bool DriveConnection::anyMotionHeld() const
{
    const auto &tools = motionTools_.all();
    return std::any_of(tools.begin(), tools.end(), [](const MotionTool *tool) { return tool->holdsMotion(); });
}

void DriveConnection::motionToolClosed(const MotionTool &tool)
{
    setActiveFeature(motionTools_.openToolCode(&tool));
}

void DriveConnection::setStallListener(std::function<void()> listener)
{
    std::lock_guard lock(stallListenerMutex_);
    stallListener_ = std::move(listener);
}

void DriveConnection::resetStalledFeatures()
{
    stalledFeatures_.clearAll();
    std::lock_guard lock(stallListenerMutex_);
    if (stallListener_)
        stallListener_();
}

// --- link watchdog --------------------------------------------------------

void DriveConnection::startWatchdog()
{
    watchdog_.startIfIdle([this] { watchdogLoop(); }, [this] { return watchdogRunSwitch.load() == 1; });
}

bool DriveConnection::anyBusy() const
{
    return monitorBusy.load() == 1 || jogBusy.load() == 1 || traceBusy.load() == 1 ||
           generalBusy.load() == 1;
}

void DriveConnection::watchdogLoop()
{
    const auto running = [this] { return watchdogRunSwitch.load() == 1; };
    while (running()) {
        if (anyBusy()) {
            bool heard = false;
            const auto end = std::chrono::steady_clock::now() + timings_.watchdogTimeout;
            while (!heard && running() && std::chrono::steady_clock::now() < end)
                heard = heartbeat_.wait(kWatchdogSlice);
            if (!heard && running()) {
                // No exchange has started for the whole time-out while a
                // feature claims to be using the link: stop the feature loops.
                if (link_.IsConnect())
                    resetStalledFeatures();
                sleepWhile(kWatchdogAfterTimeout, running);
            }
        }
        sleepWhile(kWatchdogRound, running);
    }
}

} // namespace tarvex
