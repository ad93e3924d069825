#pragma once
// The main view's timers 2 to 8 and the rules that start and stop them, kept
// apart from any window so that every front end behaves the same:
// - timer 2 (1000 ms) runs from Start() on;
// - timer 3 polls (WM_POLL_START restarts it with wParam seconds, WM_POLL_STOP
//   stops it) and timer 4 paces the daily log change (WM_ACCUM_START);
// - a data message arms the automatic "R?", "M?" and "XW?" (timers 5, 6, 7,
//   one-shot) while they are switched on (WM_AUTO_*_START);
// - timer 8 (500 ms) runs while a long sequence does.
// The front end owns the timers (ITimerService), calls OnTimer with each
// expiry and passes the expiries it is given back to the document. Methods
// that start a timer return false when it could not be started, for the front
// end to report. UI thread only.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/AppMessages.h"
#include "platform/ITimerService.h"

namespace halyard {

class CTimerSchedule {
public:
    // onExpired is called after the schedule's own bookkeeping for every
    // expiry of timers 2 to 8 (not for other ids).
    CTimerSchedule(ITimerService& timers, std::function<void(uint32_t nIDEvent)> onExpired);

    bool Start();
    // A received line, after its line feeds became blanks.
    bool DataLineReceived(const std::string& szData);
    bool OnPollStart(uintptr_t wParam);
    void OnPollStop();
    bool OnAccumStart(uintptr_t wParam);
    void OnAutoRStart(uintptr_t wParam) { m_bAutoR = wParam == TIMER_MSG_ON; }
    void OnAutoMStart(uintptr_t wParam) { m_bAutoM = wParam == TIMER_MSG_ON; }
    void OnAutoXWStart(uintptr_t wParam) { m_bAutoXW = wParam == TIMER_MSG_ON; }
    // Any of the document's messages: those about the timers above
    // (WM_POLL_START, WM_POLL_STOP, WM_ACCUM_START, WM_AUTO_*_START, and the
    // start and end messages of the long sequences) are acted on, the rest
    // ignored. False when a timer could not be started.
    bool OnDocMessage(uint32_t nMsg, uintptr_t wParam);
    // Start and end messages of a long sequence (wParam 1 starts it).
    bool OnSequenceProgress(uintptr_t wParam);
    // An expiry; ids other than 2 to 8 are ignored (false).
    bool OnTimer(uint32_t nIDEvent);

    uint32_t m_nClockTimer = 0;
    uint32_t m_nPollTimer = 0;
    uint32_t m_nAutoRTimer = 0;
    uint32_t m_nAutoMTimer = 0;
    uint32_t m_nAutoXWTimer = 0;
    uint32_t m_nProgressTimer = 0;
    uint32_t m_nAccumTimer = 0;
    bool m_bAutoR = false;
    bool m_bAutoRPending = false;
    bool m_bAutoM = false;
    bool m_bAutoMPending = false;
    bool m_bAutoXW = false;
    bool m_bAutoXWPending = false;

private:
    bool RestartTimer(uint32_t& nMember, uint32_t nID, int nElapseMs);
    void StopTimer(uint32_t& nMember);
    bool ArmAutoCommand(bool bOn, bool& bPending, uint32_t& nMember, uint32_t nID, int nElapseMs);

    ITimerService& m_timers;
    std::function<void(uint32_t)> m_onExpired;
};

}  // namespace halyard
