// The shortest sampling period the link can keep up with: a block of 120
// samples has to cross the line before the next one is full, so the slower
// the link, the longer the period must be.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarvex::trace {

// The sampling period edit's range, in milliseconds.
inline constexpr int kPeriodMin = 0;
inline constexpr int kPeriodMax = 200;
inline constexpr int kDefaultPeriodMs = 21;

struct PeriodLimit {
    std::uint32_t baud;
    int shortestMs;
    std::string_view refusal;
};

inline constexpr PeriodLimit kPeriodLimits[] = {
    {9600, 20, "Error Sampling period, 9600bps(selection 19 UP)"},
    {19200, 13, "Error Sampling period, 19200bps(selection 12UP)"},
    {38400, 11, "Error Sampling period, 38400bps(selection 10 UP)"},
    {57600, 10, "Error Sampling period, 57600bps(selection 9 UP)"},
};

// The message for a period too short for the link speed; empty when the
// period is accepted (any period at a speed without a limit).
constexpr std::string_view periodRefusal(std::uint32_t baud, int periodMs)
{
    for (const PeriodLimit &limit : kPeriodLimits)
        if (limit.baud == baud)
            return periodMs < limit.shortestMs ? limit.refusal : std::string_view{};
    return {};
}

// The shortest accepted period at a speed; 0 where there is no limit.
constexpr int shortestPeriodMs(std::uint32_t baud)
{
    for (const PeriodLimit &limit : kPeriodLimits)
        if (limit.baud == baud)
            return limit.shortestMs;
    return 0;
}

} // namespace tarvex::trace
