// halyard-cli's subcommands against the simulated sensor on a pseudo-terminal.
#include <gtest/gtest.h>

#include <fstream>

#include "ConsoleTestSupport.h"
#include "FileSizeLimit.h"
#include "SimDocRig.h"
#include "SimFixture.h"
#include "StreamSensor.h"
#include "TempFolder.h"
#include "platform/Clock.h"

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

CommonOptions OnPort(int nPort)
{
    CommonOptions options;
    options.strPort = "COM" + std::to_string(nPort);
    options.dwBaud = 57600;
    options.bQuiet = true;
    return options;
}

sim::SimOptions Addressed(int nAddress)
{
    sim::SimOptions options;
    options.bRS485 = true;
    options.nAddress = nAddress;
    return options;
}

// Waits until the file holds a whole record that begins with strText (a
// stray line, such as a late answer to the identification, does not count).
bool AwaitRecord(const std::string& strPath, const std::string& strText, std::chrono::seconds timeout = 20s)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::string strFile = ReadWholeFile(strPath);
        const size_t nAt = strFile.find(strText);
        if (nAt != std::string::npos && (nAt == 0 || strFile[nAt - 1] == '\n') &&
            strFile.find("\r\n", nAt) != std::string::npos)
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
}

// Logging has begun once the identification is over and the file exists.
bool AwaitFile(const std::string& strPath, std::chrono::seconds timeout = 30s)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!std::filesystem::exists(strPath)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class CliCommands : public ::testing::Test {
protected:
    CTempFolder m_folder;
};

TEST_F(CliCommands, IdentifyPrintsTheModelAndItsExitStatusSaysWhetherASensorAnswered)
{
    CSimPort port;
    ASSERT_TRUE(port.Started());
    CCliRun found([&](CliContext& c) { return RunIdentify(OnPort(port.Port()), c); });
    EXPECT_EQ(found.Wait(), EXIT_DONE);
    EXPECT_EQ(found.Out(), "ZRT-630\t00630\n");

    port.Sim().SetFault(sim::Fault::Silent, true);
    CCliRun silent([&](CliContext& c) { return RunIdentify(OnPort(port.Port()), c); });
    EXPECT_EQ(silent.Wait(), EXIT_NO_REPLY);
    EXPECT_EQ(silent.Out(), "");
    EXPECT_NE(silent.Err().find("No sensor answered"), std::string::npos) << silent.Err();

    CommonOptions missing = OnPort(0);
    missing.strPort = m_folder.Path("no-such-tty");
    CCliRun absent([&](CliContext& c) { return RunIdentify(missing, c); });
    EXPECT_EQ(absent.Wait(), EXIT_PORT);
    EXPECT_NE(absent.Err().find("could not be opened"), std::string::npos) << absent.Err();
}

TEST_F(CliCommands, SendPrintsTheRepliesPlainAndOnAnAddressedBus)
{
    {
        CSimPort port;
        ASSERT_TRUE(port.Started());
        CCliRun run([&](CliContext& c) { return RunSend(OnPort(port.Port()), {"JM?", "SN?"}, 5, c); });
        EXPECT_EQ(run.Wait(), EXIT_DONE) << run.Err();
        EXPECT_NE(run.Out().find("00630\n"), std::string::npos) << run.Out();
        const auto commands = port.Sim().ReceivedCommands();
        ASSERT_GE(commands.size(), 2u);
        EXPECT_EQ(commands[commands.size() - 2], "JM?");
        EXPECT_EQ(commands.back(), "SN?");
    }
    {
        CSimPort port(Addressed(7));
        ASSERT_TRUE(port.Started());
        CommonOptions options = OnPort(port.Port());
        options.bRS485 = true;
        options.nAddress = 7;
        CCliRun run([&](CliContext& c) { return RunSend(options, {"JM?"}, 5, c); });
        EXPECT_EQ(run.Wait(), EXIT_DONE) << run.Err();
        EXPECT_NE(run.Out().find("00630"), std::string::npos) << run.Out();
        EXPECT_EQ(port.Sim().ReceivedCommands().back(), "JM?") << "the sensor took the framed command";
        EXPECT_EQ(port.Sim().RejectedLines(), 0u) << "every frame's LRC was right";

        // Unframed, the addressed sensor hears nothing for itself.
        CCliRun unframed([&](CliContext& c) { return RunSend(OnPort(port.Port()), {"JM?"}, 2, c); });
        EXPECT_EQ(unframed.Wait(), EXIT_NO_REPLY);
    }
}

// What halyard-cli log writes for a run of lines, stamped by a clock that
// stands still.
class CliLog : public CliCommands {
protected:
    CliLog() { SetClock(&m_clock); }
    ~CliLog() override { SetClock(nullptr); }

    static std::vector<std::string> Lines()
    {
        std::vector<std::string> lines;
        for (int n = 1; n <= 40; ++n)
            lines.push_back("REC " + std::to_string(n) + (n % 7 == 0 ? "\t\xff\x7f tail \xe9" : " plain"));
        lines.push_back("ZRT630 00,24.1,0.020 a data message");
        return lines;
    }

    CManualClock m_clock{MakeLocalTime(2026, 12, 9, 14, 5, 30)};
};

TEST_F(CliLog, RecordsAreByteIdenticalToTheWindowsForTheSameLinesAndSettings)
{
    const std::string strCli = m_folder.Path("cli.LOG");
    {
        CSimPort port;
        ASSERT_TRUE(port.Started());
        LogOptions log;
        log.strFile = strCli;
        log.bNoAutoR = true;
        CCliRun run([&](CliContext& c) { return RunLog(OnPort(port.Port()), log, c); });
        ASSERT_TRUE(AwaitFile(strCli));
        for (const std::string& strLine : Lines())
            port.Sim().SendLine(strLine);
        ASSERT_TRUE(AwaitRecord(strCli, Lines().back()));
        run.Terminate();
        EXPECT_EQ(run.Wait(), EXIT_DONE) << run.Err();
    }
    // The window's Data Capture with the same settings: no automatic R?, stamped.
    const std::string strGui = m_folder.Path("gui.LOG");
    m_clock.Set(MakeLocalTime(2026, 12, 9, 14, 5, 30));  // closing the port paused the clock on
    CSimDocRig rig({});
    ASSERT_TRUE(rig.Connect());
    LogSettings settings;
    settings.strPathName = strGui;
    settings.strPrefix = strGui.substr(0, strGui.size() - 4);
    settings.bTimestamp = true;
    rig.m_doc.SetLogParameters(settings);
    ASSERT_TRUE(rig.m_doc.StartLogging(LogStart::Fresh));
    for (const std::string& strLine : Lines())
        rig.m_port.Sim().SendLine(strLine);
    ASSERT_TRUE(rig.m_pump.PumpUntil([&] { return rig.m_doc.GetRecords() >= Lines().size(); }));
    rig.m_doc.StopLogging();

    // Each record is the line without its controls (tab, DEL) and 0xFF, the
    // stamp after it and CR LF; the window's file is the same.
    std::string strExpected;
    for (int n = 1; n <= 40; ++n)
        strExpected += "REC " + std::to_string(n) + (n % 7 == 0 ? " tail \xe9" : " plain") + ",09/12/2026,14:05:30\r\n";
    strExpected += "ZRT630 00,24.1,0.020 a data message,09/12/2026,14:05:30\r\n";
    const std::string strCliBytes = ReadWholeFile(strCli);
    EXPECT_EQ(strCliBytes, strExpected);
    EXPECT_EQ(ReadWholeFile(strGui), strExpected);
}

TEST_F(CliLog, ADailyChangeUnderTheSettableClockOpensTheNextFileAndLosesNothing)
{
    m_clock.Set(MakeLocalTime(2026, 12, 9, 23, 59, 50));
    CSimPort port;
    ASSERT_TRUE(port.Started());
    LogOptions log;
    log.strFile = m_folder.Path("first.LOG");
    log.strDaily = "00:00";
    log.strPrefix = "Station";
    log.bNoAutoR = true;
    CCliRun run([&](CliContext& c) { return RunLog(OnPort(port.Port()), log, c); });
    ASSERT_TRUE(AwaitFile(log.strFile));
    port.Sim().SendLine("BEFORE MIDNIGHT");
    ASSERT_TRUE(AwaitRecord(log.strFile, "BEFORE MIDNIGHT"));
    m_clock.Set(MakeLocalTime(2026, 12, 10, 0, 0, 30));
    port.Sim().SendLine("AFTER MIDNIGHT");
    const std::string strNext = m_folder.Path("Station 10Dec2026 00.00.LOG");
    ASSERT_TRUE(AwaitFile(strNext)) << "the daily change made no new file";
    port.Sim().SendLine("NEXT DAY");
    ASSERT_TRUE(AwaitRecord(strNext, "NEXT DAY"));
    run.Terminate();
    EXPECT_EQ(run.Wait(), EXIT_DONE) << run.Err();

    std::vector<std::string> all = ReadLines(log.strFile);
    const std::vector<std::string> next = ReadLines(strNext);
    EXPECT_EQ(all.front(), "BEFORE MIDNIGHT,09/12/2026,23:59:50");
    EXPECT_EQ(next.back(), "NEXT DAY,10/12/2026,00:00:30");
    all.insert(all.end(), next.begin(), next.end());
    std::vector<std::string> data;
    std::copy_if(all.begin(), all.end(), std::back_inserter(data),
                 [](const std::string& s) { return s.find("MIDNIGHT") != std::string::npos || s.find("DAY") != std::string::npos; });
    EXPECT_EQ(data, (std::vector<std::string>{"BEFORE MIDNIGHT,09/12/2026,23:59:50", "AFTER MIDNIGHT,10/12/2026,00:00:30",
                                              "NEXT DAY,10/12/2026,00:00:30"}))
        << "each line once, in order, across the two files";
}

// Occurrences of strPart in strText.
size_t CountOf(const std::string& strText, const std::string& strPart)
{
    size_t nCount = 0;
    for (size_t pos = 0; (pos = strText.find(strPart, pos)) != std::string::npos; pos += strPart.size())
        ++nCount;
    return nCount;
}

TEST_F(CliLog, ADiskThatFillsUpMidRecordEndsTheLogWithWholeRecordsAndSaysSoOnce)
{
    CSimPort port;
    ASSERT_TRUE(port.Started());
    LogOptions log;
    log.strFile = m_folder.Path("full.LOG");
    log.bNoAutoR = true;
    CCliRun run([&](CliContext& c) { return RunLog(OnPort(port.Port()), log, c); });
    ASSERT_TRUE(AwaitFile(log.strFile));
    for (int n = 1; n <= 5; ++n)
        port.Sim().SendLine("REC " + std::to_string(n));
    ASSERT_TRUE(AwaitRecord(log.strFile, "REC 5"));
    const std::string strWhole = ReadWholeFile(log.strFile);
    int nExit = 0;
    {
        // Ten bytes of the next record fit on the disk.
        CFileSizeLimit limit(strWhole.size() + 10);
        ASSERT_TRUE(limit.IsSet());
        port.Sim().SendLine("REC 6 that does not fit");
        nExit = run.Wait();
    }
    EXPECT_EQ(nExit, EXIT_FILE) << run.Err();
    EXPECT_EQ(ReadWholeFile(log.strFile), strWhole) << "only whole records";
    EXPECT_EQ(CountOf(run.Err(), "could not be written"), 1u) << run.Err();
    EXPECT_NE(run.Err().find(log.strFile + ": File too large"), std::string::npos) << run.Err();
}

TEST_F(CliLog, ABurstOfFiveHundredLinesInOneWriteIsLoggedWholeAndInOrder)
{
    // Far more lines than the link cuts in one go or queues (40), faster than
    // the sensor's own pace; the sensor waits while the terminal is full.
    CStreamSensor sensor(460800);
    ASSERT_TRUE(sensor.Start());
    CommonOptions options = OnPort(0);
    options.strPort = sensor.DevicePath();
    options.dwBaud = 460800;
    LogOptions log;
    log.strFile = m_folder.Path("burst.LOG");
    log.bNoAutoR = true;
    log.bNoStamp = true;
    CCliRun run([&](CliContext& c) { return RunLog(options, log, c); });
    ASSERT_TRUE(AwaitFile(log.strFile));

    std::vector<std::string> sent;
    std::string strBurst;
    for (int n = 1; n <= 500; ++n) {
        char szLine[96];
        std::snprintf(szLine, sizeof szLine, "PW 00 BURST %03d 00123 01234 +12.5 0000 0 1.23 0.00 000 0000 00 %03d", n,
                      n);
        sent.push_back(szLine);
        strBurst += sent.back() + "\r\n";
    }
    ASSERT_TRUE(sensor.Send(strBurst));
    // The answer to the identification's last "JM?" may come first.
    const auto burstRecords = [&] {
        std::vector<std::string> records = SplitCrLf(ReadWholeFile(log.strFile));
        std::erase(records, "00630");
        return records;
    };
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (burstRecords().size() < sent.size() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    run.Terminate();
    EXPECT_EQ(run.Wait(), EXIT_DONE) << run.Err();
    const std::vector<std::string> records = burstRecords();
    ASSERT_EQ(records.size(), sent.size());
    for (size_t n = 0; n < sent.size(); ++n)
        ASSERT_EQ(records[n], sent[n]) << "record " << n + 1;
}

TEST_F(CliCommands, ALoadRefusedTwiceEndsAsFailedAndAGoodOneFinishes)
{
    CSimPort port;
    ASSERT_TRUE(port.Started());
    const std::string strGood = m_folder.Path("good.NVM");
    std::ofstream(strGood) << ":site\r\nV12,250\r\nV40,-3\r\n#\r\n";
    CCliRun good([&](CliContext& c) { return RunSequence(OnPort(port.Port()), SequenceKind::Load, strGood, c); });
    EXPECT_EQ(good.Wait(), EXIT_DONE) << good.Err();
    EXPECT_EQ(port.Sim().GetNvram(12), 250);
    EXPECT_EQ(port.Sim().GetNvram(40), -3);

    const std::string strRefused = m_folder.Path("refused.NVM");
    std::ofstream(strRefused) << "V12,1\r\nV13,2\r\n";
    port.Sim().SetBadCmdFor("V13,");
    CCliRun refused(
        [&](CliContext& c) { return RunSequence(OnPort(port.Port()), SequenceKind::Load, strRefused, c); });
    EXPECT_EQ(refused.Wait(), EXIT_FAILED);
    EXPECT_NE(refused.Err().find("refused"), std::string::npos) << refused.Err();
    EXPECT_NE(refused.Err().find("Parameter Upload Failed"), std::string::npos)
        << "a load that ended with refused lines says so on the error output, even with --quiet";
    EXPECT_EQ(port.Sim().GetNvram(12), 1);

    CCliRun missing([&](CliContext& c) {
        return RunSequence(OnPort(port.Port()), SequenceKind::Load, m_folder.Path("none.NVM"), c);
    });
    EXPECT_EQ(missing.Wait(), EXIT_FILE) << missing.Err();
}

}  // namespace
}  // namespace halyard::test
