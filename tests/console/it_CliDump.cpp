// halyard-cli dump against the window's dump of the same simulated sensor.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "ConsoleTestSupport.h"
#include "SimDocRig.h"
#include "SimFixture.h"
#include "TempFolder.h"
#include "document/CTimerSchedule.h"
#include "document/Framing.h"
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

// What the simulated sensor's dump holds whatever the pace: its header, the
// state read and polled output set, each query with the sensor's reply up to
// the serial number and the first variable, and at the end the last queries
// and the state read put back.
const std::vector<std::string> kOpening{
    ":Orvan Diagnostic capture for sensor Serial Number dump.txt",
    ": 10:00:00, 09/12/2026",
    "R?",
    "REM 00,24.1,0.020,0.030,0310,01450,OK ,+12.02,-12.01,+05.00,000483,  21.3,1013.2,045,0000,00000,00000,0",
    "V9?",
    "00000000,00000000",
    "OS0000000000000000",
    "00000000,00000000",
    "PV?",
    "Program Version 2.14 Build 0412",
    "P?",
    "P 0060,0010,0250,1.000,0.950,0020,0005,00,01,0",
    "BT?",
    "BT 1.0234",
    "BB?",
    "BB 0.9876",
    "OP?",
    "00000000,00000000",
    "T?",
    "C?",
    "CAL 1.0250,0.9975,0.0000,0.0000",
    "WT?",
    "WT 0.020,0.030,0.000",
    "XF?",
    "XF 0.0120,0.0000,0.0000",
    "SN?",
    "Serial Number Z24117",
    "V0,00630"};
const std::vector<std::string> kClosing{
    "XS?", "XS 01450,01432,00012", "TR?", "TR +021.8,+022.1", "XR?", "XR 00125,00119",
    "XF?", "XF 0.0120,0.0000,0.0000", "OS0000000000000000", "00000000,00000000", "V9?", "00000000,00000000",
    "#",   "Diagnostic Save Finished"};

// The numbers of the variable records ("V<n>,..."), in the order written.
std::vector<int> VariableNumbers(const std::vector<std::string>& lines)
{
    std::vector<int> numbers;
    for (const std::string& strLine : lines) {
        const size_t nComma = strLine.find(',');
        if (strLine.size() > 1 && strLine[0] == 'V' && nComma != std::string::npos &&
            strLine.find_first_not_of("0123456789", 1) == nComma)
            numbers.push_back(std::stoi(strLine.substr(1, nComma - 1)));
    }
    return numbers;
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
        EXPECT_EQ(rig.m_doc.GetSeqOutcome().nEnd, SEQ_DONE);
    }
    SetClock(nullptr);
    const std::string strDump = ReadWholeFile(strCli);
    EXPECT_GT(SplitCrLf(strDump).size(), WithoutTimedLines(strDump).size()) << "data messages were caught";
    const std::vector<std::string> lines = WithoutTimedLines(strDump);
    ASSERT_GT(lines.size(), kOpening.size() + kClosing.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + kOpening.size()), kOpening);
    EXPECT_EQ(std::vector<std::string>(lines.end() - kClosing.size(), lines.end()), kClosing);
    std::vector<int> expected(150);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(VariableNumbers(lines), expected) << "variables 0 to 149, each once";
    EXPECT_NE(std::find(lines.begin(), lines.end(), "V63,00005"), lines.end()) << "the sensor's offset";
    EXPECT_EQ(lines, WithoutTimedLines(ReadWholeFile(strGui)));
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
