// The reading of message texts from C++ sources, on small sources written
// the ways the programs write their messages.
#include "tests/docs/source_messages.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using tarvex::docs::documentCarries;
using tarvex::docs::MessageFinder;
using tarvex::docs::SourceMessage;

std::vector<std::vector<std::string>> piecesOf(const MessageFinder &finder)
{
    std::vector<std::vector<std::string>> out;
    for (const SourceMessage &m : finder.messages())
        out.push_back(m.pieces);
    return out;
}

bool has(const std::vector<std::vector<std::string>> &all, const std::vector<std::string> &pieces)
{
    return std::find(all.begin(), all.end(), pieces) != all.end();
}

TEST(MessageFinder, ReadsTextsWrittenInPlaceExactlyAndOnlyFromMessageCalls)
{
    MessageFinder finder;
    finder.addSource(R"cpp(
#include "not a message.h"
void f(Drive *d, QWidget *w) {
    d->messages().show("Check PORT & BaudRate ");   // "show(\"commented\")"
    d->messages().showInformation("Complete Upload Alarm History");
    /* show("in a block comment") */
    if (!d->messages().ask("  First, you should check SVON status if it is OFF !!", "WARNING")) return;
    presenter_(this, QStringLiteral("Firmware Download Completion!!"));
    message_("\nCan't open HEX File\n");
    d->messages().show("Say \"quoted\" twice");
    d->messages().show(
        "Please enter a port number between 1 and 255 "
        "or a device path.");
    label->setText("Not a message");
    w->show();
    QMessageBox::information(parent, QStringLiteral("Title"), QStringLiteral("Box text"));
})cpp",
                     "a.cpp");
    const auto all = piecesOf(finder);
    EXPECT_TRUE(has(all, {"Check PORT & BaudRate "}));
    EXPECT_TRUE(has(all, {"Complete Upload Alarm History"}));
    EXPECT_TRUE(has(all, {"  First, you should check SVON status if it is OFF !!"}));
    EXPECT_TRUE(has(all, {"Firmware Download Completion!!"}));
    EXPECT_TRUE(has(all, {"Can't open HEX File"}));
    EXPECT_TRUE(has(all, {"Say \"quoted\" twice"}));
    EXPECT_TRUE(has(all, {"Please enter a port number between 1 and 255 or a device path."}));
    EXPECT_TRUE(has(all, {"Box text"}));
    EXPECT_EQ(all.size(), 8u) << "only message calls count, never comments, captions or other texts";
}

TEST(MessageFinder, FollowsConstantsFunctionsFormatsAndTables)
{
    MessageFinder finder;
    finder.addIndirectTable({"kLimits", "refusal"});
    finder.addSource(R"cpp(
inline constexpr const char *kRefused =
    "The jog speed must be a whole number.";
struct GroupTexts { const char *tab; const char *readError; const char *writeError; };
inline constexpr std::array<GroupTexts, 2> kGroupTexts{{
    {"Status", "Status Read Error", nullptr},
    {"Control", "Control Read Error", "Contorl Write Error"},
}};
struct Limit { std::uint32_t baud; int shortest; std::string_view refusal; };
inline constexpr Limit kLimits[] = {
    {9600, 20, "Error Sampling period, 9600bps(selection 19 UP)"},
};
)cpp",
                     "texts.h");
    finder.addSource(R"cpp(
std::string rangeMessage(int min, int max)
{
    return "Please enter an integer between " + std::to_string(min) + " and " + std::to_string(max) + ".";
}
void g(Drive *d, int group, int status, bool lock) {
    d->messages().show(kRefused);
    reportFailure(kGroupTexts[group].writeError);
    char text[64];
    std::snprintf(text, sizeof text, "Error Communication Code : %d ", status);
    d->messages().show(text);
    d->messages().show("channel" + std::to_string(group + 1) + " Read Error");
    d->messages().show(rangeMessage(0, 9));
    show(lock ? "Parameter Lock Success!" : "Parameter UnLock Success!");
    access.readOne(operation_register::kJogSpeed, speed, status, "Jog Speed Read Error");
    d->messages().present({Message::Kind::Information, "Gain Auto Tuning Stop", "STOP Message", {}});
})cpp",
                     "b.cpp");
    const auto all = piecesOf(finder);
    EXPECT_TRUE(has(all, {"The jog speed must be a whole number."}));
    EXPECT_TRUE(has(all, {"Contorl Write Error"}));
    EXPECT_FALSE(has(all, {"Control Read Error"})) << "only the column the call names";
    EXPECT_FALSE(has(all, {"Status"}));
    EXPECT_TRUE(has(all, {"Error Sampling period, 9600bps(selection 19 UP)"}));
    EXPECT_TRUE(has(all, {"Error Communication Code : "}));
    EXPECT_TRUE(has(all, {"channel", " Read Error"}));
    EXPECT_TRUE(has(all, {"Please enter an integer between ", " and ", "."}));
    EXPECT_TRUE(has(all, {"Parameter Lock Success!"}));
    EXPECT_TRUE(has(all, {"Parameter UnLock Success!"}));
    EXPECT_TRUE(has(all, {"Jog Speed Read Error"}));
    EXPECT_TRUE(has(all, {"Gain Auto Tuning Stop"}));
    EXPECT_FALSE(has(all, {"STOP Message"})) << "a caption is not the message";
    EXPECT_TRUE(finder.missingTables().empty());
}

TEST(MessageFinder, NamesATableOfMessagesThatIsGone)
{
    MessageFinder finder;
    finder.addIndirectTable({"kPeriodLimits", "refusal"});
    finder.addSource("void f() { show(\"x\"); }", "a.cpp");
    ASSERT_EQ(finder.missingTables().size(), 1u);
    EXPECT_EQ(finder.missingTables().front(), "kPeriodLimits.refusal");
}

TEST(MessageFinder, KeepsEachTextOnceWithWhereItIsShownFirst)
{
    MessageFinder finder;
    finder.addSource("void f() {\n  show(\"Cannot Open Parameter File\");\n}\n", "one.cpp");
    finder.addSource("void g() {\n\n  show(\"Cannot Open Parameter File\");\n}\n", "two.cpp");
    const auto messages = finder.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.front().file, "one.cpp");
    EXPECT_EQ(messages.front().line, 2);
}

TEST(DocumentCarries, ExactTextAnywhereAndPiecesInOrderOnOneLine)
{
    const std::string doc = "| `Communication Connection Error ` | means |\n"
                            "| `channel1 Read Error` | a channel |\n"
                            "| Read Error | channel |\n";
    EXPECT_TRUE(documentCarries(doc, {{"Communication Connection Error "}, "", 0}));
    EXPECT_FALSE(documentCarries(doc, {{"Communication  Connection Error"}, "", 0})) << "blanks count";
    EXPECT_TRUE(documentCarries(doc, {{"channel", " Read Error"}, "", 0}));
    EXPECT_FALSE(documentCarries(doc, {{" Read Error", "channel1"}, "", 0})) << "pieces keep their order";
    EXPECT_FALSE(documentCarries(doc, {{"Connection", "channel1"}, "", 0})) << "pieces stay on one line";
}

} // namespace
