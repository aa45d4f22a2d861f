#include "simulator/src/console_commands.h"

#include "drive/files/file_access.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace vq::sim {
namespace {

std::vector<std::string> words(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string w;
    while (in >> w && out.size() < 8)
        out.push_back(w);
    return out;
}

bool parseInteger(const std::string &text, int base, long min, long max, long &value)
{
    if (text.empty() || text.size() > 16)
        return false;
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(text.c_str(), &end, base);
    if (errno != 0 || end == text.c_str() || *end != '\0' || v < min || v > max)
        return false;
    value = v;
    return true;
}

bool parseNumber(const std::string &text, double min, double max, double &value)
{
    if (text.empty() || text.size() > 24)
        return false;
    errno = 0;
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end == text.c_str() || *end != '\0' || !(v >= min && v <= max))
        return false;
    value = v;
    return true;
}

bool parseSwitch(const std::string &text, bool &on)
{
    if (text == "on" || text == "1") {
        on = true;
        return true;
    }
    if (text == "off" || text == "0") {
        on = false;
        return true;
    }
    return false;
}

ConsoleResult fail(const std::string &text) { return {text, false, false}; }
ConsoleResult done(const std::string &text) { return {text, true, false}; }

} // namespace

const char *consoleHelp()
{
    return "Commands (one per line on standard input):\n"
           "  alarm CODE [SECONDS]   raise alarm CODE (hexadecimal, e.g. 14 = over current),\n"
           "                         now or after SECONDS\n"
           "  reset                  reset the active alarm\n"
           "  resonance on [HZ]|off  a mechanical resonance (default 600 Hz) on speed and torque\n"
           "  inputs HEX             digital input word (bits POT NOT HOME PCON GAIN2 ALRST)\n"
           "  version A0.27.3        variant and version number of register 62\n"
           "  silence on|off         cable pulled: nothing is received or answered\n"
           "  drop N                 drop the next N replies\n"
           "  badcrc N               corrupt the CRC of the next N replies\n"
           "  cut K [N]              cut the next N replies (default 1) after K bytes\n"
           "  othernode N            answer the next N requests from another node address\n"
           "  late MS [keep] [exception CODE]\n"
           "                         answer every request MS milliseconds late (late 0 ends it);\n"
           "                         keep: every late answer is sent, none gives way to the next\n"
           "                         request; exception CODE: answer with that exception code (0-255)\n"
           "  boot-badread           the boot loader's next read-back starts with a wrong byte\n"
           "  boot-reject            the boot loader refuses the next program row once\n"
           "  boot-silence on|off    the boot loader stops answering\n"
           "  firmware-dump PATH     write the program memory as an Intel HEX file\n"
           "  paced on|off           bytes take their wire time, or replies come at once\n"
           "  verbose on|off         log every frame to standard error\n"
           "  status                 show the drive's state and the faults armed\n"
           "  help                   this list\n"
           "  quit                   stop the drive\n";
}

ConsoleResult runConsoleCommand(VirtualDrive &drive, const std::string &line)
{
    const auto w = words(line);
    if (w.empty())
        return done("");
    const std::string &c = w[0];
    const std::string a1 = w.size() > 1 ? w[1] : std::string();
    const std::string a2 = w.size() > 2 ? w[2] : std::string();
    long n = 0;
    bool on = false;

    if (c == "help")
        return done(consoleHelp());
    if (c == "status")
        return done(drive.statusText());
    if (c == "quit" || c == "exit")
        return {"stopping", true, true};
    if (c == "alarm") {
        std::string code = a1;
        if (code.rfind("0x", 0) == 0 || code.rfind("0X", 0) == 0)
            code = code.substr(2);
        if (!parseInteger(code, 16, 1, 255, n))
            return fail("alarm: give the code in hexadecimal, 01 to ff");
        double after = 0;
        if (!a2.empty() && !parseNumber(a2, 0, 86400, after))
            return fail("alarm: the delay is a number of seconds, 0 to 86400");
        drive.raiseAlarm(static_cast<std::uint8_t>(n), after);
        char text[64];
        std::snprintf(text, sizeof text, "alarm AL-%02lx %s", n, after > 0 ? "scheduled" : "raised");
        return done(text);
    }
    if (c == "reset") {
        drive.resetAlarm();
        return done("alarm reset");
    }
    if (c == "resonance") {
        if (!parseSwitch(a1, on))
            return fail("resonance: on [HZ] or off");
        double hz = 600;
        if (on && !a2.empty() && !parseNumber(a2, 1, 2499, hz))
            return fail("resonance: the frequency is 1 to 2499 Hz");
        drive.setResonance(on, hz);
        return done(on ? "resonance on at " + std::to_string(static_cast<int>(hz)) + " Hz" : "resonance off");
    }
    if (c == "inputs") {
        std::string bits = a1;
        if (bits.rfind("0x", 0) == 0)
            bits = bits.substr(2);
        if (!parseInteger(bits, 16, 0, 0xFFFF, n))
            return fail("inputs: give the input word in hexadecimal");
        drive.setInputs(static_cast<std::uint16_t>(n));
        return done("inputs set");
    }
    if (c == "version") {
        DriveIdentity base;
        const auto identity = parseVersion(a1, base);
        if (!identity)
            return fail("version: write it as A0.27.3 (letter A or B, version, sub-version)");
        drive.setIdentity(*identity);
        return done("version " + a1);
    }
    if (c == "silence" || c == "boot-silence" || c == "paced" || c == "verbose") {
        if (!parseSwitch(a1, on))
            return fail(c + ": on or off");
        if (c == "silence")
            drive.setSilent(on);
        else if (c == "boot-silence")
            drive.setBootSilent(on);
        else if (c == "paced")
            drive.setPaced(on);
        else
            drive.setVerbose(on);
        return done(c + (on ? " on" : " off"));
    }
    if (c == "drop" || c == "badcrc" || c == "othernode") {
        if (!parseInteger(a1, 10, 0, 1000, n))
            return fail(c + ": give a count, 0 to 1000");
        if (c == "drop")
            drive.dropNextReplies(static_cast<int>(n));
        else if (c == "badcrc")
            drive.corruptNextReplies(static_cast<int>(n));
        else
            drive.answerNextFromOtherNode(static_cast<int>(n));
        return done(c + " " + std::to_string(n));
    }
    if (c == "cut") {
        long count = 1;
        if (!parseInteger(a1, 10, 0, 300, n) || (!a2.empty() && !parseInteger(a2, 10, 0, 1000, count)))
            return fail("cut: K bytes (0 to 300) and optionally a count (0 to 1000)");
        drive.cutNextReplies(static_cast<int>(n), static_cast<int>(count));
        return done("cut " + std::to_string(count) + " replies after " + std::to_string(n) + " bytes");
    }
    if (c == "late") {
        constexpr const char *usage = "late: MS (0 to 60000), then optionally keep and exception CODE (0 to 255)";
        if (!parseInteger(a1, 10, 0, 60000, n))
            return fail(usage);
        bool keep = false;
        long code = -1;
        for (std::size_t i = 2; i < w.size(); ++i) {
            if (w[i] == "keep" && !keep) {
                keep = true;
            } else if (w[i] == "exception" && code < 0 && i + 1 < w.size() &&
                       parseInteger(w[i + 1], 10, 0, 255, code)) {
                ++i;
            } else {
                return fail(usage);
            }
        }
        drive.setReplyDelayMs(static_cast<int>(n), keep, static_cast<int>(code));
        std::string text = "late " + std::to_string(n) + " ms";
        if (keep)
            text += ", every answer kept";
        if (code >= 0)
            text += ", exception " + std::to_string(code);
        return done(text);
    }
    if (c == "boot-badread") {
        drive.bootCorruptNextReadBack();
        return done("boot loader: next read-back starts wrong");
    }
    if (c == "boot-reject") {
        drive.bootRejectNextRow();
        return done("boot loader: next row refused once");
    }
    if (c == "firmware-dump") {
        // The rest of the line is the path, blanks and all.
        std::string path = line.substr(line.find(c) + c.size());
        path.erase(0, path.find_first_not_of(" \t"));
        path.erase(path.find_last_not_of(" \t\r") + 1);
        if (path.empty())
            return fail("firmware-dump: give the file to write");
        if (const tarvex::FileOutcome saved = tarvex::saveFileAtomically(path, drive.programMemoryHex()); !saved)
            return fail("firmware-dump: cannot write " + path + ": " + saved.reason);
        return done("program memory written to " + path);
    }
    return fail("unknown command \"" + c + "\" (type help)");
}

} // namespace vq::sim
