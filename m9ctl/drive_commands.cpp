#include "m9ctl/commands.h"

#include "drive/alarms/alarm_history.h"
#include "m9ctl/exit_codes.h"
#include "m9ctl/json_text.h"
#include "drive/parameters/model/parameter_display.h"

#include <cstdio>

#include <unistd.h>

namespace m9ctl {

namespace {

constexpr std::uint16_t kActiveAlarmRegister = tarvex::drive_register::kAlarmCode;
constexpr std::uint16_t kVersionRegister = 62;
constexpr std::uint8_t kServoOnBit = 0x02;
constexpr std::uint8_t kAlarmBit = 0x04;

std::string alarmText(std::uint16_t code) { return tarvex::alarms::activeAlarmText(code); }

bool onlyJsonFlag(const std::vector<std::string> &argsIn, const char *command, bool &json, int &code)
{
    CommandArgs args(argsIn);
    json = args.flag("--json");
    if (!args.words().empty()) {
        code = usageError(std::string(command) + ": unexpected \"" + args.words().front() + "\"");
        return false;
    }
    return true;
}

} // namespace

int usageError(const std::string &text)
{
    std::fprintf(stderr, "m9ctl: %s\nTry m9ctl --help.\n", text.c_str());
    return kUsage;
}

bool progressShown() { return ::isatty(STDERR_FILENO) == 1; }

int runInfo(DriveSession &session, const std::vector<std::string> &args)
{
    bool json = false;
    int code = kDone;
    if (!onlyJsonFlag(args, "info", json, code))
        return code;
    switch (session.connectOrFindBootLoader()) {
    case DriveSession::Answer::Firmware: break;
    case DriveSession::Answer::Nothing: return worse(kLinkFailure, session.messages().worstCode());
    case DriveSession::Answer::BootLoader:
        session.bootPort().close();
        session.messages().fail(kLinkFailure, session.port() + ": the drive is in its boot loader (a firmware "
                                                               "download did not finish); m9ctl flash FILE.hex "
                                                               "downloads it again and restarts the drive");
        return kLinkFailure;
    }
    tarvex::DriveConnection &drive = session.drive();
    const std::optional<std::uint16_t> state = session.readRegister(tarvex::drive_register::kDriveState);
    const std::optional<std::uint16_t> version = session.readRegister(kVersionRegister);
    if (!state || !version) {
        session.messages().fail(kLinkFailure, session.port() + ": the drive did not answer the state and version reads");
        return kLinkFailure;
    }
    const bool servoOn = (*state & kServoOnBit) != 0;
    std::optional<std::uint16_t> alarm;
    if ((*state & kAlarmBit) != 0)
        alarm = session.readRegister(kActiveAlarmRegister).value_or(0);
    const std::string versionText = tarvex::parameters::driveVersionText(*version);
    if (json) {
        const std::string alarmJson =
            alarm ? jsonObject({{"code", jsonString(tarvex::alarms::alarmNumberText(*alarm))},
                                {"name", jsonString(std::string(tarvex::alarms::alarmName(*alarm)))}})
                  : "null";
        std::printf("%s\n", jsonObject({{"firmware", jsonString(drive.versionText())},
                                        {"version", jsonString(versionText)},
                                        {"versionNumber", jsonString(std::to_string(*version))},
                                        {"servo", jsonString(servoOn ? "on" : "off")},
                                        {"alarm", alarmJson}})
                                .c_str());
    } else {
        std::printf("firmware %s, version %s, servo %s, alarm %s\n", drive.versionText().c_str(), versionText.c_str(),
                    servoOn ? "on" : "off", alarm ? alarmText(*alarm).c_str() : "none");
    }
    return session.messages().worstCode();
}

int runAlarms(DriveSession &session, const std::vector<std::string> &argsIn)
{
    CommandArgs args(argsIn);
    const bool json = args.flag("--json");
    const bool clear = args.flag("--clear");
    if (!args.words().empty())
        return usageError("alarms: unexpected \"" + args.words().front() + "\"");
    if (!session.connect())
        return worse(kLinkFailure, session.messages().worstCode());
    tarvex::CAlarmHistory history(&session.drive());
    std::uint8_t status = 0;
    tarvex::alarms::AlarmHistory codes{};
    if (history.UploadHistory(status, codes) != tarvex::alarms::kResultSuccess)
        return worse(kLinkFailure, session.messages().worstCode());
    std::vector<std::string> items;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] == 0)
            continue;
        if (json)
            items.push_back(jsonObject({{"entry", std::to_string(i + 1)},
                                        {"code", jsonString(tarvex::alarms::alarmNumberText(codes[i]))},
                                        {"name", jsonString(std::string(tarvex::alarms::alarmName(codes[i])))}}));
        else
            std::printf("%zu %s\n", i + 1, alarmText(codes[i]).c_str());
    }
    if (json)
        std::printf("%s\n", jsonArray(items).c_str());
    else if (items.empty() && codes == tarvex::alarms::AlarmHistory{})
        std::printf("no alarms recorded\n");
    if (clear) {
        if (history.ClearHistory(status) != tarvex::alarms::kResultSuccess) {
            session.messages().fail(kLinkFailure, "Alarm Clear Error!");
            return kLinkFailure;
        }
        if (!json)
            std::printf("alarm history cleared\n");
    }
    return session.messages().worstCode();
}

int runAlarmReset(DriveSession &session, const std::vector<std::string> &args)
{
    if (!args.empty())
        return usageError("alarm-reset: unexpected \"" + args.front() + "\"");
    if (!session.connect())
        return worse(kLinkFailure, session.messages().worstCode());
    session.drive().ResetAlarm();
    if (session.messages().worstCode() != kDone)
        return session.messages().worstCode();
    const std::optional<std::uint16_t> state = session.readRegister(tarvex::drive_register::kDriveState);
    if (!state) {
        session.messages().fail(kLinkFailure, session.port() + ": the drive did not answer after the reset");
        return kLinkFailure;
    }
    if ((*state & kAlarmBit) != 0) {
        const std::string alarm = alarmText(session.readRegister(kActiveAlarmRegister).value_or(0));
        session.messages().fail(kRefused,
                                session.port() + ": the drive still reports alarm " + alarm + "; remove its cause first");
        return kRefused;
    }
    std::printf("alarm reset, no alarm active\n");
    return kDone;
}

} // namespace m9ctl
