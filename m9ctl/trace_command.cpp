#include "m9ctl/commands.h"

#include "drive/capture/channel_catalog.h"
#include "m9ctl/exit_codes.h"
#include "drive/capture/graph_file.h"
#include "m9ctl/output_paths.h"
#include "drive/capture/trace/trace_file.h"
#include "drive/capture/trace/trace_graph.h"
#include "drive/capture/trace/trace_period.h"
#include "drive/capture/trace/trace_values.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <deque>
#include <sstream>
#include <thread>

namespace m9ctl {

namespace {

using namespace tarvex;

constexpr std::chrono::milliseconds kPollPause{2};
// Beyond a block's time: room for the fetch of a block that filled just as
// the run's time was up.
constexpr std::chrono::milliseconds kLateBlockGrace{1000};

// A channel by its list index (0 to 16), its entry text, or the entry text
// without its unit ("current speed").
std::optional<int> channelIndex(const std::string &word)
{
    long index = 0;
    if (parseWholeNumber(word, 0, graphs::kChannelEntries - 1, index))
        return static_cast<int>(index);
    const std::string wanted = lowerCase(word);
    for (int i = 0; i < graphs::kChannelEntries; ++i) {
        const std::string name = lowerCase(std::string(graphs::kChannelNames[static_cast<std::size_t>(i)]));
        const std::string bare = name.substr(0, name.find_first_of("[("));
        if (wanted == name || wanted == bare)
            return i;
    }
    return std::nullopt;
}

bool endsWith(const std::string &text, const std::string &end)
{
    return text.size() >= end.size() && lowerCase(text.substr(text.size() - end.size())) == end;
}

// The value a sample means: DC-link voltages come in 0.1 V.
double physical(int listIndex, std::int16_t sample)
{
    return listIndex == graphs::kDcLinkIndex ? sample / 10.0 : static_cast<double>(sample);
}

tarvex::FileOutcome writeCsv(const std::string &path, const std::array<int, 4> &indices, int periodMs,
                             const std::vector<trace::TraceBlock> &blocks)
{
    std::ostringstream out;
    out << "time_ms";
    for (int index : indices)
        if (index != graphs::kNotUsed)
            out << ',' << graphs::kChannelNames[static_cast<std::size_t>(index)];
    out << '\n';
    long long point = 0;
    for (const trace::TraceBlock &block : blocks)
        for (std::size_t j = 0; j < trace::kSamplesPerBlock; ++j, ++point) {
            out << point * periodMs;
            for (std::size_t c = 0; c < 4; ++c)
                if (indices[c] != graphs::kNotUsed)
                    out << ',' << physical(indices[c], block[c][j]);
            out << '\n';
        }
    return tarvex::saveFileAtomically(path, out.str());
}

tarvex::FileOutcome writeMdg(const std::string &path, const std::array<int, 4> &indices, int periodMs,
              const std::vector<trace::TraceBlock> &blocks)
{
    // The file holds what the window's chart would: the newest 361 points.
    std::deque<std::array<float, 4>> points;
    for (const trace::TraceBlock &block : blocks)
        for (std::size_t j = 0; j < trace::kSamplesPerBlock; ++j) {
            std::array<float, 4> p{};
            for (std::size_t c = 0; c < 4; ++c)
                if (indices[c] != graphs::kNotUsed)
                    p[c] = static_cast<float>(trace::tracePlotValue(static_cast<int>(c), block[c][j], indices[c],
                                                                    graphs::kDefaultLimits));
            points.push_back(p);
            if (points.size() > static_cast<std::size_t>(trace::kTracePoints))
                points.pop_front();
        }
    trace::TraceFileSource source;
    for (std::size_t c = 0; c < 4; ++c) {
        source.listIndices[c] = indices[c];
        source.channelNames[c] = std::string(graphs::kChannelNames[static_cast<std::size_t>(indices[c])]);
        for (std::size_t i = 0; i < points.size(); ++i)
            source.values[c][i] = points[i][c];
    }
    source.periodEditMs = periodMs;
    source.periodField = trace::periodRegisterValue(periodMs);
    return graphs::writeGraphFile(path, trace::traceFileWriting(source));
}

} // namespace

int runTrace(DriveSession &session, const std::vector<std::string> &argsIn)
{
    CommandArgs args(argsIn);
    std::optional<std::string> channelsText, periodText, secondsText, output;
    if (!args.value("--channels", channelsText) || !args.value("--period", periodText) ||
        !args.value("--seconds", secondsText) || !args.value("--output", output, "-o"))
        return usageError("trace: --channels, --period, --seconds and -o need a value");
    if (!args.words().empty())
        return usageError("trace: unexpected \"" + args.words().front() + "\"");
    if (!channelsText || !periodText || !secondsText || !output)
        return usageError("trace needs --channels A,B,C,D --period MS --seconds S -o FILE");
    std::array<int, 4> indices{};
    {
        std::istringstream in(*channelsText);
        std::string item;
        std::size_t c = 0;
        while (std::getline(in, item, ',')) {
            if (c == 4)
                return usageError("--channels: at most four channels");
            const std::optional<int> index = channelIndex(item);
            if (!index)
                return usageError("--channels: \"" + item + "\" is not a channel (0 to 16, or a name such as \"Current Speed\")");
            indices[c++] = *index;
        }
    }
    long periodMs = 0, seconds = 0;
    if (!parseWholeNumber(*periodText, 1, trace::kPeriodMax, periodMs))
        return usageError("--period " + *periodText + ": the sampling period is 1 to 200 ms");
    if (const std::string_view refusal = trace::periodRefusal(session.options().baud, static_cast<int>(periodMs));
        !refusal.empty())
        return usageError(std::string(refusal));
    if (!parseWholeNumber(*secondsText, 1, 3600, seconds))
        return usageError("--seconds " + *secondsText + ": give 1 to 3600 seconds");
    output = driveOutputPath(*output, session.port(), session.options().node, kTraceFolderExtension,
                             severalNodes(session.options()));
    const bool csv = endsWith(*output, ".csv");
    if (!csv && !endsWith(*output, ".mdg"))
        return usageError("-o " + *output + ": the file name ends in .csv or .mdg");
    if (const tarvex::FileOutcome savable = tarvex::checkSavable(*output); !savable) {
        session.messages().fail(kFileError, "cannot write " + *output + ": " + savable.reason);
        return kFileError;
    }
    if (!session.connect())
        return worse(kLinkFailure, session.messages().worstCode());

    CTraceGraph service(&session.drive());
    service.setPeriodValue(trace::periodRegisterValue(static_cast<int>(periodMs)));
    for (std::size_t c = 0; c < 4; ++c)
        service.setChannelCode(static_cast<int>(c), static_cast<std::uint16_t>(graphs::channelCode(indices[c])));
    std::uint8_t status = 0;
    if (service.SetTrace(status) != trace::kResultSuccess ||
        service.OperateTrace(trace::kOperationStart, status) != trace::kResultSuccess)
        return worse(kLinkFailure, session.messages().worstCode());

    std::vector<trace::TraceBlock> blocks;
    const bool progress = progressShown();
    // The blocks the drive fills in the time asked for. The last of them may
    // still be on its way when the time is up, so the run waits a block's
    // time longer for what is due before it counts a shortfall.
    const std::size_t blocksDue =
        static_cast<std::size_t>(seconds * 1000 / (periodMs * static_cast<long>(trace::kSamplesPerBlock)));
    const auto begin = std::chrono::steady_clock::now();
    const auto end = begin + std::chrono::seconds(seconds);
    const auto lastChance = end + std::chrono::milliseconds(periodMs * trace::kSamplesPerBlock) + kLateBlockGrace;
    const auto goOn = [&] {
        const auto now = std::chrono::steady_clock::now();
        return now < end || (blocks.size() < blocksDue && now < lastChance);
    };
    int lastShown = -1;
    bool failed = false;
    while (goOn()) {
        trace::TraceBlock block{};
        const std::uint16_t result = service.ReceiveTrace(block, status);
        if (result == trace::kResultSuccess)
            blocks.push_back(block);
        else if (result == trace::kResultFailure) {
            failed = true;
            break;
        } else
            std::this_thread::sleep_for(kPollPause);
        const int elapsed = static_cast<int>(
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - begin).count());
        if (progress && elapsed != lastShown) {
            std::fprintf(stderr, "\rtracing %d/%ld s, %zu samples", elapsed, seconds,
                         blocks.size() * trace::kSamplesPerBlock);
            lastShown = elapsed;
        }
    }
    if (progress)
        std::fprintf(stderr, "\n");
    service.setStopPending(true);
    service.OperateTrace(trace::kOperationStop, status);
    // What arrived is kept also when the run ended early: a line fault late
    // in a long run should not cost the samples already taken.
    const tarvex::FileOutcome written = csv ? writeCsv(*output, indices, static_cast<int>(periodMs), blocks)
                                            : writeMdg(*output, indices, static_cast<int>(periodMs), blocks);
    if (!written) {
        session.messages().fail(kFileError, "cannot write " + *output + ": " + written.reason);
        return worse(kFileError, session.messages().worstCode());
    }
    const std::size_t held = blocks.size() * trace::kSamplesPerBlock;
    if (failed || blocks.size() < blocksDue) {
        session.messages().fail(kLinkFailure, session.port() + ": the trace ended early: " + std::to_string(held) +
                                                  " of " + std::to_string(blocksDue * trace::kSamplesPerBlock) +
                                                  " samples per channel arrived; " + *output + " holds those " +
                                                  std::to_string(held));
        return worse(kLinkFailure, session.messages().worstCode());
    }
    std::printf("traced %zu samples per channel into %s\n", held, output->c_str());
    return session.messages().worstCode();
}

} // namespace m9ctl
