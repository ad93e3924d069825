// Wire helpers of the simulated sensor: LRC, framing, register texts, model table.
#include <gtest/gtest.h>

#include "SimProtocol.h"
#include "SimSensor.h"

namespace halyard::sim {
namespace {

TEST(SimLrc, FramesTheKnownExamples)
{
    EXPECT_EQ(FrameLine(1, "OS?"), ":01OS?BE");
    EXPECT_EQ(FrameLine(5, "R?"), ":05R?0A");
    EXPECT_EQ(FrameLine(12, "ADR?"), ":12ADR?87");
    EXPECT_EQ(Lrc(""), 0);
    EXPECT_EQ(Lrc(std::string(1, '\x80') + std::string(1, '\x80')), 0);  // sum 256 wraps to 0
}

TEST(SimLrc, SpoiledFramesForFaults)
{
    EXPECT_EQ(FrameLine(1, "OS?", LrcStyle::Wrong), ":01OS?BF");
    // 0xBE has letters, so lower case shows.
    EXPECT_EQ(FrameLine(1, "OS?", LrcStyle::LowerCase), ":01OS?be");
}

TEST(SimUnframe, AcceptsGoodFramesAndThePlaceholder)
{
    FramedLine framed = UnframeLine(":12ADR?87");
    EXPECT_EQ(framed.status, FramedLine::Status::Ok);
    EXPECT_EQ(framed.nAddress, 12);
    EXPECT_EQ(framed.strPayload, "ADR?");

    framed = UnframeLine(":01OS?be");
    EXPECT_EQ(framed.status, FramedLine::Status::Ok) << "a receiver takes either case";

    framed = UnframeLine(":07JM?FF");
    EXPECT_EQ(framed.status, FramedLine::Status::Ok);
    EXPECT_EQ(framed.nAddress, 7);
    EXPECT_EQ(framed.strPayload, "JM?");

    framed = UnframeLine(":0700");  // empty payload, LRC of "07" is 0x99
    EXPECT_EQ(framed.status, FramedLine::Status::BadLrc);
    EXPECT_EQ(UnframeLine(":0799").status, FramedLine::Status::Ok);
}

TEST(SimUnframe, RejectsBrokenFrames)
{
    EXPECT_EQ(UnframeLine(":01OS?BF").status, FramedLine::Status::BadLrc);
    EXPECT_EQ(UnframeLine(":01OS?BF").strPayload, "OS?");
    EXPECT_EQ(UnframeLine("01OS?BE").status, FramedLine::Status::Malformed);
    EXPECT_EQ(UnframeLine(":1").status, FramedLine::Status::Malformed);
    EXPECT_EQ(UnframeLine(":01B").status, FramedLine::Status::Malformed);
    EXPECT_EQ(UnframeLine(":A1OS?BE").status, FramedLine::Status::Malformed);
    EXPECT_EQ(UnframeLine(":01OS?BG").status, FramedLine::Status::Malformed);
    EXPECT_EQ(UnframeLine("").status, FramedLine::Status::Malformed);
}

TEST(SimRegisters, TextForms)
{
    EXPECT_EQ(RegisterReplyText(0xA001), "10100000,00000001");
    EXPECT_EQ(RegisterCommandText(0xA001), "1010000000000001");
    EXPECT_EQ(RegisterReplyText(0x0021), "00000000,00100001");
    EXPECT_EQ(RegisterReplyText(0xFFFF), "11111111,11111111");
    EXPECT_EQ(ParseRegisterCommandText("1010000000000001"), 0xA001);
    EXPECT_EQ(ParseRegisterCommandText("0000000000000000"), 0);
    EXPECT_FALSE(ParseRegisterCommandText("101000000000001"));    // 15 digits
    EXPECT_FALSE(ParseRegisterCommandText("10100000000000011"));  // 17 digits
    EXPECT_FALSE(ParseRegisterCommandText("1010000000000002"));
    EXPECT_FALSE(ParseRegisterCommandText("10100000,0000000"));
}

TEST(SimModels, CodesOfTheModelTable)
{
    EXPECT_EQ(ModelCode("ZRT-630"), 630);
    EXPECT_EQ(ModelCode("ZRT-610"), 610);
    EXPECT_EQ(ModelCode("ZRT-650"), 650);
    EXPECT_EQ(ModelCode("PQD-015"), 15);
    EXPECT_EQ(ModelCode("PQD-025"), 25);
    EXPECT_EQ(ModelCode("PQD-035"), 35);
    EXPECT_EQ(ModelCode("PQD-045"), 45);
    EXPECT_EQ(ModelCode("LMW-40"), 40);
    EXPECT_EQ(ModelCode("KV-310"), 310);
    EXPECT_EQ(ModelCode("NOT SET"), -1);
    EXPECT_EQ(ModelCode("zrt-630"), -1);
    EXPECT_EQ(ModelCode(""), -1);
}

TEST(SimModels, DataCodes)
{
    EXPECT_EQ(DataCodeForModel("ZRT-650"), "ZRT650");
    EXPECT_EQ(DataCodeForModel("PQD-025"), "PQD025");
    EXPECT_EQ(DataCodeForModel("LMW-40"), "LMW-40");
    EXPECT_EQ(DataCodeForModel("KV-310"), "QRM310");
    EXPECT_EQ(DataCodeForModel("ZRT-630"), "PW");
    EXPECT_EQ(DataCodeForModel("ZRT-610"), "VS");
    EXPECT_TRUE(ContainsDataCode("TZRT650 00,0060"));
    EXPECT_TRUE(ContainsDataCode("xx LMW-40"));
    EXPECT_FALSE(ContainsDataCode("LMW-4 ZRT-650 PQD-025"));
}

}  // namespace
}  // namespace halyard::sim
