#pragma once
// The document's watcher thread: waits on the data-in event its serial link
// gives (ISerialLink::DataInEvent) and turns each signal into WM_COMMS_EVENT
// (wParam 1) for the main frame; nTickLimit consecutive 50 ms waits without
// data give one WM_COMMS_EVENT with wParam 0 per silence. It also ends on the
// link's hang-up event. On ending it signals hExitEvent and posts WM_THREAD_END.
//
// It touches only its CommsThreadData and posts messages; the document writes
// the block only while the thread is stopped, except bRun.

#include <atomic>
#include <cstdint>

#include "platform/AppMessages.h"
#include "platform/AutoResetEvent.h"

namespace halyard {

// One wait of the watcher: nTickLimit counts these.
constexpr int COMMS_CHECK_TICK_MS = 50;

struct CommsThreadData {
    IMessageTarget* hWnd = nullptr;
    std::atomic<bool> bRun{false};
    EventHandle hKillEvent;
    EventHandle hExitEvent;
    EventHandle hDataEvent;
    EventHandle hHangUpEvent;  // the serial link's hang-up event; may be null
    int32_t nTicks = 0;
    int32_t nTickLimit = 0;
    bool bTimedOut = false;
    // Set by the starter after bRun; the thread waits on it instead of spinning.
    EventHandle hRunEvent;
};

// Thread body; returns 1 at once for a null block, 0 when it ends.
uint32_t CommsCheckThreadProc(CommsThreadData* lpParam);

}  // namespace halyard
