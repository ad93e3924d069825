#include "platform/WaitSet.h"

#include <poll.h>

#include <array>
#include <cerrno>
#include <chrono>

namespace halyard {

int WaitForAny(std::span<CAutoResetEvent* const> events, int nTimeoutMs, NativeHandle fd)
{
    using Clock = std::chrono::steady_clock;
    if (events.size() > kMaxWaitEvents)
        return kWaitFailed;
    const bool bForever = nTimeoutMs == kWaitForever;
    const auto deadline = Clock::now() + std::chrono::milliseconds(bForever ? 0 : nTimeoutMs);
    // On the stack: a wait is what a thread does for every line it passes on.
    std::array<pollfd, kMaxWaitEvents + 1> fds;
    size_t nFds = 0;
    for (CAutoResetEvent* event : events)
        fds[nFds++] = {event ? event->Fd() : -1, POLLIN, 0};
    if (fd >= 0)
        fds[nFds++] = {fd, POLLIN, 0};

    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const int nWait = bForever ? -1 : left.count() > 0 ? static_cast<int>(left.count()) : 0;
        const int nReady = ::poll(fds.data(), nFds, nWait);
        if (nReady < 0) {
            if (errno == EINTR)
                continue;
            return kWaitFailed;
        }
        // Lowest index first; another waiter may have taken an event between
        // poll and the read, in which case that index does not count.
        for (size_t i = 0; i < events.size(); ++i) {
            if ((fds[i].revents & POLLIN) && events[i]->TryConsume())
                return static_cast<int>(i);
        }
        if (fd >= 0 && (fds[nFds - 1].revents & (POLLIN | POLLHUP | POLLERR)))
            return static_cast<int>(events.size());
        if (!bForever && (nReady == 0 || Clock::now() >= deadline))
            return kWaitTimeout;
    }
}

}  // namespace halyard
