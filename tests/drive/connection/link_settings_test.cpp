// The setting dialog's fields as the program reads them.
#include "drive/connection/link_settings.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

TEST(PortText, ComNumbersAndDevicePaths)
{
    EXPECT_EQ(parsePortText("3"), (PortChoice{3, ""}));
    EXPECT_EQ(parsePortText(" 12 "), (PortChoice{12, ""}));
    EXPECT_EQ(parsePortText("COM7"), (PortChoice{7, ""}));
    EXPECT_EQ(parsePortText("/dev/ttyUSB0")->device, "/dev/ttyUSB0");
    EXPECT_EQ(parsePortText("/tmp/ttyM9A")->text(), "/tmp/ttyM9A");
}

TEST(PortText, RefusesWhatNoPortIs)
{
    for (const char *text : {"", "0", "256", "99999", "-1", "ttyS0", "3a", "COM", "../x"})
        EXPECT_FALSE(parsePortText(text)) << text;
    EXPECT_FALSE(parsePortText("/" + std::string(300, 'a'))) << "an overlong path";
}

TEST(PortText, SerialDeviceServerAddresses)
{
    struct Case {
        const char *text;
        bool accepted;
        const char *problemPart; // in the refusal's words
    };
    const Case cases[] = {
        {"tcp://127.0.0.1:4001", true, ""},
        {" rfc2217://moxa-7.local:950 ", true, ""},
        {"tcp://[::1]:65535", true, ""},
        {"tcp://127.0.0.1", false, "needs a port"},
        {"tcp://127.0.0.1:0", false, "1 to 65535"},
        {"tcp://127.0.0.1:65536", false, "1 to 65535"},
        {"tcp://127.0.0.1:40x1", false, "1 to 65535"},
        {"rfc2217://:4001", false, "not a host"},
        {"tcp://user@host:4001", false, "not a host"},
        {"tcp://a b:4001", false, "not a host"},
        {"tcp://[::1:4001", false, "IPv6"},
        {"tcp://[zz]:4001", false, "IPv6"},
    };
    for (const Case &c : cases) {
        const auto port = parsePortText(c.text);
        EXPECT_EQ(port.has_value(), c.accepted) << c.text;
        const std::string problem = networkPortProblem(c.text);
        EXPECT_NE(problem.find(c.problemPart), std::string::npos) << c.text << ": " << problem;
        EXPECT_EQ(problem.empty(), c.accepted) << c.text;
        if (port) {
            EXPECT_TRUE(port->isNetwork());
            // What is shown and opened is the address as typed, blanks trimmed.
            EXPECT_EQ(port->devicePath().find(' '), std::string::npos);
        }
    }
    EXPECT_EQ(networkPortProblem("/dev/ttyUSB0"), "");
    EXPECT_EQ(networkPortProblem("http://127.0.0.1:80"), "");
    EXPECT_FALSE(parsePortText("http://127.0.0.1:80"));
}

TEST(NodeText, WholeNumbersZeroToNinetyNine)
{
    EXPECT_EQ(parseNodeText("0"), 0);
    EXPECT_EQ(parseNodeText("99"), 99);
    EXPECT_FALSE(parseNodeText("100"));
    EXPECT_FALSE(parseNodeText(""));
    EXPECT_FALSE(parseNodeText("1.5"));
}

TEST(BaudList, IndexToRate)
{
    EXPECT_EQ(baudForIndex(0), 9600u);
    EXPECT_EQ(baudForIndex(1), 19200u);
    EXPECT_EQ(baudForIndex(3), 57600u);
    EXPECT_EQ(baudForIndex(4), 0u);
    EXPECT_EQ(baudForIndex(-1), 0u);
    EXPECT_EQ(baudForIndex(kDialogBaudIndex), 19200u);
}

} // namespace
} // namespace tarvex

#include "drive/connection/text_encoding.h"

namespace tarvex {
namespace {

TEST(TextEncoding, CatalogueTextsSurviveTheRoundTrip)
{
    const std::string korean = "\xEC\x86\x8D\xEB\x8F\x84 \u2103 \xF0\x9F\x98\x80";
    EXPECT_EQ(utf8FromUtf16(utf16FromUtf8(korean)), korean);
    EXPECT_EQ(utf16FromUtf8("./DB/M9A_Tarvex-DATA_ENG.mdb"), u"./DB/M9A_Tarvex-DATA_ENG.mdb");
}

TEST(TextEncoding, DamagedTextsBecomeReplacementCharacters)
{
    EXPECT_EQ(utf8FromUtf16(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(utf16FromUtf8("a\xC3"), u"a\uFFFD");
    EXPECT_EQ(utf16FromUtf8("\xC0\x80"), u"\uFFFD\uFFFD") << "overlong forms are refused";
}

} // namespace
} // namespace tarvex
