// Node lists as typed on a command line: what a list gives, and what is
// refused rather than asking some other set of drives.
#include "drive/text/node_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(NodeList, GivesTheNodesInOrderAndRefusesAnythingElse)
{
    using Nodes = std::vector<std::uint8_t>;
    const struct {
        const char *text;
        bool taken;
        Nodes nodes;
    } kCases[] = {
        {"1,2,3", true, {1, 2, 3}},
        {"0-3", true, {0, 1, 2, 3}},
        {"5,1-2,99", true, {5, 1, 2, 99}},
        {" 7 ", true, {7}},
        {"", false, {}},
        {"1,", false, {}},
        {",1", false, {}},
        {"1,,2", false, {}},
        {"3-1", false, {}},
        {"1-", false, {}},
        {"-1", false, {}},
        {"1-2-3", false, {}},
        {"100", false, {}},
        {"0-100", false, {}},
        {"1,2,1", false, {}},
        {"1-3,2", false, {}},
        {"+1", false, {}},
        {"1a", false, {}},
        {"99999999999999999999", false, {}},
    };
    for (const auto &c : kCases) {
        const auto nodes = tarvex::parseNodeList(c.text, 0, 99);
        EXPECT_EQ(nodes.has_value(), c.taken) << '"' << c.text << '"';
        if (nodes && c.taken) {
            EXPECT_EQ(*nodes, c.nodes) << '"' << c.text << '"';
        }
    }
    EXPECT_FALSE(tarvex::parseNodeList(std::string(2000, '1'), 0, 99));
}

} // namespace
