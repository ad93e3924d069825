#include "CommsCheckThread.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>
#include <vector>

#include "platform/WaitSet.h"

namespace halyard {

namespace {

void Post(CommsThreadData& data, uint32_t nMsg, uintptr_t wParam)
{
    if (data.hWnd)
        data.hWnd->PostMessage(nMsg, wParam, 0);
}

uint32_t EndThread(CommsThreadData& data)
{
    if (data.hExitEvent)
        data.hExitEvent->Set();
    Post(data, WM_THREAD_END, 0);
    return 0;
}

// Waits for the start gate without spinning. False when the thread was told to
// end before it was let go.
bool WaitForRun(CommsThreadData& data)
{
    std::vector<CAutoResetEvent*> waitSet;
    if (data.hKillEvent)
        waitSet.push_back(data.hKillEvent.get());
    if (data.hRunEvent)
        waitSet.push_back(data.hRunEvent.get());
    while (!data.bRun) {
        const int nResult = waitSet.empty() ? kWaitFailed : WaitForAny(waitSet, COMMS_CHECK_TICK_MS);
        if (nResult == 0 && data.hKillEvent)
            return false;
        if (nResult == kWaitFailed)
            std::this_thread::sleep_for(std::chrono::milliseconds(COMMS_CHECK_TICK_MS));
    }
    return true;
}

// How long the next wait may last: the rest of the silence that makes a
// time-out, in whole 50 ms passes, or for ever once it has been reported (or
// when no limit is set). Waiting out the silence in one wait instead of 50 ms
// passes reports at the same moment without waking 20 times a second.
int NextWaitMs(const CommsThreadData& data)
{
    if (data.bTimedOut || data.nTicks >= data.nTickLimit)
        return kWaitForever;
    const int64_t nLeft = static_cast<int64_t>(data.nTickLimit - data.nTicks) * COMMS_CHECK_TICK_MS;
    return static_cast<int>(std::min<int64_t>(nLeft, std::numeric_limits<int>::max()));
}

void CountSilence(CommsThreadData& data, int nWaitedMs)
{
    if (data.bTimedOut || data.nTicks >= data.nTickLimit)
        return;
    data.nTicks += nWaitedMs / COMMS_CHECK_TICK_MS;
    if (data.nTicks >= data.nTickLimit) {
        data.nTicks = data.nTickLimit;
        data.bTimedOut = true;
        Post(data, WM_COMMS_EVENT, COMMS_EVENT_TIMEOUT);
    }
}

}  // namespace

uint32_t CommsCheckThreadProc(CommsThreadData* lpParam)
{
    if (!lpParam)
        return 1;
    CommsThreadData& data = *lpParam;
    if (!WaitForRun(data))
        return EndThread(data);

    // kill, data-in and, when the serial object gave one, its hang-up event
    std::vector<CAutoResetEvent*> waitSet{data.hKillEvent.get(), data.hDataEvent.get()};
    if (data.hHangUpEvent)
        waitSet.push_back(data.hHangUpEvent.get());
    for (;;) {
        const int nWaitMs = NextWaitMs(data);
        const int nResult = WaitForAny(waitSet, nWaitMs);
        if (nResult == kWaitTimeout) {
            CountSilence(data, nWaitMs);
        } else if (nResult == 0 || nResult == 2) {
            return EndThread(data);
        } else if (nResult == 1) {
            data.bTimedOut = false;
            data.nTicks = 0;
            Post(data, WM_COMMS_EVENT, COMMS_EVENT_DATA);
        } else {
            // a failed wait: pause one pass rather than retry at once
            std::this_thread::sleep_for(std::chrono::milliseconds(COMMS_CHECK_TICK_MS));
        }
    }
}

}  // namespace halyard
