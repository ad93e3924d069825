#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/LineAssembler.h"

using namespace halyard;

namespace {

// A receive ring and packet buffer of the serial object's sizes.
class LineAssemblerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_rx.Initialise(40960));
        ASSERT_TRUE(m_packets.Initialise(40));
    }

    void Feed(const std::string& text)
    {
        ASSERT_TRUE(
            m_rx.AddData(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size())));
    }
    bool Parse() { return ParseLines(m_rx, m_packets, '\n'); }

    std::vector<std::string> TakeLines()
    {
        std::vector<std::string> lines;
        uint8_t data[PACKET_SLOT_SIZE];
        uint32_t n = 0;
        while (m_packets.GetData(data, &n))
            lines.emplace_back(reinterpret_cast<char*>(data), n);
        return lines;
    }
    uint32_t RingHeld()
    {
        uint32_t n = 0;
        m_rx.GetBuffSize(&n);
        return n;
    }
    uint32_t CurrentLine()
    {
        uint32_t n = 0;
        m_packets.GetCurrentTotalWriteCount(&n);
        return n;
    }

    CCircularBuffer m_rx;
    CPacketBuffer m_packets;
};

using Lines = std::vector<std::string>;

std::string DataLine(int n)
{
    return "D" + std::to_string(100 + n) + " 0010 01234 +12.3\r\n";
}

}  // namespace

TEST_F(LineAssemblerTest, CarriageReturnEndsALineBeforeItsLineFeedArrives)
{
    Feed("OK\r");
    EXPECT_TRUE(Parse());
    EXPECT_EQ(TakeLines(), (Lines{"OK\r\n"}));
    // The late LF is skipped as a leading byte and starts nothing.
    Feed("\n");
    EXPECT_FALSE(Parse());
    EXPECT_EQ(CurrentLine(), 0u);
    Feed("X1\r\n");
    EXPECT_TRUE(Parse());
    EXPECT_EQ(TakeLines(), (Lines{"X1\r\n"}));
}

TEST_F(LineAssemblerTest, LinesOfTwoBytesOrFewerAreDropped)
{
    Feed("A\n");
    EXPECT_FALSE(Parse());
    Feed("AB\nC\n");
    EXPECT_TRUE(Parse());
    EXPECT_EQ(TakeLines(), (Lines{"AB\n"}));
}

TEST_F(LineAssemblerTest, LeadingLineEndsAreSkipped)
{
    Feed("\r\n\r\nX1\r\n");
    EXPECT_TRUE(Parse());
    EXPECT_EQ(TakeLines(), (Lines{"X1\r\n"}));
}

TEST_F(LineAssemblerTest, BytesBetweenCarriageReturnAndLineFeedAreLost)
{
    Feed("AB\rCDE\nFG1\n");
    EXPECT_TRUE(Parse());
    EXPECT_EQ(TakeLines(), (Lines{"AB\r\n", "FG1\n"}));
}

TEST_F(LineAssemblerTest, LineSplitAcrossReadsIsJoined)
{
    Feed("D1 00");
    EXPECT_FALSE(Parse());
    EXPECT_EQ(CurrentLine(), 5u);
    Feed("12 34\r\n");
    EXPECT_TRUE(Parse());
    EXPECT_EQ(TakeLines(), (Lines{"D1 0012 34\r\n"}));
}

TEST_F(LineAssemblerTest, OneCallCompletesAtMostTwentyLines)
{
    std::string burst;
    Lines expected;
    for (int i = 0; i < 25; ++i) {
        burst += DataLine(i);
        expected.push_back(DataLine(i));
    }
    Feed(burst);
    EXPECT_TRUE(Parse());
    Lines got = TakeLines();
    EXPECT_EQ(got.size(), 20u);
    // The first byte of the 21st line is already in the current line.
    EXPECT_EQ(CurrentLine(), 1u);
    EXPECT_TRUE(Parse());
    for (const std::string& line : TakeLines())
        got.push_back(line);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(RingHeld(), 0u);
}

TEST_F(LineAssemblerTest, LineEndLeftAloneBehindTheTwentiethLineStillEndsTheLine)
{
    // The cycle past the limit takes "X"; the CR or LF after it, the last
    // byte in the ring, must end that line and not be buried inside it.
    std::string burst;
    for (int i = 0; i < 20; ++i)
        burst += DataLine(i);
    const std::pair<const char*, Lines> cases[] = {
        {"\r", {"X\r\n", "BC\r\n"}},  // the CR gets its LF as at the end of any read
        {"\n", {"BC\r\n"}},           // one character and LF: dropped
    };
    for (const auto& [szEnd, expected] : cases) {
        Feed(burst + "X" + szEnd);
        EXPECT_TRUE(Parse());
        EXPECT_EQ(TakeLines().size(), 20u);
        EXPECT_EQ(RingHeld(), 1u) << "the line end waits for the next pass";
        Parse();
        Feed("BC\r\n");
        EXPECT_TRUE(Parse());
        EXPECT_EQ(TakeLines(), expected) << static_cast<int>(szEnd[0]);
        EXPECT_EQ(RingHeld(), 0u);
        EXPECT_EQ(CurrentLine(), 0u);
    }
}

TEST_F(LineAssemblerTest, OverlongLineIsDiscardedAtItsFourThousandNinetySixthByte)
{
    Feed(std::string(5000, 'x'));
    EXPECT_FALSE(Parse());
    EXPECT_EQ(CurrentLine(), 0u);
    EXPECT_EQ(RingHeld(), 5000u - 4096u);
    // The bytes after the overflow start a new line.
    EXPECT_FALSE(Parse());
    EXPECT_EQ(CurrentLine(), 904u);
    Feed("\r\n");
    EXPECT_TRUE(Parse());
    EXPECT_EQ(TakeLines(), (Lines{std::string(904, 'x') + "\r\n"}));
}

TEST_F(LineAssemblerTest, LineOf4095BytesIsTheLongestDelivered)
{
    Feed(std::string(4094, 'y') + "\n");
    EXPECT_TRUE(Parse());
    const Lines got = TakeLines();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].size(), 4095u);
}

TEST_F(LineAssemblerTest, FullPacketBufferStopsParsingAndKeepsTheBytes)
{
    std::string burst;
    for (int i = 0; i < 45; ++i)
        burst += DataLine(i);
    Feed(burst);
    EXPECT_TRUE(Parse());
    EXPECT_TRUE(Parse());
    EXPECT_TRUE(m_packets.IsBufferFull());
    const uint32_t nLeft = RingHeld();
    EXPECT_GT(nLeft, 0u);
    EXPECT_FALSE(Parse());
    EXPECT_EQ(RingHeld(), nLeft);
    // Once the owner drains, the rest arrives intact and in order.
    Lines got = TakeLines();
    while (Parse()) {
        for (const std::string& line : TakeLines())
            got.push_back(line);
    }
    ASSERT_EQ(got.size(), 45u);
    for (int i = 0; i < 45; ++i)
        EXPECT_EQ(got[i], DataLine(i));
}

TEST_F(LineAssemblerTest, LoneLineEndLeftBehindDoesNotOpenALine)
{
    // After the first line exactly one byte is left; an end byte there must
    // not become the first byte of the next line.
    Feed("AB\r\n\n");
    EXPECT_TRUE(Parse());
    EXPECT_EQ(CurrentLine(), 0u);
    Feed("CD\r\n");
    EXPECT_TRUE(Parse());
    EXPECT_EQ(TakeLines(), (Lines{"AB\r\n", "CD\r\n"}));
}

TEST_F(LineAssemblerTest, LoneByteLeftBehindStartsTheNextLine)
{
    Feed("AB\r\nC");
    EXPECT_TRUE(Parse());
    EXPECT_EQ(CurrentLine(), 1u);
    Feed("D\r\n");
    EXPECT_TRUE(Parse());
    EXPECT_EQ(TakeLines(), (Lines{"AB\r\n", "CD\r\n"}));
}

TEST_F(LineAssemblerTest, OtherEndByteIsHonoured)
{
    Feed("AB;CD\r;");
    EXPECT_TRUE(ParseLines(m_rx, m_packets, ';'));
    EXPECT_EQ(TakeLines(), (Lines{"AB;", "CD\r;"}));
}
