#include "console/CConsoleLoop.h"

#include <algorithm>
#include <thread>

namespace halyard {

namespace {

// How long a pass waits before it tries a failed wait again.
constexpr auto kFailedWaitPause = std::chrono::milliseconds(50);

}  // namespace

CConsoleLoop::CConsoleLoop()
    : m_wake(CreateAutoResetEvent())
{
    if (!m_wake)
        m_status = SysResult::FromErrno();
}

void CConsoleLoop::Post(const LoopMessage& message)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(message);
    }
    // The loop's own thread finds the message before it waits again; only
    // another thread has to wake it.
    if (m_wake && std::this_thread::get_id() != m_loopThread.load())
        m_wake->Set();
}

uint32_t CConsoleLoop::SetTimer(uint32_t nID, int nElapseMs)
{
    if (nID == 0 || nElapseMs <= 0)
        return 0;
    const std::chrono::milliseconds period(nElapseMs);
    m_timers[nID] = Timer{period, Clock::now() + period};
    return nID;
}

bool CConsoleLoop::KillTimer(uint32_t nID)
{
    return m_timers.erase(nID) != 0;
}

void CConsoleLoop::SetMessageHandler(std::function<void(const LoopMessage&)> onMessage)
{
    m_onMessage = std::move(onMessage);
}

void CConsoleLoop::SetFailureHandler(std::function<void(const SysResult&)> onFailure)
{
    m_onFailure = std::move(onFailure);
}

void CConsoleLoop::SetTimerHandler(std::function<void(uint32_t)> onTimer)
{
    m_onTimer = std::move(onTimer);
}

void CConsoleLoop::WatchFd(NativeHandle fd, std::function<void()> onReadable)
{
    UnwatchFd(fd);
    m_watched.emplace_back(fd, std::move(onReadable));
}

void CConsoleLoop::UnwatchFd(NativeHandle fd)
{
    std::erase_if(m_watched, [fd](const auto& watched) { return watched.first == fd; });
}

int CConsoleLoop::MillisecondsToNextTimer(int nMaxWaitMs) const
{
    int nWait = nMaxWaitMs;
    const auto now = Clock::now();
    for (const auto& [nID, timer] : m_timers) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(timer.due - now).count();
        const int nLeft = static_cast<int>(std::max<decltype(left)>(left, 0));
        if (nWait < 0 || nLeft < nWait)
            nWait = nLeft;
    }
    return nWait;
}

void CConsoleLoop::RunOnce(int nMaxWaitMs)
{
    if (!m_wake) {
        m_bQuit = true;
        return;
    }
    m_loopThread = std::this_thread::get_id();
    // Messages still queued are due now: posted on this thread, or left by
    // the pass that called the handler a loop runs inside.
    const int nWaitMs = MessagesWaiting() ? 0 : MillisecondsToNextTimer(nMaxWaitMs);
    std::vector<NativeHandle> ready;
    if (const SysResult waited = WaitForWork(nWaitMs, ready); !waited) {
        OnWaitFailed(waited);
        return;
    }
    m_bWaitFailing = false;

    DeliverMessages();
    // What those messages posted in turn (the views' share of the lines the
    // frame took) goes before a timer due now, so that a sequence step sees
    // the lines read; the timers wait one pass at most, which comes at once.
    if (m_bTimersDeferred || !MessagesWaiting()) {
        m_bTimersDeferred = false;
        FireDueTimers();
    } else {
        m_bTimersDeferred = true;
    }
    CallWatchHandlers(ready);
    // What the timers and the handles' handlers posted goes now, in the
    // same pass, not after another wait.
    if (!m_bQuit)
        DeliverMessages();
}

void CConsoleLoop::CallWatchHandlers(const std::vector<NativeHandle>& ready)
{
    for (const NativeHandle fd : ready) {
        // A handler may change what is watched: look it up again.
        const auto it = std::find_if(m_watched.begin(), m_watched.end(),
                                     [fd](const auto& watched) { return watched.first == fd; });
        if (it != m_watched.end()) {
            const auto handler = it->second;
            handler();
        }
    }
}

void CConsoleLoop::OnWaitFailed(const SysResult& failure)
{
    if (!m_bWaitFailing && m_onFailure)
        m_onFailure(failure);
    m_bWaitFailing = true;
    // Not at once again: a wait that keeps failing must not spin.
    std::this_thread::sleep_for(kFailedWaitPause);
}

bool CConsoleLoop::MessagesWaiting() const
{
    std::lock_guard lock(m_mutex);
    return !m_queue.empty();
}

void CConsoleLoop::DeliverMessages()
{
    // Those posted while these are handled wait for the next pass. One at a
    // time from the front, so that a loop run inside a handler keeps the
    // order too.
    size_t nWaiting = 0;
    {
        std::lock_guard lock(m_mutex);
        nWaiting = m_queue.size();
    }
    for (; nWaiting > 0; --nWaiting) {
        LoopMessage message{};
        {
            std::lock_guard lock(m_mutex);
            if (m_queue.empty())
                return;
            message = m_queue.front();
            m_queue.pop_front();
        }
        if (m_onMessage)
            m_onMessage(message);
    }
}

void CConsoleLoop::FireDueTimers()
{
    const auto now = Clock::now();
    std::vector<std::pair<Clock::time_point, uint32_t>> due;
    for (auto& [nID, timer] : m_timers) {
        if (timer.due > now)
            continue;
        due.emplace_back(timer.due, nID);
        timer.due += timer.period;
        if (timer.due <= now)
            timer.due = now + timer.period;
    }
    std::sort(due.begin(), due.end());
    for (const auto& [when, nID] : due) {
        // A handler before this one may have killed it.
        if (m_timers.count(nID) != 0 && m_onTimer)
            m_onTimer(nID);
    }
}

bool CConsoleLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || m_bQuit)
            return done();
        RunOnce(static_cast<int>(left));
    }
    return true;
}

void CConsoleLoop::Run()
{
    while (!m_bQuit)
        RunOnce(-1);
}

}  // namespace halyard
