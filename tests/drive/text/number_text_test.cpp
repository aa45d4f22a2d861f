// The one reading and writing of numbers as text: whole texts only, and a
// full stop as decimal separator whatever the locale the program runs in.
#include "drive/text/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace tarvex {
namespace {

TEST(NumberText, OnlyWholeNumbersAreRead)
{
    EXPECT_EQ(strictDecimal(" -12 "), -12);
    EXPECT_EQ(strictDecimal("+7"), 7);
    for (const char *text : {"", " ", "-", "+", "+-1", "--1", "1O0", "12a", "1.5", "1,5", "1e3", "0x10"})
        EXPECT_FALSE(strictDecimal(text).has_value()) << '"' << text << '"';
    EXPECT_FALSE(strictDecimal("99999999999999999999").has_value()) << "beyond 64 bits";
    EXPECT_EQ(strictSigned16("-32768"), -32768);
    EXPECT_FALSE(strictSigned16("32768").has_value());

    EXPECT_EQ(strictHex("0x1F"), 0x1Fu);
    EXPECT_EQ(strictHex("  ff"), 0xFFu);
    for (const char *text : {"", "0x", "G", "-1", "1 2"})
        EXPECT_FALSE(strictHex(text).has_value()) << '"' << text << '"';

    EXPECT_EQ(strictBinaryDigits("00101", 5), 5u);
    for (const char *text : {"", "-", "2", "101010"})
        EXPECT_FALSE(strictBinaryDigits(text, 5).has_value()) << '"' << text << '"';

    EXPECT_EQ(strictReal("-0.5"), -0.5);
    for (const char *text : {"", ".", "1,5", "1e3", "inf", "nan", "1.2.3"})
        EXPECT_FALSE(strictReal(text).has_value()) << '"' << text << '"';
}

TEST(NumberText, TheLenientFileReadingStopsAtTheFirstOtherCharacter)
{
    EXPECT_EQ(leadingInteger("  12.000000"), 12);
    EXPECT_EQ(leadingInteger("-3x"), -3);
    EXPECT_EQ(leadingInteger("abc"), 0);
    EXPECT_EQ(leadingInteger("99999999999"), 2147483647);
    EXPECT_EQ(leadingInteger("-99999999999"), -2147483647 - 1);
}

// Under a comma locale "%.1f" would write "310,4"; the panes, grids and
// files must not. The check runs under every locale this system offers
// that writes a comma.
TEST(NumberText, FixedTextIsTheSameUnderEveryLocale)
{
    EXPECT_EQ(fixedText(310.45, 1), "310.4") << "rounded like %.1f";
    EXPECT_EQ(fixedText(2.8, 2), "2.80");
    EXPECT_EQ(fixedText(-0.25, 1), "-0.2");
    EXPECT_EQ(fixedText(7, 0), "7");
    bool commaLocale = false;
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"}) {
        if (!std::setlocale(LC_NUMERIC, name))
            continue;
        commaLocale = true;
        EXPECT_EQ(fixedText(310.45, 1), "310.4") << name;
        EXPECT_EQ(fixedText(2.8, 2), "2.80") << name;
        EXPECT_EQ(strictReal("310.4"), 310.4) << name;
    }
    std::setlocale(LC_NUMERIC, "C");
    if (!commaLocale)
        GTEST_SKIP() << "no comma locale is installed here";
}

} // namespace
} // namespace tarvex
