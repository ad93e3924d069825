// halyard-cli log with broker options that cannot work: refused before the
// sensor is looked for, with a message that says what is wrong and the exit
// status of the table; no log file is started.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "ScopedEnvironment.h"
#include "TempFolder.h"
#include "WaitUntil.h"
#include "network/StationRecord.h"

namespace halyard::test {
namespace {

TEST(StationCommandLine, WhatCannotWorkIsRefusedWithItsReasonAndExitStatus)
{
    CTempFolder folder;
    std::ofstream(folder.Path("plain-file")) << "x";
    const std::string strLog = folder.Path("station.LOG");
    struct Case {
        std::vector<std::string> args;
        int nExit;
        std::string strWhy;
    };
    const std::string strState = folder.Path("state");
    for (const Case& c : {
             Case{{"--mqtt", "tcp://broker"}, 2, "--mqtt tcp://broker: expected mqtt://host[:port]"},
             Case{{"--mqtt", "mqtt://broker:99999"}, 2, "the port must be a number from 1 to 65535"},
             Case{{"--mqtt", "mqtt://broker", "--station", "mast/1"}, 2, "\"mast/1\" cannot be a station's name"},
             Case{{"--mqtt", "mqtt://broker", "--station", "a+b"}, 2, "\"a+b\" cannot be a station's name"},
             Case{{"--station", "mast-1"}, 2, "--station requires --mqtt"},
             Case{{"--mqtt", "mqtt://broker", "--mqtt-ca", folder.Path("plain-file")}, 2, "need an mqtts:// URL"},
             Case{{"--mqtt", "mqtt://broker", "--mqtt-user", "u", "--mqtt-password-file", folder.Path("none")}, 5,
                  "--mqtt-password-file " + folder.Path("none") + ": No such file"},
             Case{{"--mqtt", "mqtt://broker", "--state-dir", folder.Path("plain-file/state")}, 5,
                  "the state directory cannot be used: " + folder.Path("plain-file/state")},
             Case{{"--mqtt", "mqtt://broker", "--mqtt-backlog-mb", "0"}, 2, "--mqtt-backlog-mb"},
         }) {
        SCOPED_TRACE(c.strWhy);
        std::vector<std::string> args = {"--simulate", "log", strLog};
        args.insert(args.end(), c.args.begin(), c.args.end());
        // Never the user's own state directory (--state-dir needs --mqtt).
        if (c.args[0] == "--mqtt" && std::find(args.begin(), args.end(), "--state-dir") == args.end())
            args.insert(args.end(), {"--state-dir", strState});
        CCliProcess run(HALYARD_CLI_PROGRAM, args, folder.Path("out"));
        EXPECT_EQ(run.Wait(), c.nExit);
        const std::string strErr = ReadWholeFile(folder.Path("out.err"));
        EXPECT_NE(strErr.find(c.strWhy), std::string::npos) << strErr;
        EXPECT_FALSE(std::filesystem::exists(strLog));
    }
}

// Without --station the station is the host, by its name up to the first
// dot; without --state-dir its journal is where systemd's StateDirectory=
// says (the first folder of $STATE_DIRECTORY).
TEST(StationCommandLine, TheStationIsNamedAfterTheHostAndKeptInTheServicesStateDirectoryUnlessTold)
{
    char szHost[256] = {};
    ASSERT_EQ(::gethostname(szHost, sizeof(szHost) - 1), 0);
    std::string strHost(szHost);
    strHost = strHost.substr(0, strHost.find('.'));
    CTempFolder folder;
    CScopedEnvironment stateDirectory("STATE_DIRECTORY", folder.Path("state") + ":" + folder.Path("other"));
    // Nothing listens on port 1: the station logs and keeps its records.
    CCliProcess run(HALYARD_CLI_PROGRAM,
                    {"--simulate", "log", folder.Path("station.LOG"), "--mqtt", "mqtt://127.0.0.1:1"},
                    folder.Path("out"));
    const bool bValid = IsValidStationName(strHost);
    const std::string strExpected =
        bValid ? "as station " + strHost : "the host name \"" + strHost + "\" cannot be the station's name";
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(folder.Path("out.err")).find(strExpected) != std::string::npos; },
                          std::chrono::seconds(60)))
        << ReadWholeFile(folder.Path("out.err"));
    run.Signal(SIGTERM);
    EXPECT_EQ(run.Wait(), bValid ? 0 : 2) << ReadWholeFile(folder.Path("out.err"));
    EXPECT_EQ(std::filesystem::exists(folder.Path("state/" + strHost + ".spool")), bValid);
}

}  // namespace
}  // namespace halyard::test
