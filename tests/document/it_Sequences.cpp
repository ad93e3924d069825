// Whole sequences over a pseudo-terminal against the simulated sensor,
// through the real serial link: a diagnostic dump with automatic data output,
// an NVRAM load into a write-protected sensor, and the ALS's dump and load.
// The 500 ms pacing is stepped after each reply, so a run takes seconds.
#include <algorithm>

#include "SimDocRig.h"
#include "TempFolder.h"
#include "platform/Clock.h"

namespace halyard::test {
namespace {

class Sequences : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClock(&m_clock);
        ASSERT_TRUE(m_folder.IsValid());
    }
    void TearDown() override { SetClock(nullptr); }

    static bool Has(const std::vector<std::string>& lines, const std::string& strLine)
    {
        return std::find(lines.begin(), lines.end(), strLine) != lines.end();
    }

    CManualClock m_clock{MakeLocalTime(2026, 12, 8, 10, 0, 0)};
    CTempFolder m_folder;
};

TEST_F(Sequences, AFullDiagnosticDumpWithAutomaticOutput)
{
    sim::SimOptions options;
    options.wOpState = 0x0001;
    options.nDataPeriodMs = 200;
    CSimDocRig rig(options);
    ASSERT_TRUE(rig.Connect());
    rig.m_port.Sim().SetNvram(12, 123);
    const std::string strPath = m_folder.Path("dump.TXT");
    rig.m_doc.DumpAll(strPath);
    ASSERT_TRUE(rig.RunSequence());
    EXPECT_TRUE(rig.m_host.m_messageBoxes.empty());
    const auto lines = ReadLines(strPath);
    ASSERT_GT(lines.size(), 200u);
    EXPECT_EQ(lines[0], ":Orvan Diagnostic capture for sensor Serial Number dump.TXT");
    EXPECT_EQ(lines[2].substr(0, 2), "D?");
    EXPECT_GT(lines[2].size(), 10u) << "completed by the data message";
    EXPECT_TRUE(Has(lines, "V12,00123"));
    EXPECT_TRUE(Has(lines, "JCC?"));
    EXPECT_TRUE(Has(lines, "XR?"));
    EXPECT_EQ(lines.back(), "Diagnostic Save Finished");
    // The last "OS" puts back the state read.
    EXPECT_TRUE(rig.m_pump.PumpUntil([&] { return rig.m_port.Sim().GetOpState() == 0x0001; }));
}

TEST_F(Sequences, AnNvramLoadIntoAWriteProtectedSensor)
{
    CSimDocRig rig({});
    ASSERT_TRUE(rig.Connect());
    ASSERT_FALSE(rig.m_port.Sim().NvramWriteEnabled());
    const std::string strPath = m_folder.Path("site.NVM");
    std::ofstream(strPath) << ":site settings\r\nV12,250\r\nV40,-3\r\n#\r\n";
    rig.m_doc.LoadNVRAM(strPath);
    ASSERT_TRUE(rig.RunSequence());
    EXPECT_EQ(rig.m_host.ViewMessages().Count(WM_INIT_START, 0), 1u);
    EXPECT_EQ(rig.m_port.Sim().GetNvram(12), 250);
    EXPECT_EQ(rig.m_port.Sim().GetNvram(40), -3);
    // The restoring "OS" puts write protection back.
    EXPECT_TRUE(rig.m_pump.PumpUntil([&] { return !rig.m_port.Sim().NvramWriteEnabled(); }));
}

TEST_F(Sequences, ASensorHangingUpMidLoadEndsTheLoad)
{
    CSimDocRig rig({});
    ASSERT_TRUE(rig.Connect());
    const std::string strPath = m_folder.Path("site.NVM");
    std::ofstream(strPath) << "V12,1\r\nV13,2\r\nV14,3\r\nV15,4\r\n";
    rig.m_port.Sim().SetHangUpAfter(4);  // V9?, V9?, the write-enable, V12,1
    rig.m_doc.LoadNVRAM(strPath);
    ASSERT_TRUE(rig.RunSequence(200, 1000));
    EXPECT_FALSE(rig.m_doc.IsConnected());
    EXPECT_EQ(rig.m_host.ViewMessages().Count(WM_INIT_START, 2), 1u);
    EXPECT_EQ(rig.m_doc.GetSeqOutcome().nEnd, SEQ_CONNECTION_LOST);
    EXPECT_FALSE(rig.m_doc.IsFileOpen());
}

TEST_F(Sequences, AConnectionClosedMidUploadFirstSwitchesNvramWritingOff)
{
    CSimDocRig rig({});
    ASSERT_TRUE(rig.Connect());
    const std::string strPath = m_folder.Path("cal.txt");
    std::ofstream(strPath) << "OSNVW5\r\nV63,18\r\nOSNVW0\r\n#\r\n";
    rig.m_port.Sim().SetNoAnswerFor("V63,");
    rig.m_port.Sim().ClearReceivedCommands();
    rig.m_doc.LoadParamFile(strPath);
    // The reply taken and read by the views: the next tick sends the next line.
    ASSERT_TRUE(rig.m_pump.PumpUntil([&] { return rig.m_doc.IsReplyReceived(); }));
    rig.m_pump.Pump();
    rig.m_doc.OnTimer(TIMER_SEQUENCE);
    ASSERT_TRUE(rig.m_port.Sim().WaitForCommands(2, std::chrono::seconds(10)));
    ASSERT_TRUE(rig.m_port.Sim().NvramWriteEnabled());
    rig.m_pump.Pump();
    rig.m_doc.CloseConnection(false);
    EXPECT_EQ(rig.m_doc.GetSeqOutcome().nEnd, SEQ_CONNECTION_CLOSED);
    // The port was closed after the line went out, not before.
    EXPECT_TRUE(rig.m_port.Sim().WaitForCommands(3, std::chrono::seconds(10)));
    EXPECT_EQ(rig.m_port.Sim().ReceivedCommands(), (std::vector<std::string>{"OSNVW5", "V63,18", "OSNVW0"}));
    EXPECT_FALSE(rig.m_port.Sim().NvramWriteEnabled());
}

TEST_F(Sequences, TheAlsDumpAndTheAlsNvramLoad)
{
    CSimDocRig rig({});
    ASSERT_TRUE(rig.Connect());
    const std::string strNvm = m_folder.Path("als.NVM");
    std::ofstream(strNvm) << ":als\r\nALS-V5,77\r\n";
    rig.m_doc.LoadALSNVRAM(strNvm);
    ASSERT_TRUE(rig.RunSequence());
    EXPECT_EQ(rig.m_host.ViewMessages().Count(WM_INIT_START, 0), 1u);

    const std::string strPath = m_folder.Path("als.TXT");
    rig.m_doc.DumpALS(strPath);
    ASSERT_TRUE(rig.RunSequence());
    const auto lines = ReadLines(strPath);
    EXPECT_EQ(lines[0], ":Orvan Diagnostic capture for ALS Serial Number als.TXT");
    EXPECT_TRUE(Has(lines, "ALS-V5,00077")) << "the value loaded before";
    EXPECT_EQ(lines.back(), "ALS Diagnostic Save Finished");
    EXPECT_TRUE(rig.m_host.m_messageBoxes.empty());
}

}  // namespace
}  // namespace halyard::test
