// Ctrl-C, Ctrl-Break and a closing console window on Windows. The system
// calls the control handler on a thread of its own; the handler notes the
// request, signals the event the loop watches and says it was handled, so
// that the program stops as it does at SIGINT. For a closing window the
// system ends the process once the handler returns, so there the handler
// waits (5 s at most) until the watch is gone, that is until the program
// has closed its files and its port.
#include "console/CSignalWatch.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <memory>
#include <mutex>

#include "platform/windows/UniqueHandle.h"

namespace halyard {

namespace {

constexpr DWORD kCloseWaitMs = 5000;

struct ControlTarget {
    UniqueHandle hRequest;  // auto-reset: signalled at each request
    UniqueHandle hGone;     // manual-reset: signalled when the watch goes
    std::atomic<int> nPending{0};
};

std::mutex g_mutex;
ControlTarget* g_pTarget = nullptr;  // the watch alive, guarded by g_mutex

int SignalFor(DWORD dwCtrlType)
{
    switch (dwCtrlType) {
    case CTRL_C_EVENT:
        return SIGINT;
    case CTRL_BREAK_EVENT:
        return SIGBREAK;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        return SIGTERM;
    default:
        return 0;
    }
}

BOOL WINAPI OnConsoleControl(DWORD dwCtrlType)
{
    const int nSignal = SignalFor(dwCtrlType);
    HANDLE hGone = nullptr;
    {
        std::lock_guard lock(g_mutex);
        if (nSignal == 0 || g_pTarget == nullptr)
            return FALSE;
        g_pTarget->nPending = nSignal;
        ::SetEvent(g_pTarget->hRequest.get());
        if (nSignal == SIGTERM)
            ::DuplicateHandle(::GetCurrentProcess(), g_pTarget->hGone.get(), ::GetCurrentProcess(), &hGone, 0,
                              FALSE, DUPLICATE_SAME_ACCESS);
    }
    if (hGone != nullptr) {
        ::WaitForSingleObject(hGone, kCloseWaitMs);
        ::CloseHandle(hGone);
    }
    return TRUE;
}

}  // namespace

struct CSignalWatch::State {
    ControlTarget target;
    bool bHandlerSet = false;
};

CSignalWatch::CSignalWatch()
    : m_pState(std::make_unique<State>())
{
    ControlTarget& target = m_pState->target;
    target.hRequest.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    target.hGone.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!target.hRequest || !target.hGone) {
        target.hRequest.reset();
        return;
    }
    {
        std::lock_guard lock(g_mutex);
        g_pTarget = &target;
    }
    m_pState->bHandlerSet = ::SetConsoleCtrlHandler(OnConsoleControl, TRUE) != FALSE;
}

CSignalWatch::~CSignalWatch()
{
    if (m_pState->bHandlerSet)
        ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    std::lock_guard lock(g_mutex);
    if (g_pTarget == &m_pState->target)
        g_pTarget = nullptr;
    if (m_pState->target.hGone)
        ::SetEvent(m_pState->target.hGone.get());
}

bool CSignalWatch::IsValid() const
{
    return m_pState->bHandlerSet;
}

NativeHandle CSignalWatch::Fd() const
{
    return IsValid() ? m_pState->target.hRequest.get() : kNoHandle;
}

int CSignalWatch::Take()
{
    // The loop's wait has taken the event's signal already; the request stays.
    return m_pState->target.nPending.exchange(0);
}

}  // namespace halyard
