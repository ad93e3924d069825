#include "platform/WaitSet.h"

#include <windows.h>

#include <array>

namespace halyard {

int WaitForAny(std::span<CAutoResetEvent* const> events, int nTimeoutMs, NativeHandle fd)
{
    if (events.size() > kMaxWaitEvents)
        return kWaitFailed;
    // Missing events take no place in the system's wait; each handle there
    // knows the index it stands for.
    std::array<HANDLE, kMaxWaitEvents + 1> handles;
    std::array<int, kMaxWaitEvents + 1> indices;
    DWORD nHandles = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i] != nullptr && events[i]->IsValid()) {
            handles[nHandles] = events[i]->Fd();
            indices[nHandles++] = static_cast<int>(i);
        }
    }
    if (fd != kNoHandle) {
        handles[nHandles] = fd;
        indices[nHandles++] = static_cast<int>(events.size());
    }
    const bool bForever = nTimeoutMs == kWaitForever;
    const DWORD dwTimeout = bForever ? INFINITE : static_cast<DWORD>(nTimeoutMs > 0 ? nTimeoutMs : 0);
    if (nHandles == 0) {
        if (bForever)
            return kWaitFailed;  // nothing could ever end it
        ::Sleep(dwTimeout);
        return kWaitTimeout;
    }
    // The system reports the lowest signalled index and resets only that
    // event; the others stay signalled.
    const DWORD dwResult = ::WaitForMultipleObjects(nHandles, handles.data(), FALSE, dwTimeout);
    if (dwResult < WAIT_OBJECT_0 + nHandles)
        return indices[dwResult - WAIT_OBJECT_0];
    if (dwResult == WAIT_TIMEOUT)
        return kWaitTimeout;
    return kWaitFailed;
}

}  // namespace halyard
