// Command patterns, table lookup and argument conversions of the simulated sensor.
#include <gtest/gtest.h>

#include <array>

#include "CommandTable.h"

namespace halyard::sim {
namespace {

TEST(SimCommandMatch, IntegerPlaceholder)
{
    CommandArgs args;
    ASSERT_TRUE(MatchCommand("V%d?", "V63?", args));
    EXPECT_EQ(args, CommandArgs{"63"});
    ASSERT_TRUE(MatchCommand("V%d?", "V-1?", args));
    EXPECT_EQ(args, CommandArgs{"-1"});
    EXPECT_FALSE(MatchCommand("V%d?", "V?", args));
    EXPECT_TRUE(args.empty());
    EXPECT_FALSE(MatchCommand("V%d?", "V63", args));
    EXPECT_FALSE(MatchCommand("V%d?", "V63??", args));
    EXPECT_FALSE(MatchCommand("V%d?", "V-?", args));
    ASSERT_TRUE(MatchCommand("V%d,%s", "V63,-12", args));
    EXPECT_EQ(args, (CommandArgs{"63", "-12"}));
}

TEST(SimCommandMatch, BinaryAndRestPlaceholders)
{
    CommandArgs args;
    ASSERT_TRUE(MatchCommand("OS%b", "OS1010000000000001", args));
    EXPECT_EQ(args, CommandArgs{"1010000000000001"});
    EXPECT_FALSE(MatchCommand("OS%b", "OS101000000000001", args));
    EXPECT_FALSE(MatchCommand("OS%b", "OS10100000000000011", args));
    EXPECT_FALSE(MatchCommand("OS%b", "OSNVW5", args));
    ASSERT_TRUE(MatchCommand("TEST,%s", "TEST,", args));
    EXPECT_EQ(args, CommandArgs{""});
    ASSERT_TRUE(MatchCommand("ALS-%s", "ALS-V5?", args));
    EXPECT_EQ(args, CommandArgs{"V5?"});
    EXPECT_TRUE(MatchCommand("OK", "OK", args));
    EXPECT_FALSE(MatchCommand("OK", "OKAY", args));
    EXPECT_FALSE(MatchCommand("OK", "ok", args));
    EXPECT_FALSE(MatchCommand("OK", "", args));
}

struct TestEntry {
    const char* szPattern;
    int nId;
};

TEST(SimCommandTable, FirstMatchingEntryWins)
{
    static constexpr std::array<TestEntry, 4> kTable{{{"OS?", 1}, {"OSNVW5", 2}, {"OS%b", 3}, {"%s", 4}}};
    CommandArgs args;
    const TestEntry* pEntry = FindCommand(std::span<const TestEntry>(kTable), "OS?", args);
    ASSERT_NE(pEntry, nullptr);
    EXPECT_EQ(pEntry->nId, 1);
    pEntry = FindCommand(std::span<const TestEntry>(kTable), "OSNVW5", args);
    ASSERT_NE(pEntry, nullptr);
    EXPECT_EQ(pEntry->nId, 2);
    pEntry = FindCommand(std::span<const TestEntry>(kTable), "OS0000000000000001", args);
    ASSERT_NE(pEntry, nullptr);
    EXPECT_EQ(pEntry->nId, 3);
    pEntry = FindCommand(std::span<const TestEntry>(kTable), "anything", args);
    ASSERT_NE(pEntry, nullptr);
    EXPECT_EQ(pEntry->nId, 4);
    EXPECT_EQ(FindCommand(std::span<const TestEntry>(kTable.data(), 3), "XYZ", args), nullptr);
}

TEST(SimCommandArgs, WholeTextConversions)
{
    int nValue = 7;
    EXPECT_TRUE(ParseInt("-0012", nValue));
    EXPECT_EQ(nValue, -12);
    EXPECT_TRUE(ParseInt("05", nValue));
    EXPECT_EQ(nValue, 5);
    EXPECT_FALSE(ParseInt("", nValue));
    EXPECT_FALSE(ParseInt("12a", nValue));
    EXPECT_FALSE(ParseInt(" 12", nValue));
    EXPECT_FALSE(ParseInt("99999999999", nValue));
    EXPECT_EQ(nValue, 5) << "a failed conversion leaves the value alone";

    double dValue = 0.0;
    EXPECT_TRUE(ParseDouble("4.50", dValue));
    EXPECT_DOUBLE_EQ(dValue, 4.5);
    EXPECT_FALSE(ParseDouble("4.5km", dValue));
    EXPECT_FALSE(ParseDouble("inf", dValue));
    EXPECT_FALSE(ParseDouble("", dValue));
    EXPECT_TRUE(ParseDouble("+1.5", dValue));
    EXPECT_DOUBLE_EQ(dValue, 1.5);
    EXPECT_TRUE(ParseDouble("-0.25", dValue));
    EXPECT_DOUBLE_EQ(dValue, -0.25);
    EXPECT_FALSE(ParseDouble("+-1", dValue));
    EXPECT_FALSE(ParseDouble("1e999", dValue));
    EXPECT_DOUBLE_EQ(dValue, -0.25) << "a failed conversion leaves the value alone";
}

}  // namespace
}  // namespace halyard::sim
