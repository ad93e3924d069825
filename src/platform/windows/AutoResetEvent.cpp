#include "platform/AutoResetEvent.h"

#include <windows.h>

namespace halyard {

// Unnamed auto-reset event objects: names are the process's own registry's.
CAutoResetEvent::CAutoResetEvent()
    : m_fd(::CreateEventW(nullptr, FALSE, FALSE, nullptr))
{}

CAutoResetEvent::~CAutoResetEvent()
{
    if (m_fd != kNoHandle)
        ::CloseHandle(m_fd);
}

void CAutoResetEvent::Set()
{
    ::SetEvent(m_fd);
}

void CAutoResetEvent::Reset()
{
    ::ResetEvent(m_fd);
}

bool CAutoResetEvent::TryConsume()
{
    // A satisfied wait on an auto-reset event resets it.
    return ::WaitForSingleObject(m_fd, 0) == WAIT_OBJECT_0;
}

}  // namespace halyard
