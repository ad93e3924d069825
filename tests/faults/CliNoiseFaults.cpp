// halyard-cli log under a 57600-baud stream of rubbish mixed with data
// messages: random bytes, runs of NULs and of 0xFF, lines ended by CR alone,
// 5000-byte lines and addressed lines with a bad LRC, for
// HALYARD_NOISE_SECONDS (default 60). The program neither crashes nor stops
// logging, its resident memory stays flat, and every data message that
// arrived as a line of its own is in the log.
//
// The line assembler drops what follows a CR up to the next LF when both are
// read at once (a CR ends a line before its LF arrives; the design keeps
// that), so a data message sent right after a CR-only line may be swallowed
// by it: those are counted apart and not required. Every other rubbish item
// ends with CR LF, as a sensor's line does.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "CliProcess.h"
#include "FaultSupport.h"
#include "ProcStatus.h"
#include "SimFaults.h"
#include "SimProtocol.h"
#include "StreamSensor.h"

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

std::string DataLine(long n)
{
    char szLine[96];
    std::snprintf(szLine, sizeof szLine, "PW 00 %07ld 00123 01234 +12.5 0000 0  1.23  0.00 000 0000 00 +0.15 1013.2",
                  n);
    return szLine;
}

enum class Rubbish { RandomBytes, Nuls, AllFF, CrOnly, Overlong, BadLrc, Count };

// The bytes of one rubbish item; a CR-only line has no LF after it.
std::string RubbishBytes(Rubbish kind, long n, std::mt19937& rng)
{
    std::uniform_int_distribution<int> length(1, 200);
    switch (kind) {
    case Rubbish::RandomBytes: {
        std::string strBytes(static_cast<size_t>(length(rng)), '\0');
        for (char& c : strBytes)
            c = static_cast<char>(rng() & 0xFF);
        return strBytes + "\r\n";
    }
    case Rubbish::Nuls:
        return std::string(static_cast<size_t>(length(rng)), '\0') + "\r\n";
    case Rubbish::AllFF:
        return std::string(static_cast<size_t>(length(rng)), '\xFF') + "\r\n";
    case Rubbish::CrOnly:
        return "CR ONLY " + std::to_string(n) + "\r";
    case Rubbish::Overlong:
        return sim::OverlongText(5000) + "\r\n";
    case Rubbish::BadLrc:
        return sim::FrameLine(1, DataLine(n), sim::LrcStyle::Wrong) + "\r\n";
    case Rubbish::Count:
        break;
    }
    return {};
}

TEST(CliNoise, RubbishAtFullSpeedCrashesNothingAndLosesNoDataMessage)
{
    const long nSeconds = EnvNumber("HALYARD_NOISE_SECONDS", 60);
    const auto nSeed = static_cast<unsigned>(EnvNumber("HALYARD_FAULT_SEED", std::random_device{}()));
    Figure("seed", std::to_string(nSeed));
    std::mt19937 rng(nSeed);
    CTempFolder folder;
    CStreamSensor sensor(57600);
    ASSERT_TRUE(sensor.Start());
    const std::string strLog = folder.Path("noise.LOG");
    CCliProcess cli(HALYARD_CLI_PROGRAM,
                    {"--quiet", "--port", sensor.DevicePath(), "--baud", "57600", "log", strLog, "--no-auto-r"},
                    folder.Path("cli.out"));
    ASSERT_TRUE(AwaitCondition([&] { return std::filesystem::exists(strLog); }))
        << ReadWholeFile(folder.Path("cli.out.err"));
    // Memory is taken once the program has logged a little, its buffers in use.
    long nSent = 0;
    for (; nSent < 50; ++nSent)
        ASSERT_TRUE(sensor.SendLine(DataLine(nSent)));
    ASSERT_TRUE(AwaitWholeRecords(strLog, 50));
    const long nRssStart = ProcStatusKb(cli.Pid(), "VmRSS");

    std::set<long> excused;  // data messages sent right after a CR-only line
    std::array<long, static_cast<size_t>(Rubbish::Count)> anRubbish{};
    long nBytes = 0;
    bool bAfterCrOnly = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(nSeconds);
    while (std::chrono::steady_clock::now() < end) {
        std::string strBytes;
        if (rng() % 2 == 0) {
            if (bAfterCrOnly)
                excused.insert(nSent);
            strBytes = DataLine(nSent++) + "\r\n";
            bAfterCrOnly = false;
        } else {
            const auto kind = static_cast<Rubbish>(rng() % static_cast<unsigned>(Rubbish::Count));
            ++anRubbish[static_cast<size_t>(kind)];
            strBytes = RubbishBytes(kind, nSent, rng);
            bAfterCrOnly = kind == Rubbish::CrOnly;
        }
        nBytes += static_cast<long>(strBytes.size());
        ASSERT_TRUE(sensor.Send(strBytes)) << "the program stopped reading";
    }
    // A last message tells that everything before it has been read.
    const long nLast = nSent++;
    ASSERT_TRUE(sensor.Send("\r\n" + DataLine(nLast) + "\r\n"));
    const bool bLastLogged = AwaitCondition(
        [&] { return ReadWholeFile(strLog).find(DataLine(nLast) + ",") != std::string::npos; }, 60s);
    const long nRssEnd = ProcStatusKb(cli.Pid(), "VmRSS");
    const long nPeak = ProcStatusKb(cli.Pid(), "VmHWM");
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Wait(), 0) << ReadWholeFile(folder.Path("cli.out.err"));
    ASSERT_TRUE(bLastLogged) << "the program stopped logging";

    std::set<long> logged;
    for (const std::string& strRecord : ReadLog(strLog).records) {
        const long n = strRecord.size() > 13 ? std::atol(strRecord.substr(6, 7).c_str()) : -1;
        if (strRecord.rfind("PW 00 ", 0) == 0 && IsStampedRecordOf(strRecord, DataLine(n)))
            logged.insert(n);
    }
    long nMissing = 0;
    long nSwallowed = 0;
    for (long n = 0; n < nSent; ++n) {
        if (logged.count(n) != 0)
            continue;
        if (excused.count(n) != 0) {
            ++nSwallowed;
            continue;
        }
        if (++nMissing <= 5)
            ADD_FAILURE() << "data message " << n << " is not in the log";
    }
    const long nGrowthKb = nRssEnd - nRssStart;
    Figure("seconds", std::to_string(nSeconds));
    Figure("bytes_sent", std::to_string(nBytes));
    Figure("data_messages_sent_logged_missing",
           std::to_string(nSent) + " " + std::to_string(logged.size()) + " " + std::to_string(nMissing));
    Figure("after_cr_only_sent_swallowed", std::to_string(excused.size()) + " " + std::to_string(nSwallowed));
    Figure("rubbish_random_nul_ff_cronly_5000_badlrc",
           std::to_string(anRubbish[0]) + " " + std::to_string(anRubbish[1]) + " " + std::to_string(anRubbish[2]) +
               " " + std::to_string(anRubbish[3]) + " " + std::to_string(anRubbish[4]) + " " +
               std::to_string(anRubbish[5]));
    Figure("vmrss_kb_start_end_peak_growth", std::to_string(nRssStart) + " " + std::to_string(nRssEnd) + " " +
                                                 std::to_string(nPeak) + " " + std::to_string(nGrowthKb));
    Figure("sensor_waits_for_a_full_terminal", std::to_string(sensor.Stalls()));
    EXPECT_EQ(nMissing, 0);
#if !defined(__SANITIZE_ADDRESS__)
    // The address sanitizer holds freed memory back for a while: resident
    // memory says nothing about leaks there (its leak check does).
    EXPECT_LT(nGrowthKb, 2048) << "resident memory grew from " << nRssStart << " kB to " << nRssEnd << " kB";
#endif
}

}  // namespace
}  // namespace halyard::test
