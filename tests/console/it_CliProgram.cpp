// The halyard-cli program itself: its command line, and SIGTERM in the middle
// of a log.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "SimFixture.h"
#include "TempFolder.h"

extern char** environ;

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

class CProgram {
public:
    // Runs szProgram (halyard-cli unless told otherwise) with args.
    explicit CProgram(std::vector<std::string> args, const std::string& strOutput,
                      const char* szProgram = HALYARD_CLI_PROGRAM)
    {
        args.insert(args.begin(), szProgram);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, strOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (strOutput + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        m_bStarted = posix_spawn(&m_pid, szProgram, &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CProgram()
    {
        if (m_bStarted && !m_bEnded) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
    }
    bool Started() const { return m_bStarted; }
    void Signal(int nSignal) { ::kill(m_pid, nSignal); }
    // The exit status; -1 when it ended by a signal or had not ended in time.
    int Wait(std::chrono::seconds timeout = 60s)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int nStatus = 0;
        while (::waitpid(m_pid, &nStatus, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline)
                return -1;
            std::this_thread::sleep_for(10ms);
        }
        m_bEnded = true;
        return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    }

private:
    pid_t m_pid = -1;
    bool m_bStarted = false;
    bool m_bEnded = false;
};

class CliProgram : public ::testing::Test {
protected:
    std::string Output() const { return m_folder.Path("out.txt"); }
    CTempFolder m_folder;
};

TEST_F(CliProgram, TheCommandLineIsCheckedAndEverySubcommandHasItsHelp)
{
    for (const char* szSub : {"ports", "identify", "send", "log", "dump", "als-dump", "load", "als-load", "export"}) {
        CProgram help({szSub, "--help"}, Output());
        ASSERT_EQ(help.Wait(), 0) << szSub;
        EXPECT_NE(ReadWholeFile(Output()).find("Usage:"), std::string::npos) << szSub;
    }
    const std::vector<std::vector<std::string>> bad = {
        {},                                          // no subcommand
        {"log"},                                     // no file
        {"--baud", "9601", "identify"},              // no such rate
        {"--simulate=ZZZ-000", "identify"},          // no such model
        {"log", "x.LOG", "--daily", "25:00"},        // no such time
        {"log", "x.LOG", "--every", "5"},            // a period without a command
        {"load", "/nonexistent/site.NVM"},           // no such file
    };
    for (const auto& args : bad) {
        CProgram run(args, Output());
        EXPECT_EQ(run.Wait(), 2) << (args.empty() ? std::string("(none)") : args.back());
    }
}

TEST_F(CliProgram, AFailureNoCommandHandlesEndsWithItsReasonAndStatusOne)
{
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizers' runtime needs descriptors of its own (its type checks
    // probe memory through a pipe), which a limit of a few denies it: it then
    // reports every object it checks as invalid. The plain build runs this.
    GTEST_SKIP() << "the sanitizers need more file descriptors than this limit leaves";
#endif
    // With no file descriptor to spare after the signal watch, the program
    // cannot build its event loop: a failure no subcommand foresees. The
    // shell frees descriptor 3 (for the loader and the signal watch) and no
    // other below the limit; it closes them before it lowers the limit, as
    // it moves a descriptor it closes above 9 first.
    const std::string strLimited =
        "exec 3>&- 4>&- 5>&- 6>&- 7>&- 8>&- 9>&- && ulimit -n 4 && exec \"$0\" \"$@\"";
    CProgram run({"-c", strLimited, HALYARD_CLI_PROGRAM, "--port", "COM1", "send", "R?"}, Output(), "/bin/sh");
    ASSERT_TRUE(run.Started());
    EXPECT_EQ(run.Wait(), 1) << "the program must end, not abort";
    const std::string strErr = ReadWholeFile(Output() + ".err");
    EXPECT_EQ(strErr.rfind("halyard-cli: ", 0), 0u) << strErr;
    EXPECT_NE(strErr.find("event loop"), std::string::npos) << strErr;
    EXPECT_EQ(ReadWholeFile(Output()), "");
}

TEST_F(CliProgram, IdentifyWithTheSimulatedSensor)
{
    CProgram run({"identify", "--simulate=PQD-025"}, Output());
    ASSERT_EQ(run.Wait(), 0) << ReadWholeFile(Output() + ".err");
    EXPECT_EQ(ReadWholeFile(Output()), "PQD-025\t00025\n");
}

TEST_F(CliProgram, SigtermMidLogLeavesTheFileCompleteAndSendsTheCaptureCommand)
{
    CSimPort port;
    ASSERT_TRUE(port.Started());
    const std::string strLog = m_folder.Path("station.LOG");
    CProgram run({"--port", port.Sim().DevicePath(), "--baud", "57600", "log", strLog, "--no-auto-r", "--no-stamp",
                  "--capture-at-end"},
                 Output());
    ASSERT_TRUE(run.Started());
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!std::filesystem::exists(strLog) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(std::filesystem::exists(strLog)) << ReadWholeFile(Output() + ".err");
    port.Sim().ClearReceivedCommands();
    constexpr int kLines = 200;
    for (int n = 1; n <= kLines; ++n)
        port.Sim().SendLine("LINE " + std::to_string(n));
    const std::string strLast = "LINE " + std::to_string(kLines) + "\r\n";
    while (ReadWholeFile(strLog).find(strLast) == std::string::npos && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    run.Signal(SIGTERM);
    EXPECT_EQ(run.Wait(), 0) << ReadWholeFile(Output() + ".err");

    // The answer to the identification's last "JM?" may come in once the log
    // has started, on a machine slow enough to miss the tick after the finding one.
    std::vector<std::string> records = SplitCrLf(ReadWholeFile(strLog));
    std::erase(records, "00630");
    ASSERT_EQ(records.size(), static_cast<size_t>(kLines));
    for (int n = 1; n <= kLines; ++n)
        ASSERT_EQ(records[n - 1], "LINE " + std::to_string(n));
    ASSERT_TRUE(port.Sim().WaitForCommands(1, 5s)) << ReadWholeFile(Output() + ".err");
    // Only the capture command: the identification's last "JM?" may come in
    // after the list was cleared.
    std::vector<std::string> commands = port.Sim().ReceivedCommands();
    std::erase(commands, "JM?");
    EXPECT_EQ(commands, (std::vector<std::string>{"A?"}));
}

// A station's log started again, as a service restarts it: the records of
// every run stay in the file it was given, in order, unless --overwrite says
// to empty it.
class CliLogRestart : public CliProgram {
protected:
    // One run of the log that records strTag 1..kLines and is stopped by
    // SIGTERM; its error stream.
    std::string LogRun(const std::string& strTag, const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> args = {"--port", m_port.Sim().DevicePath(), "--baud", "57600", "log",
                                         Log(), "--no-auto-r", "--no-stamp"};
        args.insert(args.end(), extra.begin(), extra.end());
        CProgram run(args, Output());
        EXPECT_TRUE(run.Started());
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (ReadWholeFile(Output() + ".err").find("SIGTERM stops") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        for (int n = 1; n <= kLines; ++n)
            m_port.Sim().SendLine(strTag + " " + std::to_string(n));
        const std::string strLast = strTag + " " + std::to_string(kLines) + "\r\n";
        while (ReadWholeFile(Log()).find(strLast) == std::string::npos &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        run.Signal(SIGTERM);
        EXPECT_EQ(run.Wait(), 0) << ReadWholeFile(Output() + ".err");
        return ReadWholeFile(Output() + ".err");
    }
    // The records, without the answer to the identification's last "JM?",
    // which may come in once the log has started.
    std::vector<std::string> Records() const
    {
        std::vector<std::string> records = SplitCrLf(ReadWholeFile(Log()));
        std::erase(records, "00630");
        return records;
    }
    static std::vector<std::string> Tagged(const std::vector<std::string>& tags)
    {
        std::vector<std::string> lines;
        for (const std::string& strTag : tags)
            for (int n = 1; n <= kLines; ++n)
                lines.push_back(strTag + " " + std::to_string(n));
        return lines;
    }
    // A name without ".LOG": the program writes the file it is given.
    std::string Log() const { return m_folder.Path("station.log"); }

    static constexpr int kLines = 30;
    CSimPort m_port;
};

TEST_F(CliLogRestart, AStartedAgainLogAppendsToTheFileItIsGivenAndOverwriteEmptiesIt)
{
    ASSERT_TRUE(m_port.Started());
    LogRun("FIRST");
    ASSERT_EQ(Records(), Tagged({"FIRST"}));
    const auto nBytes = std::filesystem::file_size(Log());

    const std::string strErr = LogRun("SECOND");
    EXPECT_EQ(Records(), Tagged({"FIRST", "SECOND"})) << "both runs, in order";
    EXPECT_NE(strErr.find("Appending to " + Log() + " (" + std::to_string(nBytes) + " bytes already there)"),
              std::string::npos)
        << strErr;
    EXPECT_FALSE(std::filesystem::exists(Log() + ".LOG"));

    LogRun("THIRD", {"--overwrite"});
    EXPECT_EQ(Records(), Tagged({"THIRD"}));
}

}  // namespace
}  // namespace halyard::test

namespace halyard::test {
namespace {

// "dd/mm/yyyy,HH:MM:SS" at the end of a record as "yyyy-mm-dd HH:MM:SS".
std::string StampAsCsvTime(const std::string& strRecord)
{
    const std::string strStamp = strRecord.substr(strRecord.size() - 19);
    return strStamp.substr(6, 4) + "-" + strStamp.substr(3, 2) + "-" + strStamp.substr(0, 2) + " " +
           strStamp.substr(11);
}

TEST_F(CliProgram, ExportGivesTheFieldsALoggedRunReceivedAtTheirStamps)
{
    CSimPort port;
    ASSERT_TRUE(port.Started());
    const std::string strLog = m_folder.Path("station.LOG");
    {
        CProgram run({"--port", port.Sim().DevicePath(), "--baud", "57600", "log", strLog, "--no-auto-r"}, Output());
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!std::filesystem::exists(strLog) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        ASSERT_TRUE(std::filesystem::exists(strLog)) << ReadWholeFile(Output() + ".err");
        for (int n = 1; n <= 20; ++n)
            port.Sim().SendLine("PW 01 " + std::to_string(15000 - n) + " ///// -0" + std::to_string(n % 10) + ".5");
        port.Sim().SendLine("NOT DATA 99");
        while (ReadWholeFile(strLog).find("NOT DATA") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        run.Signal(SIGTERM);
        ASSERT_EQ(run.Wait(), 0) << ReadWholeFile(Output() + ".err");
    }
    const std::vector<std::string> records = SplitCrLf(ReadWholeFile(strLog));
    CProgram exported({"export", strLog, "--fields", "5,3"}, Output());
    ASSERT_EQ(exported.Wait(), 0) << ReadWholeFile(Output() + ".err");
    const std::vector<std::string> rows = SplitLf(ReadWholeFile(Output()));
    ASSERT_EQ(rows.size(), 21u) << ReadWholeFile(Output());
    EXPECT_EQ(rows[0], "time,field 5,field 3");
    size_t nRow = 1;
    for (const std::string& strRecord : records) {
        if (strRecord.rfind("PW 01 ", 0) != 0)
            continue;
        ASSERT_LT(nRow, rows.size());
        const int n = static_cast<int>(nRow);
        EXPECT_EQ(rows[nRow++], StampAsCsvTime(strRecord) + ",-0" + std::to_string(n % 10) + ".5," +
                                    std::to_string(15000 - n));
    }
    EXPECT_EQ(nRow, rows.size());

    // Into a file, as a script asks.
    CProgram toFile({"export", strLog, "--fields", "3", "-o", m_folder.Path("out.csv")}, Output());
    ASSERT_EQ(toFile.Wait(), 0);
    EXPECT_EQ(SplitLf(ReadWholeFile(m_folder.Path("out.csv"))).size(), 21u);
}

TEST_F(CliProgram, ExportSaysWhatIsWrongWithItsFileOrFields)
{
    const auto run = [&](const std::vector<std::string>& args) {
        CProgram program(args, Output());
        return program.Wait();
    };
    EXPECT_EQ(run({"export", m_folder.Path("missing.LOG"), "--fields", "3"}), 5);
    EXPECT_NE(ReadWholeFile(Output() + ".err").find("missing.LOG could not be read: "), std::string::npos);
    std::ofstream(m_folder.Path("notes.txt")) << "shopping list\r\n";
    EXPECT_EQ(run({"export", m_folder.Path("notes.txt"), "--fields", "3"}), 5);
    EXPECT_NE(ReadWholeFile(Output() + ".err").find("holds no data messages"), std::string::npos);
    for (const char* szFields : {"0", "3,3", "a", ""})
        EXPECT_EQ(run({"export", m_folder.Path("notes.txt"), "--fields", szFields}), 2) << szFields;
    EXPECT_EQ(run({"export", m_folder.Path("notes.txt")}), 2);
}

}  // namespace
}  // namespace halyard::test
