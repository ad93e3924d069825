// Register text forms and the reply length rules.
#include <gtest/gtest.h>

#include "document/Registers.h"

namespace halyard {
namespace {

TEST(Registers, ReplyFormConvertsHighByteFirst)
{
    uint16_t w = 0xFFFF;
    EXPECT_TRUE(ConvertBinaryStringtoData("00000000,00100001", &w));
    EXPECT_EQ(w, 0x0021);
    EXPECT_TRUE(ConvertBinaryStringtoData("10100000,00000001", &w));
    EXPECT_EQ(w, 0xA001);
}

TEST(Registers, OddShapesOfSeventeenCharacters)
{
    uint16_t w = 0;
    // No comma: the first 16 characters are bits 15..0, the 17th is ignored.
    EXPECT_TRUE(ConvertBinaryStringtoData("10000000000000011", &w));
    EXPECT_EQ(w, 0x8001);
    // Two commas: only bits 15..1 are read.
    EXPECT_TRUE(ConvertBinaryStringtoData("1000000,0,0000011", &w));
    EXPECT_EQ(w, 0x8006);
    // Anything but '1' counts as 0.
    EXPECT_TRUE(ConvertBinaryStringtoData("1x1x1x1x,2222222Z", &w));
    EXPECT_EQ(w, 0xAA00);
}

TEST(Registers, WrongLengthGivesZeroAndFalse)
{
    uint16_t w = 0x1234;
    EXPECT_FALSE(ConvertBinaryStringtoData("0000000,00100001", &w));
    EXPECT_EQ(w, 0);
    w = 0x1234;
    EXPECT_FALSE(ConvertBinaryStringtoData("00000000,001000011", &w));
    EXPECT_EQ(w, 0);
}

TEST(Registers, CommandAndDisplayFormsRoundTrip)
{
    std::string s;
    ConvertDatatoBinaryString(s, 0xA001);
    EXPECT_EQ(s, "1010000000000001");
    EXPECT_EQ(BinaryDisplayForm(0xA001), "10100000,00000001");
    for (uint16_t w : {0x0000, 0x0001, 0x8000, 0x5A5A, 0xFFFF}) {
        uint16_t back = 0;
        ASSERT_TRUE(ConvertBinaryStringtoData(BinaryDisplayForm(w), &back));
        EXPECT_EQ(back, w);
    }
}

TEST(Registers, ReplyTextRules)
{
    EXPECT_EQ(RegisterReplyText("00000000,00100001"), "00000000,00100001");
    EXPECT_EQ(RegisterReplyText(" 00000000,00100001"), "00000000,00100001");
    EXPECT_EQ(RegisterReplyText("00000000,00100001abc"), "00000000,00100001");
    EXPECT_FALSE(RegisterReplyText("00000000,00100001123456789").has_value());       // 26
    EXPECT_EQ(RegisterReplyText("00000000,0010000112345678"), "00000000,00100001");  // 25
    EXPECT_FALSE(RegisterReplyText("0000").has_value());
    // Only one blank goes: the 17 characters taken then start with the second.
    EXPECT_EQ(RegisterReplyText("  00000000,00100001"), " 00000000,0010000");
}

TEST(Registers, OperatingStateDecimalForm)
{
    auto r = RecogniseOpStateReply("12345");
    EXPECT_TRUE(r.bRecognised);
    EXPECT_FALSE(r.bBinary);
    EXPECT_EQ(r.strText, "12345");

    r = RecogniseOpStateReply("BAD CMD");
    EXPECT_TRUE(r.bRecognised);
    EXPECT_EQ(r.strText, "BAD C");

    r = RecogniseOpStateReply("  12345");  // two blanks: both go
    EXPECT_TRUE(r.bRecognised);
    EXPECT_EQ(r.strText, "12345");

    EXPECT_FALSE(RecogniseOpStateReply("1234").bRecognised);
    EXPECT_FALSE(RecogniseOpStateReply("").bRecognised);

    // Five digits are a register value only up to 65535: the word has 16 bits.
    EXPECT_TRUE(RecogniseOpStateReply("65535").bValue);
    for (const char* sz : {"65536", " 94444", "99999"}) {
        r = RecogniseOpStateReply(sz);
        EXPECT_TRUE(r.bRecognised) << sz << ": the request is still answered";
        EXPECT_FALSE(r.bValue) << sz;
    }
    EXPECT_TRUE(RecogniseOpStateReply(" 00000000,00100001").bBinary);
}

TEST(Registers, OperatingStateBitFields)
{
    tuOperatingState os{};
    os.wValue = 0xA0E1;
    EXPECT_EQ(os.bits.bAutoSend, 1);
    EXPECT_EQ(os.bits.bCalcOnDemand, 0);
    EXPECT_EQ(os.bits.bCompressed, 1);
    EXPECT_EQ(os.bits.nWindowHeaters, 3);
    EXPECT_EQ(os.bits.nNVRAMWrite, 5);
    EXPECT_EQ(os.byBytes[0], 0xE1);
    EXPECT_EQ(os.byBytes[1], 0xA0);
    os.bits.nNVRAMWrite = 0;
    os.bits.bHoodHeatersOff = 1;
    EXPECT_EQ(os.wValue, 0x00E9);
}

}  // namespace
}  // namespace halyard
