// The console loop's wait on Windows: WaitForMultipleObjects over the wake-up
// event and the watched handles. The wait reports the lowest signalled one
// and takes its signal; the others are looked at again without waiting, so
// that one pass serves everything that is ready, as poll does.
#include "console/CConsoleLoop.h"

// After the program's headers: its macros (WM_APP, MessageBox) would rename their names.
#include <windows.h>

namespace halyard {

namespace {

// The index of the first signalled handle from nFirst on, or -1 for none
// (after a failure, GetLastError tells why).
int FirstSignalled(const std::vector<HANDLE>& handles, size_t nFirst, DWORD dwWaitMs, bool& bFailed)
{
    const DWORD dwCount = static_cast<DWORD>(handles.size() - nFirst);
    const DWORD dwResult = ::WaitForMultipleObjects(dwCount, handles.data() + nFirst, FALSE, dwWaitMs);
    bFailed = dwResult == WAIT_FAILED;
    if (dwResult >= WAIT_OBJECT_0 && dwResult < WAIT_OBJECT_0 + dwCount)
        return static_cast<int>(nFirst + (dwResult - WAIT_OBJECT_0));
    if (dwResult >= WAIT_ABANDONED_0 && dwResult < WAIT_ABANDONED_0 + dwCount)
        return static_cast<int>(nFirst + (dwResult - WAIT_ABANDONED_0));
    return -1;
}

}  // namespace

SysResult CConsoleLoop::WaitForWork(int nWaitMs, std::vector<NativeHandle>& ready)
{
    std::vector<HANDLE> handles;
    handles.push_back(m_wake->Fd());
    for (const auto& watched : m_watched)
        handles.push_back(watched.first);
    if (handles.size() > MAXIMUM_WAIT_OBJECTS)
        return SysResult::Failure(ERROR_INVALID_PARAMETER);
    bool bFailed = false;
    const DWORD dwWaitMs = nWaitMs < 0 ? INFINITE : static_cast<DWORD>(nWaitMs);
    for (int nIndex = FirstSignalled(handles, 0, dwWaitMs, bFailed); nIndex >= 0;
         nIndex = FirstSignalled(handles, static_cast<size_t>(nIndex) + 1, 0, bFailed)) {
        if (nIndex > 0)
            ready.push_back(handles[static_cast<size_t>(nIndex)]);
        if (static_cast<size_t>(nIndex) + 1 == handles.size())
            break;
    }
    return bFailed ? SysResult::Failure(::GetLastError()) : SysResult();
}

}  // namespace halyard
