// halyard-cli log when the port goes away and comes back (a USB adapter
// pulled and plugged in again): it waits, identifies the sensor again and
// goes on logging into the same file.
#include <gtest/gtest.h>

#include <filesystem>

#include "ConsoleTestSupport.h"
#include "SimFixture.h"
#include "TempFolder.h"

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

bool AwaitRecordCount(const std::string& strPath, size_t nRecords)
{
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (SplitCrLf(ReadWholeFile(strPath)).size() < nRecords) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

TEST(CliReconnect, ASensorThatHangsUpAndReturnsOnTheSamePathIsLoggedOnInTheSameFile)
{
    CTempFolder folder;
    // The stable name a udev rule or /dev/serial/by-id gives the adapter.
    const std::string strLink = folder.Path("ttyStation");
    const std::string strLog = folder.Path("station.LOG");
    auto first = std::make_unique<sim::CSimSensor>();
    ASSERT_TRUE(first->Start());
    std::filesystem::create_symlink(first->DevicePath(), strLink);

    CommonOptions options;
    options.strPort = strLink;
    options.dwBaud = 57600;
    LogOptions log;
    log.strFile = strLog;
    log.bNoAutoR = true;
    log.bNoStamp = true;
    CFakeDeviceWatch watch;
    CCliRun run([&](CliContext& c) { return RunLog(options, log, c); }, &watch);
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!std::filesystem::exists(strLog) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(std::filesystem::exists(strLog));

    for (int n = 1; n <= 50; ++n)
        first->SendLine("BEFORE " + std::to_string(n));
    ASSERT_TRUE(AwaitRecordCount(strLog, 50));
    first->HangUp();

    // Another sensor on the same path, as the adapter comes back.
    sim::CSimSensor second;
    ASSERT_TRUE(second.Start());
    std::filesystem::remove(strLink);
    std::filesystem::create_symlink(second.DevicePath(), strLink);
    first.reset();
    watch.Arrive(strLink);
    // It identifies the sensor ("OK", "JM?") before it logs again; what the
    // sensor sends before the port is open again is not received at all.
    // A probe line, sent until one is logged, tells that it is open.
    ASSERT_TRUE(second.WaitForCommands(2, 30s));
    const auto opened = std::chrono::steady_clock::now() + 30s;
    while (SplitCrLf(ReadWholeFile(strLog)).size() <= 50 && std::chrono::steady_clock::now() < opened) {
        second.SendLine("PROBE");
        std::this_thread::sleep_for(50ms);
    }
    for (int n = 1; n <= 50; ++n)
        second.SendLine("AFTER " + std::to_string(n));
    const auto finished = std::chrono::steady_clock::now() + 30s;
    while (ReadWholeFile(strLog).find("AFTER 50\r\n") == std::string::npos &&
           std::chrono::steady_clock::now() < finished)
        std::this_thread::sleep_for(5ms);
    run.Terminate();
    EXPECT_EQ(run.Wait(), EXIT_DONE) << run.Err();

    std::vector<std::string> records = SplitCrLf(ReadWholeFile(strLog));
    ASSERT_GE(records.size(), 100u) << run.Err();
    for (int n = 1; n <= 50; ++n)
        ASSERT_EQ(records[static_cast<size_t>(n - 1)], "BEFORE " + std::to_string(n));
    std::erase(records, "PROBE");
    ASSERT_EQ(records.size(), 100u) << "each line once";
    for (int n = 1; n <= 50; ++n)
        ASSERT_EQ(records[static_cast<size_t>(n + 49)], "AFTER " + std::to_string(n));
    EXPECT_NE(run.Err().find("waiting for it to come back"), std::string::npos) << run.Err();
}

}  // namespace
}  // namespace halyard::test
