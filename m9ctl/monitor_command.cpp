#include "m9ctl/commands.h"

#include "m9ctl/exit_codes.h"
#include "m9ctl/standard_output.h"
#include "drive/connection/status_variables.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <sstream>
#include <thread>

namespace m9ctl {

namespace {

constexpr std::chrono::milliseconds kCyclePause{100};

std::atomic<bool> interrupted{false};
extern "C" void onInterrupt(int) { interrupted = true; }

// Rows by number (1 to 26) or name, comma-separated.
bool parseRows(const std::string &list, std::uint32_t &mask, std::string &error)
{
    mask = 0;
    std::istringstream in(list);
    std::string item;
    while (std::getline(in, item, ',')) {
        long row = 0;
        if (!parseWholeNumber(item, 1, tarvex::status::kRowCount, row)) {
            row = 0;
            for (int r = 1; r <= tarvex::status::kRowCount; ++r)
                if (lowerCase(tarvex::status::variables()[static_cast<std::size_t>(r - 1)].name) == lowerCase(item))
                    row = r;
        }
        if (row == 0) {
            error = "--rows: \"" + item + "\" is neither a row number 1 to 26 nor a state variable's name";
            return false;
        }
        mask |= 1u << (row - 1);
    }
    if (mask == 0) {
        error = "--rows needs at least one row";
        return false;
    }
    return true;
}

std::string csvField(const std::string &text)
{
    if (text.find_first_of(",\"") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

} // namespace

int runMonitor(DriveSession &session, const std::vector<std::string> &argsIn)
{
    using namespace tarvex::status;
    CommandArgs args(argsIn);
    const bool csv = args.flag("--csv");
    std::optional<std::string> rowsText, countText;
    if (!args.value("--rows", rowsText) || !args.value("--count", countText))
        return usageError("monitor: --rows and --count need a value");
    if (!args.words().empty())
        return usageError("monitor: unexpected \"" + args.words().front() + "\"");
    std::uint32_t mask = kAllRows;
    std::string error;
    if (rowsText && !parseRows(*rowsText, mask, error))
        return usageError(error);
    long count = 0;
    if (countText && !parseWholeNumber(*countText, 1, 100000000, count))
        return usageError("--count " + *countText + ": give a number of cycles, 1 or more");
    if (!session.connect())
        return worse(kLinkFailure, session.messages().worstCode());

    interrupted = false;
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    const auto &vars = variables();
    if (csv) {
        std::string header = "cycle";
        for (int row = 1; row <= kRowCount; ++row)
            if (isTicked(mask, row))
                header += "," + csvField(std::string(vars[static_cast<std::size_t>(row - 1)].name) + "[" +
                                         vars[static_cast<std::size_t>(row - 1)].unit + "]");
        for (const char *name : inputNames())
            header += std::string(",") + name;
        for (const char *name : outputNames())
            header += std::string(",") + name;
        std::printf("%s\n", header.c_str());
    }
    const ScatteredRequest request = buildRequest(mask);
    tarvex::DriveConnection &drive = session.drive();
    for (long cycle = 1; (count == 0 || cycle <= count) && !interrupted; ++cycle) {
        std::uint8_t reply[256] = {};
        std::uint8_t status = VQ_STATUS_NOT_ATTEMPTED;
        const std::int32_t length = drive.link().RdEachRegister(request, reply, &status);
        if (status != VQ_STATUS_OK) {
            session.messages().fail(kLinkFailure, "Error Status check!");
            return kLinkFailure;
        }
        std::uint8_t io[2 * kInputOutputRegisters] = {};
        drive.link().RdMtRegister(kInputOutputStart, kInputOutputRegisters, io, &status);
        if (status != VQ_STATUS_OK) {
            session.messages().fail(kLinkFailure, "Error Communication Code : " + std::to_string(status) + "\n  " +
                                                      tarvex::linkCause(status, drive.place()));
            return kLinkFailure;
        }
        std::string line = csv ? std::to_string(cycle) : std::string();
        decodeReply(mask, reply, length, drive.versionText(), [&](const RowText &row) {
            const Variable &v = vars[static_cast<std::size_t>(row.row - 1)];
            if (csv)
                line += "," + csvField(row.text);
            else
                line += (line.empty() ? "" : ", ") + std::string(v.name) + " " + row.text +
                        (std::string(v.unit) == "-" ? "" : std::string(" ") + v.unit);
        });
        std::string inputs, outputs;
        for (int k = 1; k <= kInputCount; ++k) {
            if (csv)
                line += inputOn(io, k) ? ",1" : ",0";
            else if (inputOn(io, k))
                inputs += std::string(inputs.empty() ? "" : " ") + inputNames()[static_cast<std::size_t>(k - 1)];
        }
        for (int k = 1; k <= kOutputCount; ++k) {
            if (csv)
                line += outputOn(io, k) ? ",1" : ",0";
            else if (outputOn(io, k))
                outputs += std::string(outputs.empty() ? "" : " ") + outputNames()[static_cast<std::size_t>(k - 1)];
        }
        if (!csv)
            line += "; inputs " + (inputs.empty() ? std::string("-") : inputs) + "; outputs " +
                    (outputs.empty() ? std::string("-") : outputs);
        std::printf("%s\n", line.c_str());
        // Nobody gets the lines any more: stop asking the drive for them.
        if (!standardOutputHolds())
            return kFileError;
        if (count == 0 || cycle < count)
            std::this_thread::sleep_for(kCyclePause);
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    return session.messages().worstCode();
}

} // namespace m9ctl
