#include <gtest/gtest.h>

#include "document/DataFields.h"

using namespace halyard;

namespace {

// "position=value" for each numeric field, to compare in one line.
std::string Described(const std::vector<DataField>& fields)
{
    std::string strOut;
    for (const DataField& field : fields)
        strOut += (strOut.empty() ? "" : " ") + std::to_string(field.nField) + "=" + field.strText;
    return strOut;
}

}  // namespace

TEST(DataFields, ADecimalNumberIsASignDigitsAndAtMostOnePoint)
{
    EXPECT_DOUBLE_EQ(*DecimalValue("+021.3"), 21.3);
    EXPECT_DOUBLE_EQ(*DecimalValue("-7"), -7.0);
    EXPECT_DOUBLE_EQ(*DecimalValue("00123"), 123.0);
    EXPECT_DOUBLE_EQ(*DecimalValue(".5"), 0.5);
    EXPECT_DOUBLE_EQ(*DecimalValue("5."), 5.0);
    for (const char* szNot : {"", "+", "-", ".", "///", "12.345.6", "0A1", "1e5", "+-1", "1-", " 1", "inf", "nan", "0x10"})
        EXPECT_FALSE(DecimalValue(szNot).has_value()) << '"' << szNot << '"';
}

TEST(DataFields, TokensAreNumberedByPositionWithEmptyOnesCounted)
{
    // A run of blanks is one cut, whatever the width the sensor pads to.
    EXPECT_EQ(Described(NumericFields("PW 00  15000 14988 +21.3")), "2=00 3=15000 4=14988 5=+21.3");
    EXPECT_EQ(Described(NumericFields("  PW 00")), "2=00");
    // A comma with blanks around it is one cut; two commas leave an empty token.
    EXPECT_EQ(Described(NumericFields("A, 1 ,2,,3")), "2=1 3=2 5=3");
    EXPECT_EQ(Described(NumericFields("1,2,")), "1=1 2=2");
    EXPECT_EQ(Described(NumericFields("/// 12.345.6 7")), "3=7");
    EXPECT_TRUE(NumericFields("").empty());
    EXPECT_TRUE(NumericFields("   ").empty());
    EXPECT_EQ(NumericFields("X +021.3")[0].dValue, 21.3);
}

TEST(DataFields, AFieldListIsWholeNumbersFromOneWithoutRepeats)
{
    EXPECT_EQ(*ParseFieldList("3,4"), (std::vector<int>{3, 4}));
    EXPECT_EQ(*ParseFieldList(" 7, 2 ,10"), (std::vector<int>{7, 2, 10}));
    for (const char* szBad : {"", "0", "3,,4", "3,3", "-1", "2.5", "a", "3,"})
        EXPECT_FALSE(ParseFieldList(szBad).has_value()) << '"' << szBad << '"';
}
