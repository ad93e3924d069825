// halyard-cli log onto a disk that fills up under a 57600-baud stream: a
// 16 kB tmpfs mounted for the test (as root), or where mounting is refused a
// file the program may not grow past 16 kB (RLIMIT_FSIZE: EFBIG, which is
// reported as a full disk too). Logging stops, the program says why and ends
// with status 5 after saying so once, and the file holds only whole records,
// in order: the record the disk had no room for is cut off.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <atomic>
#include <thread>

#include "CliProcess.h"
#include "FaultSupport.h"
#include "StreamSensor.h"

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

constexpr long kDiskBytes = 16 * 1024;

std::string NumberedLine(long n)
{
    char szLine[96];
    std::snprintf(szLine, sizeof szLine, "PW 00 %07ld 00123 01234 +12.5 0000 0  1.23  0.00 000 0000 00 +0.15 1013.2",
                  n);
    return szLine;
}

// A small tmpfs on a folder for as long as it lives, when the system allows it.
class CSmallDisk {
public:
    explicit CSmallDisk(const std::string& strPath)
        : m_strPath(strPath)
    {
        std::filesystem::create_directory(strPath);
        const std::string strData = "size=" + std::to_string(kDiskBytes);
        m_bMounted = ::mount("tmpfs", strPath.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, strData.c_str()) == 0;
    }
    ~CSmallDisk()
    {
        if (m_bMounted)
            ::umount2(m_strPath.c_str(), MNT_DETACH);
    }
    CSmallDisk(const CSmallDisk&) = delete;
    CSmallDisk& operator=(const CSmallDisk&) = delete;
    bool Mounted() const { return m_bMounted; }

private:
    std::string m_strPath;
    bool m_bMounted = false;
};

TEST(CliDiskFull, LoggingStopsAndSaysSoAndTheRecordsBeforeAreWhole)
{
    CTempFolder folder;
    CSmallDisk disk(folder.Path("disk"));
    CCliProcess::Options options;
    if (!disk.Mounted())
        options.nFileSizeLimit = kDiskBytes;
    Figure("full_disk", disk.Mounted() ? "tmpfs of 16 kB" : "RLIMIT_FSIZE of 16 kB (mount refused)");
    CStreamSensor sensor(57600);
    ASSERT_TRUE(sensor.Start());
    const std::string strLog = folder.Path("disk/station.LOG");
    CCliProcess cli(HALYARD_CLI_PROGRAM,
                    {"--port", sensor.DevicePath(), "--baud", "57600", "log", strLog, "--no-auto-r"},
                    folder.Path("cli.out"), options);
    ASSERT_TRUE(AwaitCondition([&] { return std::filesystem::exists(strLog); }))
        << ReadWholeFile(folder.Path("cli.out.err"));
    std::atomic<bool> bStop{false};
    std::thread feeder([&] {
        for (long n = 0; !bStop && sensor.SendLine(NumberedLine(n)); ++n) {
        }
    });
    // 16 kB is about 150 records, three seconds of the stream.
    const int nExit = cli.Wait(120s);
    bStop = true;
    sensor.HangUp();
    feeder.join();
    const std::string strErr = ReadWholeFile(folder.Path("cli.out.err"));
    EXPECT_EQ(nExit, 5) << strErr;
    EXPECT_NE(strErr.find("Logging stopped"), std::string::npos) << strErr;
    EXPECT_NE(strErr.find(strLog), std::string::npos) << "the file is named: " << strErr;
    EXPECT_NE(strErr.find(disk.Mounted() ? "No space left on device" : "File too large"), std::string::npos)
        << strErr;

    const LogContents log = ReadLog(strLog);
    EXPECT_GT(log.records.size(), 10u);
    for (size_t n = 0; n < log.records.size(); ++n) {
        if (!IsStampedRecordOf(log.records[n], NumberedLine(static_cast<long>(n)))) {
            ADD_FAILURE() << "record " << n << " is \"" << log.records[n] << "\"";
            break;
        }
    }
    EXPECT_EQ(log.strTorn, "") << "the record the disk had no room for is cut off";
    size_t nTold = 0;
    for (size_t pos = 0; (pos = strErr.find("Logging stopped", pos)) != std::string::npos; ++pos)
        ++nTold;
    EXPECT_EQ(nTold, 1u) << strErr;
    Figure("records_whole_torn_bytes", std::to_string(log.records.size()) + " " + std::to_string(log.strTorn.size()));
    Figure("told", strErr.substr(strErr.find("halyard-cli: ")));
}

}  // namespace
}  // namespace halyard::test
