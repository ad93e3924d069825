#include "platform/AutoResetEvent.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace halyard {

CAutoResetEvent::CAutoResetEvent()
    : m_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{}

CAutoResetEvent::~CAutoResetEvent()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void CAutoResetEvent::Set()
{
    const uint64_t one = 1;
    // EAGAIN would mean the counter is near overflow: it is signalled anyway.
    [[maybe_unused]] ssize_t n = ::write(m_fd, &one, sizeof one);
}

void CAutoResetEvent::Reset()
{
    TryConsume();
}

bool CAutoResetEvent::TryConsume()
{
    // A read takes the whole counter, so any number of Set() calls give one signal.
    uint64_t value = 0;
    return ::read(m_fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value) && value > 0;
}

}  // namespace halyard
