#include "PtyPort.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace halyard::sim {

bool CPtyPort::Open()
{
    Close();
    {
        std::lock_guard lock(m_wakeMutex);
        if (pipe(m_anWakePipe.data()) != 0)
            return false;
        for (int nFd : m_anWakePipe) {
            fcntl(nFd, F_SETFL, fcntl(nFd, F_GETFL) | O_NONBLOCK);
            fcntl(nFd, F_SETFD, FD_CLOEXEC);
        }
    }
    if (m_pty.Open())
        return true;
    const int nError = errno;
    Close();
    errno = nError;
    return false;
}

void CPtyPort::Close()
{
    m_pty.Close();
    std::lock_guard lock(m_wakeMutex);
    for (int& nFd : m_anWakePipe) {
        if (nFd >= 0)
            ::close(nFd);
        nFd = -1;
    }
}

bool CPtyPort::Wait(bool bWatchInput, int nTimeoutMs, bool& bInput)
{
    bInput = false;
    // poll skips a descriptor of -1.
    std::array<pollfd, 2> fds{{{bWatchInput ? m_pty.MasterFd() : -1, POLLIN, 0}, {m_anWakePipe[0], POLLIN, 0}}};
    const int nReady = ::poll(fds.data(), fds.size(), nTimeoutMs);
    if (nReady < 0)
        return errno == EINTR;
    if (nReady == 0)
        return true;
    if (fds[1].revents & POLLIN) {
        char abyDrain[64];
        while (::read(m_anWakePipe[0], abyDrain, sizeof abyDrain) > 0) {
        }
    }
    bInput = (fds[0].revents & POLLIN) != 0;
    return (fds[0].revents & (POLLERR | POLLNVAL)) == 0;
}

void CPtyPort::Wake()
{
    std::lock_guard lock(m_wakeMutex);
    if (m_anWakePipe[1] >= 0) {
        const char chWake = 1;
        [[maybe_unused]] const ssize_t nWritten = ::write(m_anWakePipe[1], &chWake, 1);
    }
}

size_t CPtyPort::Read(char* pBuffer, size_t nMax)
{
    const ssize_t nRead = ::read(m_pty.MasterFd(), pBuffer, nMax);
    return nRead > 0 ? static_cast<size_t>(nRead) : 0;
}

size_t CPtyPort::Write(const char* pBytes, size_t nLength)
{
    for (;;) {
        const ssize_t nWritten = ::write(m_pty.MasterFd(), pBytes, nLength);
        if (nWritten >= 0)
            return static_cast<size_t>(nWritten);
        if (errno != EINTR)
            return 0;
    }
}

}  // namespace halyard::sim
