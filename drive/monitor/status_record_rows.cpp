#include "drive/monitor/status_record_rows.h"

#include "drive/capture/capture_csv.h"
#include "drive/text/number_text.h"
#include "drive/connection/status_variables.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

namespace tarvex::status_record {

std::string isoTime(std::chrono::system_clock::time_point time)
{
    using namespace std::chrono;
    const auto millis = duration_cast<milliseconds>(time.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(millis / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(millis % 1000));
    return text;
}

std::string headerLines(std::chrono::system_clock::time_point started)
{
    std::string text = "# Servo Status\n# Recording started," + isoTime(started) + "\nTime,Seconds [s]";
    for (const status::Variable &variable : status::variables()) {
        const std::string unit = variable.unit;
        text += ',' + graphs::csvField(graphs::csvHeading({variable.name, unit == "-" ? std::string() : unit, {}}));
    }
    return text + '\n';
}

std::string rowLine(const StatusCycle &cycle, std::chrono::steady_clock::time_point started)
{
    std::array<const std::string *, status::kRowCount> cells{};
    for (const auto &[row, text] : cycle.values)
        if (row >= 1 && row <= status::kRowCount)
            cells[static_cast<std::size_t>(row - 1)] = &text;
    // A cycle read just before the recording began counts from its start.
    const double seconds = std::max(0.0, std::chrono::duration<double>(cycle.time - started).count());
    std::string line = isoTime(cycle.wallTime) + ',' + fixedText(seconds, 3);
    for (const std::string *cell : cells) {
        line += ',';
        if (cell)
            line += graphs::csvField(*cell);
    }
    return line + '\n';
}

} // namespace tarvex::status_record
