#include "drive/connection/drive_connection.h"

#include "drive/alarms/alarm_codes.h"
#include "drive/connection/commands.h"
#include "link/port_open_failure.h"
#include "link/usb_serial_port.h"

#include <cstdio>
#include <thread>

namespace tarvex {

namespace {

constexpr std::chrono::milliseconds kConnectSettle{30};

// Two characters per register, the low byte first; bytes that are not
// printable are shown as '?' so a blank or damaged register stays visible.
char versionCharacter(std::uint8_t byte)
{
    return byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
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

std::string versionTextOf(const std::uint8_t (&first)[2], const std::uint8_t (&second)[2])
{
    return {versionCharacter(first[1]), versionCharacter(first[0]), versionCharacter(second[1]),
            versionCharacter(second[0])};
}

const char *catalogueFileFor(bool koreanSystem)
{
    return koreanSystem ? "./DB/M9A_Tarvex-DATA.mdb" : "./DB/M9A_Tarvex-DATA_ENG.mdb";
}

DriveConnection::DriveConnection(FrameState &frame, MessageService &messages,
                                 DriveTimings timings)
    : frame_(frame), messages_(messages), binding_(messages), motionRest_(messages, link_),
      statusPoll_(monitoringMode, linkPolling),
      watchdog_(watchdogRunSwitch, BusyIndicators{monitorBusy, jogBusy, traceBusy, generalBusy}, heartbeat_,
                link_, [this] { resetStalledFeatures(); }, timings.watchdogTimeout)
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
    if (!binding_.bindLink(path))
        return;
    monitorBusy = 0;
    jogBusy = 0;
    traceBusy = 0;
    generalBusy = 0;
}

void DriveConnection::BindDatabaseLibrary(const std::string &path) { binding_.bindDatabase(path); }

void DriveConnection::OpenCatalogue(const std::string &path) { binding_.openCatalogue(path); }

void DriveConnection::StopWorkers(const std::function<void()> &tick)
{
    monitoringMode = 0;
    linkPolling = 0;
    watchdogRunSwitch = 0;
    statusPoll_.waitUntilEnded(tick);
    watchdog_.waitUntilEnded(tick);
}

void DriveConnection::ReleaseLibraries() { binding_.release(); }

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

bool DriveConnection::SwitchToNode(std::uint8_t node)
{
    LinkSettings s = settings();
    s.node = node;
    storeSettings(s);
    if (!link_.IsConnect() || !InitLink())
        return false;
    std::uint8_t status = VQ_STATUS_NOT_ATTEMPTED;
    {
        BusyScope busy(generalBusy);
        std::uint8_t value[2] = {0, 0};
        link_.RdSgRegister(drive_register::kDriveState, value, &status, 1);
    }
    activeAlarm_ = -1; // the last drive's alarm is not this one's
    if (status != VQ_STATUS_OK) {
        setVersionText({});
        return false;
    }
    setVersionText(ReadVersionText());
    return true;
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
    return versionTextOf(first, second);
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

void DriveConnection::setVariableView(StatusVariableView *view) { panes_.setVariableView(view); }

void DriveConnection::setInputView(LampView *view) { panes_.setInputView(view); }

void DriveConnection::setOutputView(LampView *view) { panes_.setOutputView(view); }

void DriveConnection::EndStatusPolling(const std::function<void()> &tick)
{
    monitoringMode = 0;
    linkPolling = 0;
    statusPoll_.waitUntilEnded(tick);
}

void DriveConnection::startStatusPoll() { statusPoll_.start(*this); }

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

bool DriveConnection::bringToRest(MotionTool &tool) { return motionRest_.bringToRest(tool); }

bool DriveConnection::bringMotionToRest(const MotionTool *except) { return motionRest_.bringAllToRest(except); }

bool DriveConnection::anyMotionHeld() const { return motionRest_.anyHeld(); }

void DriveConnection::motionToolClosed(const MotionTool &tool)
{
    setActiveFeature(motionRest_.tools().openToolCode(&tool));
}

void DriveConnection::setStallListener(std::function<void()> listener) { stall_.setListener(std::move(listener)); }

void DriveConnection::resetStalledFeatures() { stall_.respond(); }

// --- link watchdog --------------------------------------------------------

void DriveConnection::startWatchdog() { watchdog_.start(); }

} // namespace tarvex
