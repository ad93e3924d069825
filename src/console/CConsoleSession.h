#pragma once
// One run of halyard-cli: the console loop, the document's host, the document
// and the view's timer schedule, playing the frame and the view as the
// window does (the shared rules are the core's: HandleFrameMessage,
// TakeReceivedLines, CTimerSchedule, SequenceProgressFor). What the view
// would show goes to the error stream as lines; what a subcommand needs to
// see (received lines, the connection closing, logging or a sequence
// ending) reaches it through the hooks.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "console/CConsoleHost.h"
#include "console/CConsoleLoop.h"
#include "console/CliOptions.h"
#include "document/CHalyardDoc.h"
#include "document/CTimerSchedule.h"

namespace halyard {

namespace sim {
class CAppSimulator;
}

// How the identification before a connection went.
enum class ConnectResult { Connected, PortFailed, NoSensor };

struct SessionHooks {
    std::function<void(const std::string& strLine)> onLine;
    std::function<void(const std::string& strCommand)> onCommand;
    std::function<void()> onClosed;
    std::function<void(int32_t nReason)> onLogStopped;
    // A sequence's end message: its wParam (0 finished, 2 failed).
    std::function<void(uintptr_t wParam)> onSequenceEnd;
    // Each tick of the sequence timer while one runs.
    std::function<void()> onSequenceTick;
};

class CConsoleSession {
public:
    CConsoleSession(const CommonOptions& options, std::ostream& out, std::ostream& err);
    ~CConsoleSession();
    CConsoleSession(const CConsoleSession&) = delete;
    CConsoleSession& operator=(const CConsoleSession&) = delete;

    // Pins, the devices present and the simulated sensor; false (and said on
    // the error stream) when the loop cannot run, an option is wrong or the
    // sensor cannot start.
    bool SetUpPorts();
    // The COM number --port names (pinning a path that has none), or the
    // simulated sensor's; 0 (and said) when there is none.
    int ChoosePort();
    // Identifies the sensor on the chosen port and opens the connection.
    ConnectResult Connect();
    // Says that the chosen port could not be opened, with its device and the
    // system's reason (errno dwError).
    void WarnPortFailed(uint32_t dwError);
    // The exit status for a connect that failed.
    int ConnectFailureStatus(ConnectResult result) const;
    // SetUpPorts, ChoosePort and Connect: EXIT_DONE once connected, else
    // the exit status for what failed (said already).
    int OpenConnection();

    // Closes the connection once what was sent last went out: the serial
    // link writes from its own thread, so the last command (a "A?", a
    // sequence's restoring "OS") is given up to 3 s to be answered first.
    void CloseConnection();

    // Stops the loop at SIGINT or SIGTERM (watching fd), after onSignal.
    void WatchSignals(NativeHandle fd, std::function<int()> takeSignal);

    CConsoleLoop& Loop() { return m_loop; }
    CConsoleHost& Host() { return m_host; }
    CHalyardDoc& Doc() { return *m_pDoc; }
    std::ostream& Out() { return m_out; }
    std::ostream& Err() { return m_err; }
    const CommonOptions& Options() const { return m_options; }
    // A status line on the error stream, unless --quiet.
    void Say(const std::string& strLine);
    // A line the user must see whatever --quiet says.
    void Warn(const std::string& strLine);

    SessionHooks m_hooks;
    int m_nSignal = 0;

private:
    void OnMessage(const LoopMessage& message);
    void OnViewMessage(const LoopMessage& message);
    void OnTimer(uint32_t nIDEvent);
    void OnTimerExpired(uint32_t nIDEvent);
    void CheckTimerStarted(bool bStarted);

    CommonOptions m_options;
    std::ostream& m_out;
    std::ostream& m_err;
    CConsoleLoop m_loop;
    CConsoleHost m_host;
    std::unique_ptr<CHalyardDoc> m_pDoc;
    CTimerSchedule m_schedule;
    std::unique_ptr<sim::CAppSimulator> m_pSim;
    int m_nPort = 0;
    // A command went out and nothing was received since.
    bool m_bAwaitingReply = false;
};

}  // namespace halyard
