#include "m9ctl/m9ctl_options.h"

#include "drive/connection/link_settings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace m9ctl {

namespace {

constexpr std::uint32_t kRates[] = {9600, 19200, 38400, 57600, 115200};

// "--name VALUE" or "--name=VALUE" at args[i]; advances i past the value.
bool takeValue(const std::vector<std::string> &args, std::size_t &i, const std::string &name,
               std::optional<std::string> &out, bool &missing)
{
    const std::string &a = args[i];
    if (a == name) {
        if (i + 1 >= args.size()) {
            missing = true;
            return true;
        }
        out = args[++i];
        return true;
    }
    if (a.rfind(name + "=", 0) == 0) {
        out = a.substr(name.size() + 1);
        return true;
    }
    return false;
}

} // namespace

bool parseWholeNumber(const std::string &text, long min, long max, long &value)
{
    if (text.empty() || text.size() > 12)
        return false;
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || v < min || v > max)
        return false;
    value = v;
    return true;
}

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trimmed(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::optional<Invocation> parseInvocation(const std::vector<std::string> &args, std::string &error)
{
    Invocation inv;
    std::vector<std::uint8_t> nodes;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        std::optional<std::string> v;
        bool missing = false;
        if (takeValue(args, i, "--port", v, missing)) {
            if (missing || v->empty()) {
                error = "--port needs a device, for example --port /dev/ttyUSB0";
                return std::nullopt;
            }
            const std::optional<tarvex::PortChoice> port = tarvex::parsePortText(*v);
            if (!port) {
                const std::string problem = tarvex::networkPortProblem(*v);
                error = "--port " + *v + ": " +
                        (problem.empty() ? "give a device path such as /dev/ttyUSB0, a COM number 1 to 255 "
                                           "or a serial device server's tcp://HOST:PORT or rfc2217://HOST:PORT"
                                         : problem);
                return std::nullopt;
            }
            inv.link.ports.push_back(port->isDevice() ? port->device
                                                      : "/dev/ttyS" + std::to_string(port->number - 1));
        } else if (takeValue(args, i, "--node", v, missing)) {
            long n = 0;
            if (missing || !parseWholeNumber(*v, tarvex::kNodeMin, tarvex::kNodeMax, n)) {
                error = "--node " + v.value_or("") + ": the node is a whole number 0 to 99";
                return std::nullopt;
            }
            const auto node = static_cast<std::uint8_t>(n);
            if (std::find(nodes.begin(), nodes.end(), node) != nodes.end()) {
                // One address is one drive: asking it twice would only
                // overwrite its own results.
                error = "--node " + *v + " is given twice";
                return std::nullopt;
            }
            nodes.push_back(node);
        } else if (takeValue(args, i, "--baud", v, missing)) {
            long n = 0;
            bool known = false;
            if (!missing && parseWholeNumber(*v, 0, 1000000, n))
                for (std::uint32_t rate : kRates)
                    known = known || rate == static_cast<std::uint32_t>(n);
            if (!known) {
                error = "--baud " + v.value_or("") + ": the rate is 9600, 19200, 38400, 57600 or 115200";
                return std::nullopt;
            }
            inv.link.baud = static_cast<std::uint32_t>(n);
        } else if (takeValue(args, i, "--catalogue", v, missing)) {
            if (missing || v->empty()) {
                error = "--catalogue needs a catalogue file";
                return std::nullopt;
            }
            inv.link.catalogue = *v;
        } else if (takeValue(args, i, "--log-frames", v, missing)) {
            if (missing || v->empty()) {
                error = "--log-frames needs the file to write the frame log to";
                return std::nullopt;
            }
            inv.link.frameLog = *v;
        } else if (a == "--stats") {
            inv.link.stats = true;
        } else if (a == "--fast") {
            inv.link.fast = true;
        } else if (inv.command.empty() && (a == "--help" || a == "-h")) {
            inv.help = true;
        } else if (inv.command.empty() && a == "--version") {
            inv.version = true;
        } else if (inv.command.empty()) {
            if (a.rfind("-", 0) == 0) {
                error = "unknown option " + a;
                return std::nullopt;
            }
            inv.command = a;
        } else {
            inv.args.push_back(a);
        }
    }
    if (!nodes.empty())
        inv.link.nodes = nodes;
    inv.link.node = inv.link.nodes.front();
    return inv;
}

std::vector<std::string> linkArguments(const LinkOptions &link, const std::string &port)
{
    std::vector<std::string> words{"--port", port};
    for (const std::uint8_t node : link.nodes)
        words.insert(words.end(), {"--node", std::to_string(node)});
    words.insert(words.end(), {"--baud", std::to_string(link.baud)});
    if (link.fast)
        words.emplace_back("--fast");
    if (link.stats)
        words.emplace_back("--stats");
    if (!link.frameLog.empty()) {
        words.emplace_back("--log-frames");
        words.push_back(link.frameLog);
    }
    if (!link.catalogue.empty()) {
        words.emplace_back("--catalogue");
        words.push_back(link.catalogue);
    }
    return words;
}

bool CommandArgs::flag(const std::string &name)
{
    for (auto it = args_.begin(); it != args_.end(); ++it)
        if (*it == name) {
            args_.erase(it);
            return true;
        }
    return false;
}

bool CommandArgs::value(const std::string &name, std::optional<std::string> &out, const std::string &alias)
{
    for (std::size_t i = 0; i < args_.size(); ++i) {
        const std::string &a = args_[i];
        if (a == name || (!alias.empty() && a == alias)) {
            if (i + 1 >= args_.size())
                return false;
            out = args_[i + 1];
            args_.erase(args_.begin() + static_cast<std::ptrdiff_t>(i),
                        args_.begin() + static_cast<std::ptrdiff_t>(i + 2));
            return true;
        }
        if (a.rfind(name + "=", 0) == 0) {
            out = a.substr(name.size() + 1);
            args_.erase(args_.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    return true;
}

std::optional<std::string> CommandArgs::unknownOption() const
{
    for (const std::string &a : args_)
        if (a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9'))
            return a;
    return std::nullopt;
}

const char *usageText()
{
    return "Usage: m9ctl [LINK] COMMAND [ARGUMENTS]\n"
           "\n"
           "  m9ctl ports [--json]                          serial devices, checked; the drive's adapter marked\n"
           "  m9ctl --port DEVICE scan [--nodes LIST] [--json]\n"
           "                                                the drives that answer on the line, with their\n"
           "                                                firmware text (LIST such as 0-31, the default, or 1,2,5)\n"
           "  m9ctl LINK info [--json]                      firmware text, version, servo state, active alarm\n"
           "  m9ctl LINK params save FILE.mpa               read every parameter and save them\n"
           "  m9ctl LINK params diff FILE.mpa [--json]      parameters whose drive value differs from the file\n"
           "  m9ctl LINK params load FILE.mpa [--all] [--verify]\n"
           "                                                write the parameters that differ (all with --all)\n"
           "  m9ctl LINK params get PARAMETER...            current values with units\n"
           "  m9ctl LINK params set PARAMETER=VALUE...      checked writes\n"
           "      PARAMETER: its name, OBJECT:SUBINDEX (0x2304:5) or a bare OBJECT (0x2001) for an\n"
           "      object with one sub-index; a bare object with several is refused with their list\n"
           "  m9ctl LINK monitor [--rows LIST] [--count N] [--csv]\n"
           "                                                state variables, inputs and outputs per cycle\n"
           "  m9ctl LINK trace --channels A,B,C,D --period MS --seconds S -o FILE(.csv|.mdg)\n"
           "  m9ctl LINK alarms [--clear] [--json]          the alarm history, decoded\n"
           "  m9ctl LINK alarm-reset                        reset the active alarm\n"
           "  m9ctl LINK flash FILE.hex [--yes] [--restore] download firmware into the boot loader; a drive\n"
           "                                                left in it by a cut-short download gets it again;\n"
           "                                                the parameters the download changed are listed\n"
           "                                                (and put back with --restore)\n"
           "  m9ctl snapshots list [--json]                 the parameter snapshots kept before each change\n"
           "  m9ctl LINK snapshots diff NAME                parameters whose drive value differs from it\n"
           "  m9ctl LINK snapshots restore NAME [--verify] [--other-drive]\n"
           "                                                write back what differs (NAME latest: the newest;\n"
           "                                                another port's or node's with --other-drive)\n"
           "\n"
           "LINK: --port DEVICE (repeatable) [--node N (repeatable)] [--baud B] [--fast] [--catalogue FILE]\n"
           "      [--stats] [--log-frames FILE]\n"
           "--stats prints the link's statistics on standard error after the command;\n"
           "--log-frames FILE saves the exchanges' bytes with their verdicts after it.\n"
           "Several --node values share each port's line: the drives are asked one after another and\n"
           "every line they print starts with the port and the node (/dev/ttyUSB0 node 2: ...).\n"
           "DEVICE is a serial device path, a COM number, or a serial device server's\n"
           "tcp://HOST:PORT (raw) or rfc2217://HOST:PORT (the rate set through telnet).\n"
           "Output files (params save, trace -o, --log-frames) name each drive: {port} in the path becomes the\n"
           "device without its leading / and with every character other than a letter, a digit,\n"
           "., - or _ made _ (/dev/ttyUSB0 -> dev_ttyUSB0), {node} the node number; an existing\n"
           "folder gets one file per drive named so (.mpa, .csv; with several nodes\n"
           "dev_ttyUSB0-node2.mpa). Several drives writing one\n"
           "file are refused before any drive is asked.\n"
           "Every write (params load and set, snapshots restore, flash) first keeps the drive's\n"
           "parameters as a snapshot in $XDG_DATA_HOME/Tarvex_M9A/snapshots; without one it\n"
           "writes nothing.\n"
           "Exit: 0 done, 1 different or not verified, 2 usage, 3 link failure (also a trace\n"
           "      that ended early, a drive waiting in its boot loader), 4 refused by the drive\n"
           "      or a check, 5 file error (also results lost on standard output).\n";
}

} // namespace m9ctl
