#include "simulator/src/m9sim_options.h"

#include "simulator/src/console_commands.h"
#include "drive/text/node_list.h"
#include "link/virtual_drive_link.h"

#include <cerrno>
#include <cstdlib>

namespace vq::sim {
namespace {

bool toLong(const std::string &text, long min, long max, long &value)
{
    if (text.empty() || text.size() > 12)
        return false;
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno || *end != '\0' || v < min || v > max)
        return false;
    value = v;
    return true;
}

bool toDouble(const std::string &text, double min, double max, double &value)
{
    if (text.empty() || text.size() > 24)
        return false;
    errno = 0;
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno || *end != '\0' || !(v >= min && v <= max))
        return false;
    value = v;
    return true;
}

// A Modbus line carries at most 32 unit loads; a few more leaves room for
// repeaters without letting a typo make hundreds of drive models.
constexpr std::size_t kMostNodes = 64;

bool supportedBaud(long baud)
{
    return baud == 9600 || baud == 19200 || baud == 38400 || baud == 57600 || baud == 115200;
}

} // namespace

std::string programUsage()
{
    return std::string(
               "Usage: m9sim [options]\n"
               "A virtual M9A servo drive on a pseudo-terminal. The first line on standard output\n"
               "is the device it serves; a client opens that device (or the link, named on\n"
               "standard error) at the drive's line speed. SIGINT or SIGTERM stop it and remove\n"
               "the link.\n\n"
               "Options:\n"
               "  --node N                 node address, 0 to 255 (default 0)\n"
               "  --nodes LIST             several drives on the one line, each with registers of\n"
               "                           its own: node addresses such as 1,2,3 or 1-3; the\n"
               "                           console and the boot loader are the first one's\n"
               "  --catalogue PATH         parameter catalogue for the factory defaults\n"
               "                           (default ./DB/M9A_Tarvex-DATA_ENG.mdb)\n"
               "  --no-catalogue           run with the fixed registers only\n"
               "  --link PATH              symbolic link to the device (default ttyM9A in\n"
               "                           $XDG_RUNTIME_DIR, else in /tmp/m9sim-UID); a file there\n"
               "                           that is not this user's link to a pseudo-terminal, or a\n"
               "                           folder another user may change, stops m9sim\n"
               "  --no-link                make no link\n"
               "  --baud N                 line speed: 9600, 19200, 38400, 57600 or 115200 (default 19200)\n"
               "  --any-baud               answer whatever line speed the client has set\n"
               "  --paced                  bytes take their wire time at the line speed (default)\n"
               "  --instant                replies come at once\n"
               "  --response-delay-ms MS   the drive's reaction time when paced (default 1.5)\n"
               "  --drive-version A0.27.3  variant and version number shown in register 62\n"
               "  --firmware TEXT          the four-character firmware text (default 0132)\n"
               "  --tuning-seconds S       length of an auto tuning run (default 3)\n"
               "  --verbose                log every frame to standard error\n"
               "  --help                   this text\n\n") +
           consoleHelp();
}

bool parseProgramOptions(const std::vector<std::string> &args, ProgramOptions &out, std::string &error)
{
    out.drive.linkPath = tarvex::virtualDriveLink();
    out.defaultLink = true;
    out.drive.paced = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        const auto value = [&](std::string &v) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };
        std::string v;
        long n = 0;
        double d = 0;
        if (a == "--help" || a == "-h") {
            out.showHelp = true;
        } else if (a == "--node") {
            if (!value(v) || !toLong(v, 0, 255, n)) {
                error = error.empty() ? "--node takes 0 to 255" : error;
                return false;
            }
            out.drive.node = static_cast<std::uint8_t>(n);
            out.drive.otherNodes.clear();
        } else if (a == "--nodes") {
            if (!value(v))
                return false;
            const auto nodes = tarvex::parseNodeList(v, 0, 255);
            if (!nodes || nodes->size() > kMostNodes) {
                error = "--nodes takes up to " + std::to_string(kMostNodes) +
                        " different node addresses 0 to 255, such as 1,2,3 or 1-3";
                return false;
            }
            out.drive.node = nodes->front();
            out.drive.otherNodes.assign(nodes->begin() + 1, nodes->end());
        } else if (a == "--catalogue") {
            if (!value(v))
                return false;
            out.cataloguePath = v;
            out.catalogueGiven = true;
            out.useCatalogue = true;
        } else if (a == "--no-catalogue") {
            out.useCatalogue = false;
        } else if (a == "--link") {
            if (!value(v))
                return false;
            if (v.empty()) {
                error = "--link needs a path";
                return false;
            }
            out.drive.linkPath = v;
            out.defaultLink = false;
        } else if (a == "--no-link") {
            out.drive.linkPath.clear();
            out.defaultLink = false;
        } else if (a == "--baud") {
            if (!value(v) || !toLong(v, 1, 1000000, n) || !supportedBaud(n)) {
                error = error.empty() ? "--baud takes 9600, 19200, 38400, 57600 or 115200" : error;
                return false;
            }
            out.drive.lineSpeed = static_cast<unsigned>(n);
        } else if (a == "--any-baud") {
            out.drive.acceptAnySpeed = true;
        } else if (a == "--paced") {
            out.drive.paced = true;
        } else if (a == "--instant") {
            out.drive.paced = false;
        } else if (a == "--response-delay-ms") {
            if (!value(v) || !toDouble(v, 0, 1000, d)) {
                error = error.empty() ? "--response-delay-ms takes 0 to 1000" : error;
                return false;
            }
            out.drive.responseDelayUs = static_cast<int>(d * 1000.0);
        } else if (a == "--drive-version") {
            if (!value(v))
                return false;
            const auto identity = parseVersion(v, out.drive.identity);
            if (!identity) {
                error = "--drive-version takes a version such as A0.27.3";
                return false;
            }
            out.drive.identity = *identity;
        } else if (a == "--firmware") {
            if (!value(v))
                return false;
            if (v.size() != 4) {
                error = "--firmware takes exactly four characters";
                return false;
            }
            out.drive.identity.firmwareText = v;
        } else if (a == "--tuning-seconds") {
            if (!value(v) || !toDouble(v, 0.1, 600, d)) {
                error = error.empty() ? "--tuning-seconds takes 0.1 to 600" : error;
                return false;
            }
            out.tuningSeconds = d;
        } else if (a == "--verbose" || a == "-v") {
            out.drive.verbose = true;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    return true;
}

} // namespace vq::sim
