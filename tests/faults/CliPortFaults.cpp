// halyard-cli on a port it cannot have: one already open elsewhere, one that
// does not exist, one it may not open. Each gets a line that says which and
// why, exit status 3, and no wait for a sensor. Root passes permission
// checks, so the refused port is tried by a child that has become "nobody"
// (its groups dropped, setgid and setuid before the program starts) on a
// terminal that is not its own.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "CliProcess.h"
#include "FaultSupport.h"
#include "StreamSensor.h"
#include "platform/SerialDevice.h"

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

struct PortRun {
    std::string strCommand;
    int nExit = -1;
    std::string strErr;
};

// identify, and log as a station runs it, on the device.
std::vector<PortRun> RunOn(const std::string& strDevice, CCliProcess::Options options = {})
{
    CTempFolder folder;
    std::vector<PortRun> runs;
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"identify"}, std::vector<std::string>{"log", folder.Path("station.LOG")}}) {
        std::vector<std::string> args = {"--port", strDevice};
        args.insert(args.end(), command.begin(), command.end());
        CCliProcess cli(HALYARD_CLI_PROGRAM, args, folder.Path("cli.out"), options);
        PortRun run;
        run.strCommand = command.front();
        run.nExit = cli.Wait(60s);
        run.strErr = ReadWholeFile(folder.Path("cli.out.err"));
        Figure(run.strCommand, "exit " + std::to_string(run.nExit) + ": " + run.strErr);
        EXPECT_FALSE(std::filesystem::exists(folder.Path("station.LOG"))) << "no log without a port";
        runs.push_back(run);
    }
    return runs;
}

TEST(CliPort, APortOpenElsewhereIsBusy)
{
    CStreamSensor sensor;
    ASSERT_TRUE(sensor.Start());
    CSerialDevice other;
    ASSERT_TRUE(other.Open(sensor.DevicePath(), 9600, 8, NOPARITY, ONESTOPBIT));
    for (const PortRun& run : RunOn(sensor.DevicePath())) {
        EXPECT_EQ(run.nExit, 3) << run.strCommand;
        EXPECT_NE(run.strErr.find(sensor.DevicePath() + ") could not be opened: Device or resource busy"),
                  std::string::npos)
            << run.strCommand << ": " << run.strErr;
    }
    EXPECT_FALSE(sensor.Identified()) << "nothing was sent to a port in use";
}

TEST(CliPort, AMissingPortIsSaidToBeMissing)
{
    CTempFolder folder;
    for (const PortRun& run : RunOn(folder.Path("ttyUSB9"))) {
        EXPECT_EQ(run.nExit, 3) << run.strCommand;
        EXPECT_NE(run.strErr.find("ttyUSB9) could not be opened: No such file or directory"), std::string::npos)
            << run.strCommand << ": " << run.strErr;
    }
}

TEST(CliPort, APortThatMayNotBeOpenedSaysSoAndNamesTheGroup)
{
    CStreamSensor sensor;
    ASSERT_TRUE(sensor.Start());
    // Owner, group and others may neither read nor write it; root's child
    // becomes nobody, anyone else is refused as they are.
    ASSERT_EQ(::chmod(sensor.DevicePath().c_str(), 0), 0);
    CCliProcess::Options options;
    options.bAsNobody = ::geteuid() == 0;
    for (const PortRun& run : RunOn(sensor.DevicePath(), options)) {
        EXPECT_EQ(run.nExit, 3) << run.strCommand;
        EXPECT_NE(run.strErr.find(") could not be opened: Permission denied"), std::string::npos)
            << run.strCommand << ": " << run.strErr;
        EXPECT_NE(run.strErr.find("dialout group"), std::string::npos) << run.strCommand << ": " << run.strErr;
    }
    EXPECT_FALSE(sensor.Identified());
}

}  // namespace
}  // namespace halyard::test
