// halyard-cli log killed with SIGKILL while a 57600-baud stream is logged,
// twenty times at random moments (the seed is printed; HALYARD_FAULT_SEED
// repeats a run): every record before the last is in the file whole and in
// order, none missing; only the record in flight may be torn.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "CliProcess.h"
#include "FaultSupport.h"
#include "StreamSensor.h"

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

std::string NumberedLine(long n)
{
    char szLine[96];
    std::snprintf(szLine, sizeof szLine, "PW 00 %07ld 00123 01234 +12.5 0000 0  1.23  0.00 000 0000 00 +0.15 1013.2",
                  n);
    return szLine;
}

struct KillOutcome {
    size_t nSeenBefore = 0;  // whole records in the file just before the kill
    size_t nRecords = 0;
    bool bTorn = false;
};

// One run: logging under way, the kill after nDelayMs, the file checked.
KillOutcome KillOnce(int nDelayMs)
{
    KillOutcome outcome;
    CTempFolder folder;
    CStreamSensor sensor(57600);
    EXPECT_TRUE(sensor.Start());
    const std::string strLog = folder.Path("station.LOG");
    CCliProcess cli(HALYARD_CLI_PROGRAM,
                    {"--quiet", "--port", sensor.DevicePath(), "--baud", "57600", "log", strLog, "--no-auto-r"},
                    folder.Path("cli.out"));
    EXPECT_TRUE(cli.Started());
    if (!AwaitCondition([&] { return std::filesystem::exists(strLog); })) {
        ADD_FAILURE() << "logging did not start: " << ReadWholeFile(folder.Path("cli.out.err"));
        return outcome;
    }
    std::atomic<bool> bStop{false};
    std::thread feeder([&] {
        for (long n = 0; !bStop && sensor.SendLine(NumberedLine(n)); ++n) {
        }
    });
    EXPECT_TRUE(AwaitWholeRecords(strLog, 5)) << ReadWholeFile(folder.Path("cli.out.err"));
    std::this_thread::sleep_for(std::chrono::milliseconds(nDelayMs));
    outcome.nSeenBefore = WholeRecords(strLog);
    cli.Signal(SIGKILL);
    cli.Wait();
    EXPECT_EQ(cli.TermSignal(), SIGKILL);
    bStop = true;
    sensor.HangUp();  // the feeder's write, waiting on a terminal nobody reads, ends
    feeder.join();

    const LogContents log = ReadLog(strLog);
    outcome.nRecords = log.records.size();
    outcome.bTorn = !log.strTorn.empty();
    EXPECT_GE(log.records.size(), outcome.nSeenBefore) << "a record once written stays";
    for (size_t n = 0; n < log.records.size(); ++n) {
        if (!IsStampedRecordOf(log.records[n], NumberedLine(static_cast<long>(n)))) {
            ADD_FAILURE() << "record " << n << " is \"" << log.records[n] << "\"";
            break;
        }
    }
    // What is left after the last CR LF can only be the start of the next record.
    const std::string strNext = NumberedLine(static_cast<long>(log.records.size()));
    EXPECT_TRUE(log.strTorn.empty() || strNext.rfind(log.strTorn, 0) == 0 ||
                log.strTorn.rfind(strNext, 0) == 0)
        << "torn: \"" << log.strTorn << "\"";
    return outcome;
}

TEST(CliKill, EveryRecordBeforeTheLastIsWholeAfterSigkillAtRandomMoments)
{
    const auto nSeed = static_cast<unsigned>(EnvNumber("HALYARD_FAULT_SEED", std::random_device{}()));
    Figure("seed", std::to_string(nSeed));
    std::mt19937 rng(nSeed);
    std::uniform_int_distribution<int> delay(0, 1500);
    size_t nRecords = 0;
    int nTorn = 0;
    std::string strMoments;
    for (int nRun = 1; nRun <= 20 && !HasFailure(); ++nRun) {
        const int nDelayMs = delay(rng);
        const KillOutcome outcome = KillOnce(nDelayMs);
        nRecords += outcome.nRecords;
        nTorn += outcome.bTorn ? 1 : 0;
        strMoments += (strMoments.empty() ? "" : " ") + std::to_string(nDelayMs);
    }
    Figure("kill_moments_ms_after_5_records", strMoments);
    Figure("records_checked", std::to_string(nRecords));
    Figure("kills_with_a_torn_last_record", std::to_string(nTorn) + " of 20");
}

}  // namespace
}  // namespace halyard::test
