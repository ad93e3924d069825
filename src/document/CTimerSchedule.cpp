#include "document/CTimerSchedule.h"

#include <array>
#include <climits>

#include "document/Framing.h"
#include "platform/AppMessages.h"

namespace halyard {

namespace {

constexpr int kClockMs = 1000;
constexpr int kDailyLogMs = 5000;
constexpr int kAutoRMs = 500;
constexpr int kAutoMMs = 1250;
constexpr int kAutoXWMs = 750;
constexpr int kSequenceMs = 500;

}  // namespace

CTimerSchedule::CTimerSchedule(ITimerService& timers, std::function<void(uint32_t)> onExpired)
    : m_timers(timers)
    , m_onExpired(std::move(onExpired))
{}

bool CTimerSchedule::Start()
{
    return RestartTimer(m_nClockTimer, TIMER_CLOCK, kClockMs);
}

bool CTimerSchedule::DataLineReceived(const std::string& szData)
{
    if (!DataMessageReceived(szData))
        return true;
    bool bOk = ArmAutoCommand(m_bAutoR, m_bAutoRPending, m_nAutoRTimer, TIMER_AUTO_R, kAutoRMs);
    bOk = ArmAutoCommand(m_bAutoM, m_bAutoMPending, m_nAutoMTimer, TIMER_AUTO_M, kAutoMMs) && bOk;
    return ArmAutoCommand(m_bAutoXW, m_bAutoXWPending, m_nAutoXWTimer, TIMER_AUTO_XW, kAutoXWMs) && bOk;
}

bool CTimerSchedule::ArmAutoCommand(bool bOn, bool& bPending, uint32_t& nMember, uint32_t nID, int nElapseMs)
{
    // A data message arms a one-shot; the next one within the period only
    // clears the toggle (the armed timer still fires), the one after that
    // arms it again.
    if (!bOn)
        return true;
    bPending = !bPending;
    return !bPending || RestartTimer(nMember, nID, nElapseMs);
}

bool CTimerSchedule::OnPollStart(uintptr_t wParam)
{
    const auto nMs = static_cast<unsigned long long>(wParam) * 1000ULL;
    // A period that does not fit is refused by the timers like any other.
    return RestartTimer(m_nPollTimer, TIMER_POLL, nMs > INT_MAX ? -1 : static_cast<int>(nMs));
}

void CTimerSchedule::OnPollStop()
{
    StopTimer(m_nPollTimer);
}

bool CTimerSchedule::OnAccumStart(uintptr_t wParam)
{
    if (wParam == TIMER_MSG_ON)
        return RestartTimer(m_nAccumTimer, TIMER_DAILY_LOG, kDailyLogMs);
    StopTimer(m_nAccumTimer);
    return true;
}

bool CTimerSchedule::OnDocMessage(uint32_t nMsg, uintptr_t wParam)
{
    switch (nMsg) {
    case WM_POLL_START:
        return OnPollStart(wParam);
    case WM_POLL_STOP:
        OnPollStop();
        return true;
    case WM_ACCUM_START:
        return OnAccumStart(wParam);
    case WM_AUTO_R_START:
        OnAutoRStart(wParam);
        return true;
    case WM_AUTO_M_START:
        OnAutoMStart(wParam);
        return true;
    case WM_AUTO_XW_START:
        OnAutoXWStart(wParam);
        return true;
    case WM_INIT_START:
    case WM_START_SEQ:
    case WM_ALS_DUMP:
    case WM_PARAM_LOAD:
        return OnSequenceProgress(wParam);
    default:
        return true;
    }
}

bool CTimerSchedule::OnSequenceProgress(uintptr_t wParam)
{
    if (wParam == SEQUENCE_STARTED)
        return RestartTimer(m_nProgressTimer, TIMER_SEQUENCE, kSequenceMs);
    StopTimer(m_nProgressTimer);
    return true;
}

bool CTimerSchedule::OnTimer(uint32_t nIDEvent)
{
    switch (nIDEvent) {
    case TIMER_CLOCK:
    case TIMER_POLL:
    case TIMER_SEQUENCE:
        break;
    case TIMER_DAILY_LOG:
        StopTimer(m_nAccumTimer);
        break;
    case TIMER_AUTO_R:
        m_bAutoRPending = false;
        StopTimer(m_nAutoRTimer);
        break;
    case TIMER_AUTO_M:
        m_bAutoMPending = false;
        StopTimer(m_nAutoMTimer);
        break;
    case TIMER_AUTO_XW:
        m_bAutoXWPending = false;
        StopTimer(m_nAutoXWTimer);
        break;
    default:
        return false;
    }
    if (m_onExpired)
        m_onExpired(nIDEvent);
    return true;
}

bool CTimerSchedule::RestartTimer(uint32_t& nMember, uint32_t nID, int nElapseMs)
{
    StopTimer(nMember);
    nMember = m_timers.SetTimer(nID, nElapseMs);
    return nMember != 0;
}

void CTimerSchedule::StopTimer(uint32_t& nMember)
{
    if (nMember != 0)
        m_timers.KillTimer(nMember);
    nMember = 0;
}

}  // namespace halyard
