// The line protocol's pure pieces: framing, LRC, classification, stripping.
#include <gtest/gtest.h>

#include "document/Framing.h"

namespace halyard {
namespace {

const uint8_t* Bytes(const std::string& s)
{
    return reinterpret_cast<const uint8_t*>(s.data());
}

TEST(Framing, AddressedCommandsMatchTheProtocolExamples)
{
    EXPECT_EQ(FrameCommand("OS?", true, 1, true), ":01OS?BE\r\n");
    EXPECT_EQ(FrameCommand("R?", true, 5, true), ":05R?0A\r\n");
    EXPECT_EQ(FrameCommand("ADR?", true, 12, true), ":12ADR?87\r\n");
}

TEST(Framing, PlainCommandIsTextAndOptionalLineEnd)
{
    EXPECT_EQ(FrameCommand("R?", false, 7, true), "R?\r\n");
    EXPECT_EQ(FrameCommand("R?", false, 7, false), "R?");
    EXPECT_EQ(FrameCommand("R?", true, 7, false), ":07R?08");
}

TEST(Framing, IdentificationLinesCarryFfWhereTheLrcWouldBe)
{
    // The real LRC of "07JM?" is C3; the identification sends "FF" instead.
    ASSERT_EQ(FrameCommand("JM?", true, 7, true), ":07JM?C3\r\n");
    EXPECT_EQ(FrameIdentificationCommand("JM?", true, 7), ":07JM?FF\r\n");
    EXPECT_EQ(FrameIdentificationCommand("OK", true, 7), ":07OKFF\r\n");
    EXPECT_EQ(FrameIdentificationCommand("JM?", true, 42), ":42JM?FF\r\n");
    // The address is two digits even at 0, and taken modulo 100 above 99.
    EXPECT_EQ(FrameIdentificationCommand("JM?", true, 0), ":00JM?FF\r\n");
    EXPECT_EQ(FrameIdentificationCommand("JM?", true, 105), ":05JM?FF\r\n");
}

TEST(Framing, PlainIdentificationLineIsTextAndCrLf)
{
    EXPECT_EQ(FrameIdentificationCommand("OK", false, 7), "OK\r\n");
    EXPECT_EQ(FrameIdentificationCommand("JM?", false, 7), "JM?\r\n");
}

TEST(Framing, LrcIsTwosComplementOfTheSumAndZeroForZero)
{
    EXPECT_EQ(LRCOf(std::string_view("")), 0);
    EXPECT_EQ(LRCOf(std::string_view("\x01", 1)), 0xFF);
    const std::string strAll(256, '\x01');  // sums to exactly 256
    EXPECT_EQ(LRCOf(strAll), 0);
    // Sum of payload plus its LRC is 0 modulo 256.
    const std::string strPayload = "03PW 1234";
    unsigned nSum = LRCOf(strPayload);
    for (char c : strPayload)
        nSum += static_cast<uint8_t>(c);
    EXPECT_EQ(nSum % 256, 0u);
}

TEST(Framing, CheckLrcAcceptsOnlyUpperCaseDigitsBeforeCrLf)
{
    const std::string strGood = FrameCommand("PW 1234", true, 3, true);  // LRC "0C"
    const auto nLF = static_cast<uint32_t>(strGood.size() - 1);
    ASSERT_EQ(strGood.substr(strGood.size() - 4, 2), "0C");
    EXPECT_TRUE(CheckLRC(Bytes(strGood), nLF));

    std::string strLower = strGood;
    strLower[strLower.size() - 3] = 'c';
    EXPECT_FALSE(CheckLRC(Bytes(strLower), nLF));

    std::string strWrong = strGood;
    strWrong[4] = 'X';
    EXPECT_FALSE(CheckLRC(Bytes(strWrong), nLF));
}

TEST(Framing, CheckLrcRefusesShortLinesAndLinesWithoutColon)
{
    const std::string strNoColon = "03R?0C\r\n";
    EXPECT_FALSE(CheckLRC(Bytes(strNoColon), static_cast<uint32_t>(strNoColon.size() - 1)));
    EXPECT_FALSE(CheckLRC(Bytes(strNoColon), 2));
    EXPECT_FALSE(CheckLRC(nullptr, 10));
    // LF alone: the digits compared are the wrong ones.
    const std::string strLfOnly = ":03R?0C\n";
    EXPECT_FALSE(CheckLRC(Bytes(strLfOnly), static_cast<uint32_t>(strLfOnly.size() - 1)));
}

TEST(Framing, ClassificationFollowsTableOrderAndTestForms)
{
    auto cls = ClassifyDataMessage("PW 1 2 3");
    EXPECT_TRUE(cls.bDataMessage);
    EXPECT_EQ(cls.bPQDSensor, false);

    cls = ClassifyDataMessage("PQD025 0123 45");
    EXPECT_TRUE(cls.bDataMessage);
    EXPECT_EQ(cls.bPQDSensor, true);

    EXPECT_EQ(ClassifyDataMessage("LMW-40,12").bPQDSensor, true);
    EXPECT_EQ(ClassifyDataMessage("ZRT650 data").bPQDSensor, false);
    EXPECT_EQ(ClassifyDataMessage("QRM310 data").bPQDSensor, false);

    // Test forms are not data messages, and leave the flag alone.
    cls = ClassifyDataMessage("TPQD015 1 2");
    EXPECT_FALSE(cls.bDataMessage);
    EXPECT_FALSE(cls.bPQDSensor.has_value());
    // "CP" decides first: with its test form the line is not data even with a later code.
    EXPECT_FALSE(ClassifyDataMessage("TCP PQD015").bDataMessage);
    // A later code's test form does not matter when an earlier code decides.
    EXPECT_TRUE(ClassifyDataMessage("PW TPQD015").bDataMessage);
    EXPECT_FALSE(ClassifyDataMessage("00000000,00100001").bDataMessage);
    EXPECT_FALSE(ClassifyDataMessage("").bDataMessage);
}

TEST(Framing, AutomaticCommandsCountTheirOwnCodesFromTheSameTable)
{
    // The automatic commands count "ALS-DATA", which the classification does
    // not know, and not "QRM310", which it does; they count test forms too.
    EXPECT_TRUE(DataMessageReceived("ALS-DATA 12"));
    EXPECT_FALSE(ClassifyDataMessage("ALS-DATA 12").bDataMessage);
    EXPECT_FALSE(DataMessageReceived("QRM310 data"));
    EXPECT_TRUE(ClassifyDataMessage("QRM310 data").bDataMessage);
    EXPECT_TRUE(DataMessageReceived("TPQD015 1 2"));
    EXPECT_FALSE(ClassifyDataMessage("TPQD015 1 2").bDataMessage);
    EXPECT_FALSE(DataMessageReceived("00000000,00100001"));
}

TEST(Framing, StrippingAnAddressedLine)
{
    auto line = StripAddressedLine(":03PW 1234AB", 13);
    EXPECT_TRUE(line.bWellFormed);
    EXPECT_EQ(line.wAddress, 3);
    EXPECT_EQ(line.strPayload, "PW 1234");

    line = StripAddressedLine(":03R?", 7);  // LF before index 8
    EXPECT_FALSE(line.bWellFormed);
    EXPECT_EQ(line.strPayload, ":03R?");

    line = StripAddressedLine("no colon here", 15);
    EXPECT_FALSE(line.bWellFormed);
    EXPECT_EQ(line.strPayload, "no colon here");

    // Text before the colon is dropped with it.
    line = StripAddressedLine("xx:1200630ZZ", 14);
    EXPECT_EQ(line.wAddress, 12);
    EXPECT_EQ(line.strPayload, "00630");
}

TEST(Framing, PrintableTextDropsControlBytesAndFF)
{
    const uint8_t by[] = {'A', 0x01, '\t', 0x7F, 0xA0, 0xE9, 0xFF, 0x9F, 'z'};
    EXPECT_EQ(PrintableText(by, sizeof by), std::string("A\xA0\xE9z"));
}

TEST(Framing, UpperCaseCommandChangesOnlyAToZ)
{
    // y with diaeresis, micro sign, sharp s and e acute stay as typed.
    EXPECT_EQ(UpperCaseCommand("a\xFF\xB5\xDF\xE9z"), std::string("A\xFF\xB5\xDF\xE9Z"));
    EXPECT_EQ(UpperCaseCommand("os?,`{}@[09"), "OS?,`{}@[09");
    EXPECT_EQ(UpperCaseCommand(std::string("a\0b", 3)), std::string("A\0B", 3));
    EXPECT_EQ(UpperCaseCommand(""), "");
}

TEST(Framing, LeadingDecimalReadsLikeACConversion)
{
    EXPECT_EQ(LeadingDecimal("00630"), 630);
    EXPECT_EQ(LeadingDecimal(" 12abc"), 12);
    EXPECT_EQ(LeadingDecimal("BAD C"), 0);
    EXPECT_EQ(LeadingDecimal("-7"), -7);
    EXPECT_EQ(LeadingDecimal("99999999999999"), INT32_MAX);
}

}  // namespace
}  // namespace halyard
