// The CSV text of the captures, free of widgets: headings with units, the
// settings lines, times in seconds that stay round, channels left out when
// unused, a dot as decimal mark under any locale, and the trace's times
// after the oldest samples of a long run have gone.
#include "drive/capture/capture_csv.h"

#include <clocale>
#include <sstream>

#include <gtest/gtest.h>

namespace {

using namespace tarvex::graphs;

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        out.push_back(line);
    return out;
}

TEST(CaptureCsv, ChannelsAreNamedWithTheirUnits)
{
    EXPECT_EQ(csvChannelColumn(1).quantity, "Current Speed");
    EXPECT_EQ(csvChannelColumn(1).unit, "rpm");
    EXPECT_EQ(csvChannelColumn(4).unit, "%");
    EXPECT_EQ(csvChannelColumn(7).unit, "V");
    EXPECT_EQ(csvChannelColumn(8).quantity, "SVON(Digital Input)");
    EXPECT_EQ(csvChannelColumn(8).unit, "0/1");
    EXPECT_EQ(csvChannelColumn(99).quantity, "Not Use") << "an index from outside stays in the list";
}

TEST(CaptureCsv, AnAlarmRecordingWritesItsPeriodAndOnlyTheChannelsInUse)
{
    std::array<std::vector<int>, 4> display;
    display[0] = {1, 2, 3};
    display[1] = {7, 7, 7};
    display[2] = {310, 311, 309};
    const std::string text = csvText(captureCsvTable(GraphKind::AlarmGraph, display, {1, 0, 7, 0}, 5, nullptr));
    const auto rows = lines(text);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], "# Alarm Trace");
    EXPECT_EQ(rows[1], "# Sampling period [s],0.001");
    EXPECT_EQ(rows[2], "Time [s],Current Speed [rpm],DC Link Voltage [V]");
    EXPECT_EQ(rows[3], "0,1,310");
    EXPECT_EQ(rows[4], "0.001,2,311");
    EXPECT_EQ(rows[5], "0.002,3,309");
}

TEST(CaptureCsv, NumbersKeepADotUnderACommaLocaleAndFieldsWithCommasAreQuoted)
{
    const char *previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    CsvTable table;
    table.title = "T";
    table.settings.emplace_back("Note", "a,b \"c\"");
    table.keys.values = {0.5, 1.25};
    table.columns.push_back({"Level", "", {-12.75}});
    const auto rows = lines(csvText(table));
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_EQ(rows.size(), 5u) << (german ? "" : "(no comma locale installed)");
    EXPECT_EQ(rows[1], "# Note,\"a,b \"\"c\"\"\"");
    EXPECT_EQ(rows[2], "Time [s],Level");
    EXPECT_EQ(rows[3], "0.5,-12.75");
    EXPECT_EQ(rows[4], "1.25,") << "a column shorter than the keys leaves its field empty";
}

TEST(CaptureCsv, TheTraceTimesCountFromTheStartOfTheRun)
{
    std::array<std::vector<double>, 4> physical;
    physical[0] = {100, 101};
    physical[3] = {310.5, 310.4};
    const auto rows = lines(csvText(traceCsvTable(physical, {1, 0, 0, 7}, 21, 1000)));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[1], "# Sampling period [s],0.021");
    EXPECT_EQ(rows[2], "Time [s],Current Speed [rpm],DC Link Voltage [V]");
    EXPECT_EQ(rows[3], "21.021,100,310.5") << "sample 1000 of the run, the first still held";
    EXPECT_EQ(rows[4], "21.042,101,310.4");
}

TEST(CaptureCsv, ASpectrumIsFrequencyAndAmplitude)
{
    Spectrum spectrum{};
    spectrum[0] = 0.5;
    spectrum[1] = 2.25;
    const auto rows = lines(csvText(spectrumCsvTable(spectrum, {19, 39}, "Channel 2")));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[1], "# Channel,Channel 2");
    EXPECT_EQ(rows[2], "Frequency [Hz],Amplitude");
    EXPECT_EQ(rows[3], "19,0.5");
    EXPECT_EQ(rows[4], "39,2.25");
}

} // namespace
