#pragma once
// A raw pseudo-terminal for integration tests: the test holds the master side
// and plays the sensor; the code under test opens SlavePath() as its serial
// port. Header-only. Reads wait with a deadline (10 s by default) instead of
// sleeping, so a slow machine only makes a test slower, never wrong.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <string_view>

namespace halyard::test {

class PtyPair {
public:
    PtyPair()
    {
        m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        char szName[128];
        if (m_fd >= 0 && ::grantpt(m_fd) == 0 && ::unlockpt(m_fd) == 0 &&
            ::ptsname_r(m_fd, szName, sizeof szName) == 0)
            m_strSlave = szName;
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool IsValid() const { return m_fd >= 0 && !m_strSlave.empty(); }
    int Master() const { return m_fd; }
    const std::string& SlavePath() const { return m_strSlave; }

    // The sensor goes away: the slave side sees a hang-up.
    void CloseMaster()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    // Writes all of text, waiting while the terminal is full.
    bool Write(std::string_view text, int nTimeoutMs = 10000)
    {
        const auto deadline = Now() + std::chrono::milliseconds(nTimeoutMs);
        while (!text.empty()) {
            const ssize_t n = ::write(m_fd, text.data(), text.size());
            if (n > 0) {
                text.remove_prefix(static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            if (!WaitFor(POLLOUT, deadline))
                return false;
        }
        return true;
    }

    // Reads what arrives until the text read so far contains strUntil or the
    // deadline passes; returns everything read (the caller checks it).
    std::string ReadUntil(const std::string& strUntil, int nTimeoutMs = 10000)
    {
        const auto deadline = Now() + std::chrono::milliseconds(nTimeoutMs);
        std::string strGot;
        while (strGot.find(strUntil) == std::string::npos) {
            char buffer[512];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                strGot.append(buffer, static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
            if (!WaitFor(POLLIN, deadline))
                break;
        }
        return strGot;
    }

    // Takes whatever is waiting now, without waiting.
    std::string Drain()
    {
        std::string strGot;
        char buffer[512];
        ssize_t n;
        while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0)
            strGot.append(buffer, static_cast<size_t>(n));
        return strGot;
    }

private:
    using Clock = std::chrono::steady_clock;
    static Clock::time_point Now() { return Clock::now(); }

    bool WaitFor(short nEvents, Clock::time_point deadline)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Now());
        if (left.count() <= 0)
            return false;
        pollfd pfd{m_fd, nEvents, 0};
        return ::poll(&pfd, 1, static_cast<int>(left.count())) > 0;
    }

    int m_fd = -1;
    std::string m_strSlave;
};

}  // namespace halyard::test
