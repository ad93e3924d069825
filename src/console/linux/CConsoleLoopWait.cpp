// The console loop's wait on Linux: poll over the wake-up event's descriptor
// and the watched descriptors.
#include <poll.h>

#include <cerrno>

#include "console/CConsoleLoop.h"

namespace halyard {

SysResult CConsoleLoop::WaitForWork(int nWaitMs, std::vector<NativeHandle>& ready)
{
    std::vector<pollfd> fds;
    fds.push_back({m_wake->Fd(), POLLIN, 0});
    for (const auto& watched : m_watched)
        fds.push_back({watched.first, POLLIN, 0});
    const int nReady = ::poll(fds.data(), fds.size(), nWaitMs);
    if (nReady < 0)
        return errno == EINTR ? SysResult() : SysResult::FromErrno();
    if ((fds[0].revents & POLLIN) != 0)
        m_wake->TryConsume();
    for (size_t n = 1; nReady > 0 && n < fds.size(); ++n) {
        if ((fds[n].revents & (POLLIN | POLLHUP | POLLERR)) != 0)
            ready.push_back(fds[n].fd);
    }
    return {};
}

}  // namespace halyard
