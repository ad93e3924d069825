// Logging over a pseudo-terminal from the simulated sensor, through the real
// serial link and watcher thread: every line received while logging is a
// record, in order, and a program killed in the middle of a log leaves every
// record it wrote whole in the file.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "SimDocRig.h"
#include "TempFolder.h"
#include "document/CHalyardDoc.h"
#include "platform/Clock.h"

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

std::string SeqLine(int n)
{
    char sz[32];
    std::snprintf(sz, sizeof sz, "PW SEQ %05d", n);
    return sz;
}

class Logging : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The document's pauses on closing pass at once; the link keeps real time.
        SetClock(&m_clock);
        ASSERT_TRUE(m_folder.IsValid());
    }
    void TearDown() override { SetClock(nullptr); }

    CManualClock m_clock{MakeLocalTime(2026, 12, 8, 10, 0, 0)};
    CTempFolder m_folder;
};

TEST_F(Logging, EveryLineReceivedWhileLoggingIsARecordInOrder)
{
    sim::SimOptions options;
    options.wOpState = 0x0001;  // data messages of its own every 15 ms besides the numbered lines
    options.nDataPeriodMs = 15;
    CSimDocRig rig(options);
    ASSERT_TRUE(rig.Connect());
    const std::string strPath = m_folder.Path("stream.LOG");
    ASSERT_TRUE(rig.StartLog(strPath));
    constexpr int kLines = 400;
    for (int n = 1; n <= kLines; ++n) {
        rig.m_port.Sim().SendLine(SeqLine(n));
        if (n % 20 == 0)
            rig.m_pump.Pump();
    }
    // The UI thread busy elsewhere for most of a second while the sensor
    // keeps talking: the views' queue overflows and drops lines (and says
    // so), the log must not. So the wait is on the file, not on the list.
    std::this_thread::sleep_for(900ms);
    ASSERT_TRUE(rig.m_pump.PumpUntil([&] {
        // The last numbered line, and a few data messages of the sensor's own.
        const std::vector<std::string> written = SplitCrLf(ReadWholeFile(strPath));
        return written.size() >= kLines + 3 && std::find(written.begin(), written.end(), SeqLine(kLines)) != written.end();
    }));
    rig.m_doc.StopLogging();

    const std::vector<std::string> records = SplitCrLf(ReadWholeFile(strPath));
    ASSERT_FALSE(records.empty());
    // Each record is one whole line the sensor sent: a numbered line, one of
    // its data messages or the answer to the identification's last "JM?"
    // (sent as the sensor was found, it may be answered once the connection
    // is open); never two run together or a piece of one.
    for (const std::string& strRecord : records)
        EXPECT_TRUE(strRecord.rfind("PW SEQ ", 0) == 0 ? strRecord.size() == SeqLine(1).size()
                                                       : strRecord.rfind("PW 00,", 0) == 0 || strRecord == "00630")
            << strRecord;
    std::vector<std::string> numbered;
    for (const std::string& strRecord : records)
        if (strRecord.rfind("PW SEQ ", 0) == 0)
            numbered.push_back(strRecord);
    ASSERT_EQ(numbered.size(), static_cast<size_t>(kLines));
    for (int n = 1; n <= kLines; ++n)
        EXPECT_EQ(numbered[static_cast<size_t>(n - 1)], SeqLine(n));
    EXPECT_GT(records.size(), numbered.size()) << "the sensor's own data messages are logged too";
}

// The child plays the program: it logs numbered lines until it is killed.
[[noreturn]] void LogUntilKilled(const std::string& strPath)
{
    CSimDocRig rig({});
    if (!rig.Connect() || !rig.StartLog(strPath))
        std::_Exit(2);
    for (int n = 1;; ++n) {
        rig.m_port.Sim().SendLine(SeqLine(n));
        rig.m_pump.Pump();
        std::this_thread::sleep_for(1ms);
    }
}

TEST_F(Logging, AKilledProgramLeavesEveryRecordItWroteWhole)
{
    const std::string strPath = m_folder.Path("killed.LOG");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
        LogUntilKilled(strPath);

    constexpr size_t kRecords = 300;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (SplitCrLf(ReadWholeFile(strPath)).size() < kRecords && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    ::kill(pid, SIGKILL);
    int nStatus = 0;
    ASSERT_EQ(::waitpid(pid, &nStatus, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(nStatus)) << "the child ended by itself with " << WEXITSTATUS(nStatus);

    const std::string strLog = ReadWholeFile(strPath);
    ASSERT_GE(SplitCrLf(strLog).size(), kRecords);
    EXPECT_EQ(strLog.substr(strLog.size() - 2), "\r\n") << "the last record is whole";
    const std::vector<std::string> records = SplitCrLf(strLog);
    for (size_t n = 0; n < records.size(); ++n)
        ASSERT_EQ(records[n], SeqLine(static_cast<int>(n + 1))) << "record " << n + 1;
}

}  // namespace
}  // namespace halyard::test
