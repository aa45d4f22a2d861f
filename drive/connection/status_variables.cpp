#include "drive/connection/status_variables.h"

#include "drive/text/number_text.h"

namespace tarvex::status {

const std::array<Variable, kRowCount> &variables()
{
    static const std::array<Variable, kRowCount> table{{
        {"Current Speed", 16, Shown::Integer, "rpm"},
        {"Command Speed", 16, Shown::Integer, "rpm"},
        {"Feedback Pulse", 32, Shown::Integer, "pulse"},
        {"Command Pulse", 32, Shown::Integer, "pulse"},
        {"Following Error", 32, Shown::Integer, "pulse"},
        {"Input Command Frequency", 32, Shown::LowTenths, "Khz"},
        {"Current Torque", 16, Shown::Tenths, "%"},
        {"Command Torque", 16, Shown::Tenths, "%"},
        {"Accumulated OverLoad", 16, Shown::Tenths, "%"},
        {"Maximum Load", 16, Shown::Tenths, "%"},
        {"Torque Limit", 16, Shown::Tenths, "%"},
        {"DC-Link Voltage", 16, Shown::Tenths, "V"},
        {"Regenerative Overload", 16, Shown::Tenths, "%"},
        {"Single-turn Data", 32, Shown::Integer, "Pulse"},
        {"Single-turn Data(deg)", 16, Shown::Tenths, "Degree"},
        {"Multi-turn Data", 32, Shown::Integer, "rev"},
        {"Room Temperature", 16, Shown::Integer, "\u2103"},
        {"Motor Rated Speed", 16, Shown::Integer, "rpm"},
        {"Motor Maximum Speed", 16, Shown::Integer, "rpm"},
        {"Motor Rated Current", 16, Shown::Hundredths, "A"},
        {"U Phase Current Offset", 16, Shown::Integer, "mA"},
        {"V Phase Current Offset", 16, Shown::Integer, "mA"},
        {"FPGA Version", 16, Shown::Tenths, "-"},
        {"External Encoder Position Feedback", 32, Shown::Integer, "-"},
        {"External Encoder Following Error", 32, Shown::Integer, "-"},
        {"OS Version", 16, Shown::VersionText, "-"},
    }};
    return table;
}

const std::array<const char *, kInputCount> &inputNames()
{
    static const std::array<const char *, kInputCount> names{"POT",   "NOT",   "HOME",
                                                             "PCON",  "GAIN2", "ALRST"};
    return names;
}

const std::array<const char *, kOutputCount> &outputNames()
{
    static const std::array<const char *, kOutputCount> names{"ALM",   "RDY",   "ZSPD", "BRK",
                                                              "INPOS", "INSPD", "WARN"};
    return names;
}

std::uint16_t addressOf(int row)
{
    unsigned address = kBlockStart;
    for (int r = 1; r < row && r <= kRowCount; ++r)
        address += static_cast<unsigned>(variables()[static_cast<std::size_t>(r - 1)].width / 8);
    return static_cast<std::uint16_t>(address);
}

ScatteredRequest buildRequest(std::uint32_t tickedMask)
{
    ScatteredRequest request{};
    int count = 0;
    unsigned address = kBlockStart;
    for (int row = 1; row <= kRowCount; ++row) {
        const int width = variables()[static_cast<std::size_t>(row - 1)].width;
        if (isTicked(tickedMask, row)) {
            request.addresses[count++] = static_cast<std::uint16_t>(address);
            if (width == 32)
                request.addresses[count++] = static_cast<std::uint16_t>(address + 2);
        }
        address += width == 32 ? 4u : 2u;
    }
    request.byteCount = static_cast<std::uint8_t>(2 * count);
    return request;
}

std::int16_t assemble16(const std::uint8_t *bytes)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]));
}

std::int32_t assemble32(const std::uint8_t *bytes)
{
    const std::uint32_t value = (static_cast<std::uint32_t>(bytes[2]) << 24) |
                                (static_cast<std::uint32_t>(bytes[3]) << 16) |
                                (static_cast<std::uint32_t>(bytes[0]) << 8) | bytes[1];
    return static_cast<std::int32_t>(value);
}

std::string formatValue(int row, const std::uint8_t *bytes, std::string_view versionText)
{
    if (row < 1 || row > kRowCount)
        return {};
    const Variable &variable = variables()[static_cast<std::size_t>(row - 1)];
    switch (variable.shown) {
    case Shown::Integer:
        return std::to_string(variable.width == 32 ? assemble32(bytes) : int{assemble16(bytes)});
    case Shown::Tenths:
    case Shown::LowTenths:
        return fixedText(assemble16(bytes) * 0.1, 1);
    case Shown::Hundredths:
        return fixedText(assemble16(bytes) * 0.01, 2);
    case Shown::VersionText:
        return std::string(versionText);
    }
    return {};
}

} // namespace tarvex::status
