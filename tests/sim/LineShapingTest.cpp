// Cutting received bytes into command lines, and shaping outgoing lines with faults.
#include <gtest/gtest.h>

#include "LineSplitter.h"
#include "SimFaults.h"

namespace halyard::sim {
namespace {

TEST(SimLineSplitter, EndsLinesAtCrOrLf)
{
    CLineSplitter splitter;
    std::vector<std::string> lines;
    splitter.Feed("OK\r\nJM?\rOS?\n\r\n\n", lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"OK", "JM?", "OS?"}));
}

TEST(SimLineSplitter, KeepsAPartialLineAcrossReads)
{
    CLineSplitter splitter;
    std::vector<std::string> lines;
    splitter.Feed("J", lines);
    splitter.Feed("M", lines);
    EXPECT_TRUE(lines.empty());
    splitter.Feed("?\r", lines);
    splitter.Feed("\nR?", lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"JM?"}));
    splitter.Reset();
    splitter.Feed("\n", lines);
    EXPECT_EQ(lines.size(), 1U) << "Reset drops the partial line";
}

TEST(SimLineSplitter, CutsAnOverlongLineAndDropsItsRest)
{
    CLineSplitter splitter;
    std::vector<std::string> lines;
    splitter.Feed(std::string(CLineSplitter::kMaxLine + 100, 'A') + "\nOK\n", lines);
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[0].size(), CLineSplitter::kMaxLine);
    EXPECT_EQ(lines[1], "OK");
}

std::string Joined(const std::vector<std::string>& pieces)
{
    std::string strAll;
    for (const std::string& strPiece : pieces)
        strAll += strPiece;
    return strAll;
}

TEST(SimLineShape, PlainAndCrOnlyEndings)
{
    std::minstd_rand rng(1);
    EXPECT_EQ(ShapeLine("00630", {}, rng), std::vector<std::string>{"00630\r\n"});
    LineShape crOnly;
    crOnly.bCrOnly = true;
    EXPECT_EQ(ShapeLine("00630", crOnly, rng), std::vector<std::string>{"00630\r"});
}

TEST(SimLineShape, SplitKeepsTheBytesAndSeparatesTheLineEnd)
{
    std::minstd_rand rng(7);
    LineShape split;
    split.bSplit = true;
    for (const std::string strText : {"OK", "00630", "a much longer reply line", ""}) {
        for (int nRound = 0; nRound < 8; ++nRound) {
            const std::vector<std::string> pieces = ShapeLine(strText, split, rng);
            EXPECT_EQ(Joined(pieces), strText + "\r\n");
            ASSERT_GE(pieces.size(), 2U);
            EXPECT_LE(pieces.size(), 3U);
            EXPECT_EQ(pieces.back(), "\n");
            for (const std::string& strPiece : pieces)
                EXPECT_FALSE(strPiece.empty());
        }
    }
}

TEST(SimLineShape, NoiseAddsOnlyUnprintableBytes)
{
    std::minstd_rand rng(3);
    LineShape noise;
    noise.bNoise = true;
    for (int nRound = 0; nRound < 20; ++nRound) {
        const std::string strWire = Joined(ShapeLine("10100000,00000001", noise, rng));
        ASSERT_GE(strWire.size(), 2U);
        EXPECT_EQ(strWire.substr(strWire.size() - 2), "\r\n");
        const std::string strBody = strWire.substr(0, strWire.size() - 2);
        EXPECT_EQ(strBody.find_first_of("\r\n"), std::string::npos);
        EXPECT_NE(strBody.find('\xFF'), std::string::npos);
        std::string strPrintable;
        for (char ch : strBody) {
            const auto by = static_cast<unsigned char>(ch);
            if ((by >= 0x20 && by <= 0x7E) || (by >= 0xA0 && by <= 0xFE))
                strPrintable += ch;
        }
        EXPECT_EQ(strPrintable, "10100000,00000001");
    }
}

TEST(SimLineShape, OverlongTextHasNoLineEnd)
{
    const std::string strText = OverlongText(5000);
    EXPECT_EQ(strText.size(), 5000U);
    EXPECT_EQ(strText.find_first_of("\r\n"), std::string::npos);
}

}  // namespace
}  // namespace halyard::sim
