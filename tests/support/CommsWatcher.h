#pragma once
// Runs CommsCheckThreadProc on its own thread the way the document does:
// unnamed kill and exit events, the named data-in event opened by name, the
// hang-up event when given, then the start gate. Stop() signals kill, waits
// for the exit event and joins.
//
// WaitOutSilentTicks gives a positive sign, without a fixed sleep, that the
// watcher threads running meanwhile have had their ticks: a watcher of its own
// counts them and reports its silence.

#include <chrono>
#include <string>
#include <thread>

#include "MessageRecorder.h"
#include "WaitUntil.h"
#include "platform/WaitSet.h"
#include "serial/CommsCheckThread.h"

namespace halyard::test {

class CCommsWatcher {
public:
    ~CCommsWatcher() { Stop(); }

    void Start(IMessageTarget& target, const std::string& strDataInName, const std::string& strHangUpName,
               int nTickLimit)
    {
        m_data.hWnd = &target;
        m_data.hKillEvent = CreateAutoResetEvent();
        m_data.hExitEvent = CreateAutoResetEvent();
        m_data.hRunEvent = CreateAutoResetEvent();
        m_data.hDataEvent = CreateAutoResetEvent(strDataInName);
        if (!strHangUpName.empty())
            m_data.hHangUpEvent = CreateAutoResetEvent(strHangUpName);
        m_data.nTicks = 0;
        m_data.nTickLimit = nTickLimit;
        m_data.bTimedOut = false;
        m_thread = std::thread([this] { m_nResult = CommsCheckThreadProc(&m_data); });
        m_data.bRun = true;
        m_data.hRunEvent->Set();
    }

    // True when the thread confirmed its end within the stop wait.
    bool Stop()
    {
        if (!m_thread.joinable())
            return true;
        m_data.hKillEvent->Set();
        const bool bExited = WaitForEvent(*m_data.hExitEvent, 5000);
        m_thread.join();
        return bExited;
    }

    bool Running() const { return m_thread.joinable(); }
    CommsThreadData& Data() { return m_data; }
    uint32_t Result() const { return m_nResult; }

private:
    CommsThreadData m_data;
    std::thread m_thread;
    uint32_t m_nResult = 99;
};

// Starts a watcher of its own on an event nobody signals and waits until it
// reports nTicks silent ticks; by then every watcher that was already waiting
// has had as many ticks of its own to act on. False when the report did not
// come within the (generous) deadline.
inline bool WaitOutSilentTicks(int nTicks)
{
    CMessageRecorder witness;
    CCommsWatcher watcher;
    watcher.Start(witness, "", "", nTicks);
    return WaitUntil([&] { return witness.Count(WM_COMMS_EVENT, 0) == 1; }, std::chrono::seconds(60));
}

}  // namespace halyard::test
