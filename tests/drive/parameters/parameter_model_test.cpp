// The parameter model's rules: register words to grid texts, grid texts to
// register words, the Write range check, and parameter files.
#include "drive/parameters/model/parameter_display.h"
#include "drive/parameters/model/parameter_file.h"
#include "drive/parameters/parameter_text.h"
#include "drive/parameters/model/write_rules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tarvex::parameters;
namespace fs = std::filesystem;

namespace {
constexpr ParameterShape kBits{0, 1}, kHex{1, 1}, kSigned{2, 1}, kScaled{8, 1}, kUnsigned{3, 1};
constexpr ParameterShape kWide{2, 2};
} // namespace

TEST(DriveVersion, LetterHundredthsAndSubVersion)
{
    EXPECT_EQ(driveVersionText(0x8123), "B0.09.3");
    EXPECT_EQ(driveVersionText((27 << 5) | 3), "A0.27.3");
    EXPECT_FLOAT_EQ(driveVersionNumber((27 << 5) | 3), 0.27f);
    EXPECT_FALSE(reportsParameterLock(19 << 5));
    EXPECT_TRUE(reportsParameterLock(20 << 5));
    EXPECT_TRUE(reportsParameterLock(0x8000 | (20 << 5)));
}

TEST(ReadAllDisplay, StatusGroupFollowsThePositionRules)
{
    EXPECT_EQ(readAllText(0, 25, kScaled, 0x8123, 0, "B0.09.3"), "B0.09.3");
    EXPECT_EQ(readAllText(0, 5, kWide, 0x86A0, 0x0001, ""), "10000.0"); // unsigned 100000 x 0.1
    EXPECT_EQ(readAllText(0, 6, kWide, 0xFFFF, 0xFFFF, ""), "429496729.5");
    EXPECT_EQ(readAllText(0, 3, kWide, 0xFFFF, 0xFFFF, ""), "-1");
    EXPECT_EQ(readAllText(0, 7, kSigned, 0xFF9C, 0, ""), "-10.0");
    EXPECT_EQ(readAllText(0, 2, kSigned, 0xFF9C, 0, ""), "-100");
    EXPECT_EQ(readAllText(0, 22, kScaled, 300, 0, ""), "3.00");
    EXPECT_EQ(readAllText(0, 1, kScaled, 3105, 0, ""), "310.5");
    EXPECT_EQ(readAllText(0, 12, kUnsigned, 0xFFF6, 0, ""), "-1.0");
    EXPECT_EQ(readAllText(0, 19, kUnsigned, 300, 0, ""), "3.00");
    EXPECT_EQ(readAllText(0, 3, kBits, 0x0005, 0, ""), "0101");
    EXPECT_EQ(readAllText(0, 4, kUnsigned, 0xFFFF, 0, ""), "65535");
}

TEST(ReadAllDisplay, SettingsGroupsUseTheirOwnHexAndBitFormats)
{
    EXPECT_EQ(readAllText(1, 3, kBits, 5, 0, ""), "101"); // at least two digits, more when set
    EXPECT_EQ(readAllText(1, 17, kBits, 5, 0, ""), "00101");
    EXPECT_EQ(readAllText(1, 3, kHex, 0x1A, 0, ""), "001A");
    EXPECT_EQ(readAllText(1, 16, kHex, 0x3, 0, ""), "3");
    EXPECT_EQ(readAllText(2, 0, kHex, 0x3, 0, ""), "03");
    EXPECT_EQ(readAllText(2, 0, kBits, 0x12, 0, ""), "10"); // low four bits only
    EXPECT_EQ(readAllText(3, 0, kBits, 0x3, 0, ""), "00011");
    EXPECT_EQ(readAllText(4, 0, kBits, 0x3, 0, ""), "0011");
    EXPECT_EQ(readAllText(6, 0, kHex, 0xA, 0, ""), "   A");
    EXPECT_EQ(readAllText(7, 0, kBits, 0x1, 0, ""), "01");
    EXPECT_EQ(readAllText(5, 0, kWide, 0x0000, 0x0001, ""), "65536");
    EXPECT_EQ(readAllText(4, 0, kSigned, 0xFC18, 0, ""), "-1000");
    EXPECT_EQ(readAllText(4, 0, kUnsigned, 0xFC18, 0, ""), "64536");
}

TEST(ReadDisplay, UsesTheSimplerRules)
{
    EXPECT_EQ(readText(0, kScaled, 3105, 0), "310.5");
    EXPECT_EQ(readText(0, kBits, 5, 0), "5");
    EXPECT_EQ(readText(1, kHex, 0x1A, 0), "001A");
    EXPECT_EQ(readText(2, kHex, 0x1A, 0), "  1A");
    EXPECT_EQ(readText(2, kBits, 5, 0), "0101");
    EXPECT_EQ(readText(3, kBits, 5, 0), "00101");
    EXPECT_EQ(readText(1, kBits, 5, 0), "101");
    EXPECT_EQ(readText(7, kWide, 0xFFFE, 0xFFFF), "-2");
}

TEST(SystemUnit, ResolutionBelow31IsBitsOtherwisePulses)
{
    EXPECT_STREQ(systemResolutionUnit(20), "bit");
    EXPECT_STREQ(systemResolutionUnit(10000), "ppr");
    EXPECT_STREQ(systemResolutionUnit(31), "ppr");
}

TEST(TextToWords, EachPresentationReadsItsOwnWay)
{
    EXPECT_EQ(parameterWords("-1", 2, 1)->first, 0xFFFF);
    EXPECT_EQ(parameterWords("  +12 ", 3, 1)->first, 12);
    EXPECT_EQ(parameterWords("65535", 3, 1)->first, 0xFFFF);
    EXPECT_EQ(parameterWords("1A", 1, 1)->first, 0x1A);
    EXPECT_EQ(parameterWords("  1A", 1, 1)->first, 0x1A); // "%4X" pads with blanks
    EXPECT_EQ(parameterWords("0xffff", 1, 1)->first, 0xFFFF);
    const auto wide = parameterWords("100000", 2, 2);
    EXPECT_EQ(wide->first, 0x86A0);
    EXPECT_EQ(wide->second, 0x0001);
    EXPECT_EQ(parameterWords("-2", 3, 2)->second, 0xFFFF);
    EXPECT_EQ(parameterWords("-2147483648", 3, 2)->second, 0x8000);
}

TEST(TextToWords, TextsThatAreNoCompleteNumberOfTheKindGiveNothing)
{
    struct Case {
        const char *text;
        std::uint8_t dataType;
        std::uint8_t bitType;
    };
    for (const Case c : {Case{"abc", 3, 1}, Case{"1O0", 3, 1}, Case{"+12abc", 3, 1}, Case{"", 3, 1},
                         Case{" ", 3, 1}, Case{"-", 3, 1}, Case{"12.5", 3, 1}, Case{"-1", 3, 1},
                         Case{"65536", 3, 1}, Case{"32768", 2, 1}, Case{"-32769", 2, 1}, Case{"1e3", 2, 1},
                         Case{"12345", 1, 1}, Case{"G", 1, 1}, Case{"-1", 1, 1}, Case{"0x", 1, 1},
                         Case{"-", 0, 1}, Case{"2", 0, 1}, Case{"111111", 0, 1}, Case{"", 0, 1},
                         Case{"99999999999", 2, 2}, Case{"2147483648", 3, 2}, Case{"1,5", 3, 2}})
        EXPECT_FALSE(parameterWords(c.text, c.dataType, c.bitType).has_value())
            << '"' << c.text << "\" type " << int{c.dataType} << " bits " << int{c.bitType};
}

TEST(TextToWords, BitFieldsAreReadFromTheirOwnDigits)
{
    EXPECT_EQ(parameterWords("10", 0, 1)->first, 2);
    EXPECT_EQ(parameterWords("0101", 0, 1)->first, 5);
    EXPECT_EQ(parameterWords("10101", 0, 1)->first, 21);
    EXPECT_EQ(parameterWords("1", 0, 1)->first, 1);
    EXPECT_EQ(parameterWords("101", 0, 1)->first, 5);
}

TEST(RangeRule, DecimalAndWideValuesAreCheckedWithTheirExemptions)
{
    EXPECT_TRUE(isRangeChecked(2, 1));
    EXPECT_TRUE(isRangeChecked(3, 1));
    EXPECT_TRUE(isRangeChecked(1, 2));
    EXPECT_FALSE(isRangeChecked(1, 1));
    EXPECT_FALSE(isRangeChecked(0, 1));
    EXPECT_TRUE(withinRange("5", "0", "10"));
    EXPECT_FALSE(withinRange("11", "0", "10"));
    EXPECT_FALSE(withinRange("-1", "0", "10"));
    EXPECT_TRUE(withinRange("-1", "0", "10", writeRangeCheck(4, 11)));
    EXPECT_FALSE(withinRange("11", "0", "10", writeRangeCheck(4, 11)));
    EXPECT_TRUE(withinRange("99999", "0", "10", writeRangeCheck(1, 6)));
    EXPECT_TRUE(withinRange("-5", "0", "10", writeRangeCheck(7, 14)));
    EXPECT_FALSE(withinRange("-5", "0", "10", writeRangeCheck(7, 13)));
    EXPECT_FALSE(withinRange("-5", "0", "10", writeRangeCheck(2, 9)));
    EXPECT_FALSE(withinRange("5x", "0", "10"));
    EXPECT_FALSE(withinRange("5", "-", "10")) << "a bound that is no number holds nothing in";
}

class ParameterFiles : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("mpa-" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const char *name) { return (dir / name).string(); }
    static void spit(const std::string &p, const std::string &text) { std::ofstream(p, std::ios::binary) << text; }
    static std::string slurp(const std::string &p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    const std::vector<std::string> numbers{"0x2000", "0x2001", "0x2002", "0x2003"};
};

TEST_F(ParameterFiles, SaveWritesTheExactLayoutAndLoadsBackByPosition)
{
    ASSERT_TRUE(saveParameterFile(path("a.mpa"), "0132",
                                  {{"0x2000", "0", "12.5"}, {"0x2001", "0", "0101"}, {"0x2002", "0", "  1A"},
                                   {"0x2003", "0", "-100000"}}));
    EXPECT_EQ(slurp(path("a.mpa")),
              "M9AServio Drive version: \t0132\r\n0x2000\t0.\t12.5\r\n0x2001\t0.\t0101\r\n"
              "0x2002\t0.\t  1A\r\n0x2003\t0.\t-100000\r\n");
    const auto loaded = loadParameterFile(path("a.mpa"), numbers).contents;
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->values.size(), 4u);
    EXPECT_EQ(loaded->values[0].value, "12.5"); // split at the first full stop: the value keeps its own
    EXPECT_EQ(loaded->values[2].value, "  1A");
    EXPECT_EQ(loaded->values[3].position, 3);
    EXPECT_TRUE(loaded->mismatches.empty());
}

TEST_F(ParameterFiles, BlankLinesAndLinesWithoutASeparatorAreSkipped)
{
    spit(path("b.mpa"), "M9AServio Drive version: \t\r\n\r\n   \r\n0x2000\t0.\t7\r\nno separator here\r\n"
                        ".starts with one\r\n0x2001\t0.\t8\r\n");
    const auto loaded = loadParameterFile(path("b.mpa"), numbers).contents;
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->values.size(), 2u);
    EXPECT_EQ(loaded->values[1].position, 1);
    EXPECT_EQ(loaded->values[1].value, "8");
}

TEST_F(ParameterFiles, AHeaderWithoutATabMakesTheNextTabLineTheHeader)
{
    spit(path("c.mpa"), "header without tab\r\n0x2000\t0.\t1\r\n0x2001\t0.\t2\r\n");
    const auto loaded = loadParameterFile(path("c.mpa"), numbers).contents;
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->values.size(), 1u);
    EXPECT_EQ(loaded->values[0].value, "2");
}

TEST_F(ParameterFiles, ExtraLinesAreNotReadAndShortFilesFillOnlyTheirRows)
{
    spit(path("d.mpa"), "h\t\r\n0x2000\t0.\t1\r\n0x2001\t0.\t2\r\n0x2002\t0.\t3\r\n0x2003\t0.\t4\r\n0x2004\t0.\t5\r\n");
    EXPECT_EQ(loadParameterFile(path("d.mpa"), numbers).contents->values.size(), 4u);
    spit(path("e.mpa"), "h\t\r\n0x2000\t0.\t1\r\n");
    EXPECT_EQ(loadParameterFile(path("e.mpa"), numbers).contents->values.size(), 1u);
}

TEST_F(ParameterFiles, AFileFromAnotherCatalogueLoadsByPositionButNamesTheMismatches)
{
    spit(path("f.mpa"), "h\t\r\n0x2000\t0.\t1\r\n0x2101\t0.\t2\r\n0x2002\t0.\t3\r\n0x3003\t0.\t4\r\n");
    const auto loaded = loadParameterFile(path("f.mpa"), numbers).contents;
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->values.size(), 4u);
    ASSERT_EQ(loaded->mismatches.size(), 2u);
    EXPECT_EQ(loaded->mismatches[0].position, 1);
    EXPECT_EQ(loaded->mismatches[0].inFile, "0x2101");
    EXPECT_EQ(loaded->mismatches[0].inCatalogue, "0x2001");
    EXPECT_EQ(loaded->mismatches[1].inFile, "0x3003");
}

TEST_F(ParameterFiles, UnreadableAndUnwritablePathsFail)
{
    EXPECT_FALSE(loadParameterFile(path("missing.mpa"), numbers).contents);
    EXPECT_FALSE(saveParameterFile((dir / "nope" / "x.mpa").string(), "", {}));
}

TEST(ParameterFileText, EightBitTextRoundTrips)
{
    EXPECT_EQ(latin1ToUtf8("\xB0" "C"), "\xC2\xB0" "C");
    EXPECT_EQ(utf8ToLatin1("\xC2\xB0" "C"), "\xB0" "C");
    EXPECT_EQ(utf8ToLatin1("\xEC\x86\x8D"), "?"); // a Korean syllable has no 8-bit form
    EXPECT_EQ(utf8ToLatin1("\xC2"), "?");
    EXPECT_EQ(fileGroupOrder(false), (std::vector<int>{0, 1, 2, 3, 4, 5, 7}));
    EXPECT_EQ(fileGroupOrder(true).back(), 6);
}
