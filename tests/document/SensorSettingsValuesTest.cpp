// The sensor settings' choices read from the two registers and the register
// texts built back from them.
#include <gtest/gtest.h>

#include "document/SensorSettingsValues.h"

namespace halyard::test {
namespace {

SensorSettingsValues FromRegisters(uint16_t wOpState, uint16_t wOptions)
{
    SensorSettingsValues v;
    v.m_wOpState.wValue = wOpState;
    v.m_wOptions = wOptions;
    LoadOpStateSelections(v);
    LoadOptionsSelections(v);
    return v;
}

TEST(SensorSettingsValues, OperatingStateRoundTripsThroughTheChoices)
{
    // Write enable 101, window heaters 00, compressed, hood off, on D?, automatic.
    SensorSettingsValues v = FromRegisters(0xA02B, 0);
    EXPECT_EQ(v.m_bWriteNVRAM, 1);
    EXPECT_EQ(v.m_nWindowHeaters, 0);
    EXPECT_EQ(v.m_nMsgFormat, 0);
    EXPECT_EQ(v.m_nHoodHeaters, 1);
    EXPECT_EQ(v.m_nCalcMode, 0);
    EXPECT_EQ(v.m_nSendMode, 0);
    EXPECT_EQ(BuildOpStateText(v), "10100000,00101011");
    // Any other write-enable value is written as 000; reserved bits as 0.
    v = FromRegisters(0x6F14, 0);
    EXPECT_EQ(v.m_bWriteNVRAM, 0);
    EXPECT_EQ(BuildOpStateText(v), "00000000,00000000");
}

TEST(SensorSettingsValues, WindowHeatersTenIsAutoAndWrittenZeroOne)
{
    EXPECT_EQ(FromRegisters(0x0080, 0).m_nWindowHeaters, 2);
    EXPECT_EQ(BuildOpStateText(FromRegisters(0x0080, 0)), "00000000,01000000");
    EXPECT_EQ(BuildOpStateText(FromRegisters(0x0040, 0)), "00000000,01000000");
    EXPECT_EQ(FromRegisters(0x00C0, 0).m_nWindowHeaters, 1);
    EXPECT_EQ(BuildOpStateText(FromRegisters(0x00C0, 0)), "00000000,11000000");
}

TEST(SensorSettingsValues, OptionsKeepTheirFiveBitsAndLoseTheReserved)
{
    SensorSettingsValues v = FromRegisters(0, 0xFFFF);
    EXPECT_EQ(v.m_nDateTime, 0);
    EXPECT_EQ(v.m_nTempForPW, 1);
    EXPECT_EQ(v.m_nChecksum, 0);
    EXPECT_EQ(v.m_nExco, 1);
    EXPECT_EQ(v.m_nRS485, 0);
    EXPECT_EQ(BuildOptionsText(v), "00000000,11100101");
    // Choices changed on the page reach their bits.
    v.m_nRS485 = 1;
    v.m_nDateTime = 1;
    v.m_nExco = 0;
    StoreOptionsSelections(v);
    EXPECT_EQ(BuildOptionsText(v), "00000000,00100100");
    EXPECT_EQ(RegisterWriteCommand("OP", BuildOptionsText(v)), "OP0000000000100100");
}

}  // namespace
}  // namespace halyard::test
