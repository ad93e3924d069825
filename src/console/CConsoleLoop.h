#pragma once
// The console front end's event loop, standing in for the window system's:
// - posted messages, from any thread, delivered in the order they were posted
//   (an eventfd wakes the loop when another thread posts; what the loop's own
//   handlers post goes in the same pass);
// - timers by id, as window timers are (SetTimer restarts a running one; a
//   timer fires until it is killed; a late timer fires once, not once for
//   every period missed);
// - handles to watch (signals, the device watch), each with the handler to
//   call when it is ready: file descriptors that are readable on Linux,
//   waitable objects that are signalled on Windows (the wait takes the signal
//   of an auto-reset object, so the handler finds it taken).
// The wait itself is the system's (poll on Linux, WaitForMultipleObjects on
// Windows, CConsoleLoopWait.cpp in the system's folder); the rest is the same.
// Run and RunUntil deliver everything on the calling thread, which is the
// document's UI thread.
//
// Nothing here throws. A loop whose wake-up event could not be created
// cannot run (Status() says why; a pass only quits). A wait that fails is
// told to the failure handler (once, until a wait works again) and tried
// again after a pause.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/AppMessages.h"
#include "platform/ITimerService.h"
#include "platform/AutoResetEvent.h"
#include "platform/NativeHandle.h"
#include "platform/SysError.h"

namespace halyard {

// Where a posted message goes: the frame's handlers or the views'.
enum class PostTarget { Frame, Views };

struct LoopMessage {
    PostTarget target;
    uint32_t nMsg;
    uintptr_t wParam;
    intptr_t lParam;
};

class CConsoleLoop : public ITimerService {
public:
    using Clock = std::chrono::steady_clock;

    CConsoleLoop();
    CConsoleLoop(const CConsoleLoop&) = delete;
    CConsoleLoop& operator=(const CConsoleLoop&) = delete;

    // Thread-safe, never blocks.
    void Post(const LoopMessage& message);

    uint32_t SetTimer(uint32_t nID, int nElapseMs) override;
    bool KillTimer(uint32_t nID) override;
    bool TimerRunning(uint32_t nID) const { return m_timers.count(nID) != 0; }

    // Success, or why the loop cannot run (its wake-up event could not be created).
    const SysResult& Status() const { return m_status; }

    void SetMessageHandler(std::function<void(const LoopMessage&)> onMessage);
    // Called on the loop's thread with the error of a wait that failed.
    void SetFailureHandler(std::function<void(const SysResult&)> onFailure);
    void SetTimerHandler(std::function<void(uint32_t nIDEvent)> onTimer);
    // The handler is called on the loop's thread each time fd is ready.
    void WatchFd(NativeHandle fd, std::function<void()> onReadable);
    void UnwatchFd(NativeHandle fd);

    // Handles everything that is due, waiting at most nMaxWaitMs (-1: until
    // something happens) for the first of it.
    void RunOnce(int nMaxWaitMs);
    // Runs until done() is true (checked after every pass) or the time-out
    // passes; the result is done()'s last value.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Runs until Quit().
    void Run();
    void Quit() { m_bQuit = true; }
    // After a Quit, for the loop to run again (to finish what the quit began).
    void ResetQuit() { m_bQuit = false; }
    bool QuitRequested() const { return m_bQuit; }

private:
    struct Timer {
        std::chrono::milliseconds period;
        Clock::time_point due;
    };

    int MillisecondsToNextTimer(int nMaxWaitMs) const;
    bool MessagesWaiting() const;
    void DeliverMessages();
    void FireDueTimers();
    void OnWaitFailed(const SysResult& failure);
    // Waits at most nWaitMs (-1: until something happens) for the wake-up
    // event or a watched handle; takes the wake-up's signal and puts the
    // watched handles that are ready into ready. A wait cut short by a signal
    // succeeds with nothing ready.
    SysResult WaitForWork(int nWaitMs, std::vector<NativeHandle>& ready);
    void CallWatchHandlers(const std::vector<NativeHandle>& ready);

    EventHandle m_wake;
    SysResult m_status;
    bool m_bWaitFailing = false;  // told the failure handler; cleared by a wait that works
    std::function<void(const SysResult&)> m_onFailure;
    mutable std::mutex m_mutex;
    std::deque<LoopMessage> m_queue;
    std::map<uint32_t, Timer> m_timers;
    std::vector<std::pair<NativeHandle, std::function<void()>>> m_watched;
    std::function<void(const LoopMessage&)> m_onMessage;
    std::function<void(uint32_t)> m_onTimer;
    bool m_bQuit = false;
    bool m_bTimersDeferred = false;  // the due timers waited one pass for messages
    // The thread that runs the loop (set by each pass).
    std::atomic<std::thread::id> m_loopThread;
};

}  // namespace halyard
