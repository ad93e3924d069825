// The sensor hangs up in the middle of halyard-cli's log, dump and load: the
// program stays up (the log waits for the port to come back) or ends the
// sequence with a line that says the connection closed, and what the sensor
// sent up to the hang-up is in the file: the sensor's last answer goes out
// and is read by the port before it hangs up, so it must be there too.
// The subcommands run in-process, as main runs them, with a device watch the
// test holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>

#include "ConsoleTestSupport.h"
#include "FaultSupport.h"
#include "SimFixture.h"

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

// A device watch that also tells whether the log asked it to wait for the
// port: the log's way of noticing that the port has gone.
class CWaitedDeviceWatch : public CFakeDeviceWatch {
public:
    int Fd() const override
    {
        m_bAsked = true;
        return CFakeDeviceWatch::Fd();
    }
    bool Asked() const { return m_bAsked; }

private:
    mutable std::atomic<bool> m_bAsked{false};
};

CommonOptions OnPort(int nPort)
{
    CommonOptions options;
    options.strPort = "COM" + std::to_string(nPort);
    options.dwBaud = 57600;
    return options;
}

size_t CountOf(const std::vector<std::string>& lines, const std::string& strLine)
{
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), strLine));
}

TEST(CliHangUp, MidLogTheProgramWaitsSaysSoAndKeepsEveryRecord)
{
    CTempFolder folder;
    CSimPort port;
    ASSERT_TRUE(port.Started());
    const std::string strLog = folder.Path("station.LOG");
    LogOptions log;
    log.strFile = strLog;
    log.bNoAutoR = true;
    log.bNoStamp = true;
    log.strPoll = "R?";
    log.nEvery = 1;
    CWaitedDeviceWatch watch;
    CCliRun run([&](CliContext& c) { return RunLog(OnPort(port.Port()), log, c); }, &watch);
    ASSERT_TRUE(AwaitCondition([&] { return std::filesystem::exists(strLog); }));
    constexpr int kLines = 200;
    for (int n = 1; n <= kLines; ++n)
        port.Sim().SendLine("BEFORE " + std::to_string(n));
    ASSERT_TRUE(AwaitWholeRecords(strLog, kLines));
    // Two polls more, the second answered, then the line drops.
    port.Sim().SetHangUpAfter(2);
    ASSERT_TRUE(AwaitCondition([&] { return !port.Sim().IsRunning(); }));
    ASSERT_TRUE(AwaitCondition([&] { return watch.Asked(); })) << "the log noticed the hang-up";
    run.Terminate();
    EXPECT_EQ(run.Wait(), EXIT_DONE) << run.Err();
    EXPECT_NE(run.Err().find("the port has gone"), std::string::npos) << run.Err();
    EXPECT_NE(run.Err().find("waiting for it to come back"), std::string::npos) << run.Err();

    // Every line the sensor sent: the data lines and one reply per poll.
    const std::vector<std::string> records = ReadLog(strLog).records;
    const size_t nPolls = CountOf(port.Sim().ReceivedCommands(), "R?");
    EXPECT_EQ(records.size(), kLines + nPolls) << run.Err();
    for (int n = 1; n <= kLines; ++n)
        EXPECT_EQ(CountOf(records, "BEFORE " + std::to_string(n)), 1u) << n;
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().rfind("BEFORE", 0), std::string::npos) << "the last record is the last poll's answer";
    Figure("records_polls", std::to_string(records.size()) + " " + std::to_string(nPolls));
}

TEST(CliHangUp, MidDumpTheDumpEndsSaysWhyAndKeepsEveryAnswer)
{
    CTempFolder folder;
    sim::SimOptions quick;
    quick.nDataPeriodMs = 300;
    CSimPort port(quick);
    ASSERT_TRUE(port.Started());
    // The identification's commands and some 40 of the dump's: among the variables.
    port.Sim().SetHangUpAfter(45);
    const std::string strDump = folder.Path("dump.txt");
    CCliRun run([&](CliContext& c) { return RunSequence(OnPort(port.Port()), SequenceKind::Dump, strDump, c); });
    const int nExit = run.Wait(300s);
    EXPECT_EQ(nExit, EXIT_FAILED) << run.Err();
    EXPECT_NE(run.Err().find("Diagnostic Save Incomplete: the connection was lost"), std::string::npos)
        << run.Err();

    // Each variable the sensor was asked for has its record.
    const std::vector<std::string> lines = ReadLines(strDump);
    int nVariables = 0;
    for (const std::string& strCommand : port.Sim().ReceivedCommands()) {
        if (strCommand.size() < 3 || strCommand[0] != 'V' || strCommand.back() != '?')
            continue;
        const std::string strRecord = strCommand.substr(0, strCommand.size() - 1) + ",";
        ++nVariables;
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [&](const std::string& strLine) { return strLine.rfind(strRecord, 0) == 0; }))
            << strCommand << " has no record in the dump";
    }
    EXPECT_GT(nVariables, 10);
    Figure("exit_variables_lines", std::to_string(nExit) + " " + std::to_string(nVariables) + " " +
                                       std::to_string(lines.size()));
}

TEST(CliHangUp, MidLoadTheLoadEndsSaysWhyAndSentTheFileInOrder)
{
    CTempFolder folder;
    CSimPort port;
    ASSERT_TRUE(port.Started());
    const std::string strFile = folder.Path("site.NVM");
    std::vector<std::string> fileLines;
    {
        std::ofstream out(strFile, std::ios::binary);
        out << ": forty variables\r\n";
        for (int n = 20; n < 60; ++n) {
            fileLines.push_back("V" + std::to_string(n) + "," + std::to_string(n * 3));
            out << fileLines.back() << "\r\n";
        }
    }
    port.Sim().SetHangUpAfter(20);
    CCliRun run([&](CliContext& c) { return RunSequence(OnPort(port.Port()), SequenceKind::Load, strFile, c); });
    const int nExit = run.Wait(300s);
    EXPECT_EQ(nExit, EXIT_FAILED) << run.Err();
    EXPECT_NE(run.Err().find("Stopped: connection lost"), std::string::npos) << run.Err();

    // The file's lines the sensor took are its first ones, in order, each once.
    std::vector<std::string> taken;
    for (const std::string& strCommand : port.Sim().ReceivedCommands()) {
        if (std::find(fileLines.begin(), fileLines.end(), strCommand) != fileLines.end())
            taken.push_back(strCommand);
    }
    ASSERT_FALSE(taken.empty());
    ASSERT_LT(taken.size(), fileLines.size());
    EXPECT_EQ(taken, std::vector<std::string>(fileLines.begin(), fileLines.begin() + static_cast<long>(taken.size())));
    Figure("exit_lines_taken", std::to_string(nExit) + " " + std::to_string(taken.size()) + " of " +
                                   std::to_string(fileLines.size()));
}

}  // namespace
}  // namespace halyard::test
