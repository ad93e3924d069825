// halyard-cli dump against the window's dump of the same simulated sensor.
#include <gtest/gtest.h>

#include "ConsoleTestSupport.h"
#include "SimDocRig.h"
#include "SimFixture.h"
#include "TempFolder.h"
#include "document/CTimerSchedule.h"
#include "platform/Clock.h"

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

// The dump without the lines that depend on when it ran: the sensor's own
// clock ("TIME ...") and the data messages caught during the timed waits,
// whose number depends on the pace of the steps.
std::vector<std::string> WithoutTimedLines(const std::string& strDump)
{
    std::vector<std::string> lines = SplitCrLf(strDump);
    std::erase_if(lines, [](const std::string& strLine) {
        return strLine.rfind("TIME ", 0) == 0 || DataMessageReceived(strLine);
    });
    return lines;
}

sim::SimOptions QuickSensor()
{
    sim::SimOptions options;
    options.nDataPeriodMs = 300;  // the dump's waits for data messages end soon
    return options;
}

TEST(CliDump, TheDumpFileIsTheWindowsForTheSameSensor)
{
    CManualClock clock(MakeLocalTime(2026, 12, 9, 10, 0, 0));
    SetClock(&clock);
    CTempFolder folder;
    // The file's name goes into its first line: the same name in two folders.
    std::filesystem::create_directory(folder.Path("cli"));
    std::filesystem::create_directory(folder.Path("gui"));
    const std::string strCli = folder.Path("cli/dump.txt");
    {
        CSimPort port(QuickSensor());
        ASSERT_TRUE(port.Started());
        CommonOptions options;
        options.strPort = "COM" + std::to_string(port.Port());
        options.dwBaud = 57600;
        CCliRun run([&](CliContext& c) { return RunSequence(options, SequenceKind::Dump, strCli, c); });
        EXPECT_EQ(run.Wait(600s), EXIT_DONE);
        EXPECT_NE(run.Err().find("Diagnostics: 0% (step"), std::string::npos) << "plain progress lines: " << run.Err();
        EXPECT_NE(run.Err().find("Diagnostic Save Finished"), std::string::npos) << run.Err();
    }
    clock.Set(MakeLocalTime(2026, 12, 9, 10, 0, 0));
    const std::string strGui = folder.Path("gui/dump.txt");
    {
        CSimDocRig rig(QuickSensor());
        ASSERT_TRUE(rig.Connect());
        rig.m_doc.DumpAll(strGui);
        ASSERT_TRUE(rig.RunSequence());
        EXPECT_EQ(rig.m_doc.m_SeqOutcome.nEnd, SEQ_DONE);
    }
    SetClock(nullptr);
    const std::string strDump = ReadWholeFile(strCli);
    EXPECT_GT(SplitCrLf(strDump).size(), 150u) << "a whole dump";
    EXPECT_GT(SplitCrLf(strDump).size(), WithoutTimedLines(strDump).size()) << "data messages were caught";
    EXPECT_EQ(WithoutTimedLines(strDump), WithoutTimedLines(ReadWholeFile(strGui)));
}

TEST(CliDump, ADumpCutShortSaysSoInItsFileAndOnTheConsole)
{
    CTempFolder folder;
    CSimPort port(QuickSensor());
    ASSERT_TRUE(port.Started());
    port.Sim().SetHangUpAfter(10);  // the identification's and a few of the dump's
    const std::string strDump = folder.Path("dump.txt");
    CommonOptions options;
    options.strPort = "COM" + std::to_string(port.Port());
    options.bQuiet = true;  // said even so
    CCliRun run([&](CliContext& c) { return RunSequence(options, SequenceKind::Dump, strDump, c); });
    EXPECT_EQ(run.Wait(60s), EXIT_FAILED) << run.Err();
    EXPECT_NE(run.Err().find("Diagnostic Save Incomplete: the connection was lost"), std::string::npos)
        << run.Err();
    EXPECT_EQ(run.Err().find("Diagnostic Save Finished"), std::string::npos) << run.Err();
    const std::vector<std::string> lines = ReadLines(strDump);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(
        std::vector<std::string>(lines.end() - 3, lines.end()),
        (std::vector<std::string>{":Incomplete: the connection was lost", "#", "Diagnostic Save Finished"}));
}

}  // namespace
}  // namespace halyard::test
