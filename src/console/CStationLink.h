#pragma once
// halyard-cli log as a station of a network: with --mqtt each record written
// to the log file also goes, through the station's journal, to an MQTT
// broker (CStationPublisher). CLogCommand calls Open before it looks for the
// sensor (the options and the state directory are checked), Connect once the
// sensor is known, and Stop when logging ends. Without --mqtt every call
// does nothing.
//
// Built from MqttStationLink.cpp where the network library is; NoMqtt.cpp
// stands in for it (no options, nothing to do) where it is not.

#include <memory>

#include "console/CliOptions.h"

namespace CLI {
class App;
}

namespace halyard {

class CConsoleSession;

// --mqtt and its options, --station, --state-dir and --mqtt-backlog-mb.
void AddStationOptions(CLI::App& log, StationOptions& options);

class CStationLink {
public:
    explicit CStationLink(CConsoleSession& session);
    ~CStationLink();
    CStationLink(const CStationLink&) = delete;
    CStationLink& operator=(const CStationLink&) = delete;

    // EXIT_DONE, or the exit status for what is wrong (said already).
    int Open(const StationOptions& options);
    int Connect();
    // Says "offline", waits a few seconds at most for the records in flight
    // and says how many wait for the next start.
    void Stop();

private:
    struct Impl;
    [[maybe_unused]] CConsoleSession& m_session;  // (unused where the network is not built)
    std::unique_ptr<Impl> m_pImpl;
};

}  // namespace halyard
