#pragma once
// halyard-cli log: logging set up as the data capture page sets it up, until
// SIGINT or SIGTERM stops it as the page's Stop does. It writes the file it is
// given, by that name, and appends to one that is there (a station restarted
// keeps its records) unless told to empty it. When the port goes (a
// USB adapter pulled) it waits for the device to come back, identifies the
// sensor again and goes on logging into the same file.

#include <string>

#include "console/CConsoleSession.h"
#include "console/CStationLink.h"
#include "console/Commands.h"

namespace halyard {

class CLogCommand {
public:
    CLogCommand(const CommonOptions& options, const LogOptions& log, CliContext& context);
    int Run();

private:
    bool StartLog();
    bool StartPoll();
    void OnLogStopped(int32_t nReason);
    void OnDeviceEvent();
    void Reconnect();
    int Finish();

    LogOptions m_log;
    CliContext& m_context;
    CConsoleSession m_session;
    // With --mqtt, the records also go to a broker.
    CStationLink m_station;
    // The device the port is on, waited for when it vanished.
    std::string m_strDevice;
    bool m_bWaitingForDevice = false;
    int m_nExit = EXIT_DONE;
};

}  // namespace halyard
