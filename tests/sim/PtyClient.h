// CPtyClient: the far end of a simulated sensor's pseudo-terminal, as a
// serial program would open it (plain termios, raw). Integration tests write
// command lines and read replies with a deadline, never with a fixed sleep.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <string>

namespace halyard::sim::test {

class CPtyClient {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kDeadline{5000};

    explicit CPtyClient(const std::string& strPath)
    {
        m_nFd = ::open(strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios tio{};
        if (m_nFd >= 0 && tcgetattr(m_nFd, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(m_nFd, TCSANOW, &tio);
        }
    }
    ~CPtyClient() { Close(); }
    CPtyClient(const CPtyClient&) = delete;
    CPtyClient& operator=(const CPtyClient&) = delete;

    bool IsOpen() const { return m_nFd >= 0; }
    void Close()
    {
        if (m_nFd >= 0)
            ::close(m_nFd);
        m_nFd = -1;
    }
    // Drops what the sensor sent before (the start-up line, stale data).
    void Flush()
    {
        tcflush(m_nFd, TCIFLUSH);
        m_strBuffer.clear();
    }

    bool Write(const std::string& strBytes) const
    {
        return ::write(m_nFd, strBytes.data(), strBytes.size()) == static_cast<ssize_t>(strBytes.size());
    }
    bool WriteLine(const std::string& strCommand) const { return Write(strCommand + "\r\n"); }

    // The next line ending at `chEnd`, without that byte and without a CR
    // before an LF; nothing when the deadline passes first.
    std::optional<std::string> ReadLine(char chEnd = '\n', std::chrono::milliseconds timeout = kDeadline)
    {
        const Clock::time_point deadline = Clock::now() + timeout;
        for (;;) {
            const size_t nEnd = m_strBuffer.find(chEnd);
            if (nEnd != std::string::npos) {
                std::string strLine = m_strBuffer.substr(0, nEnd);
                m_strBuffer.erase(0, nEnd + 1);
                if (chEnd == '\n' && !strLine.empty() && strLine.back() == '\r')
                    strLine.pop_back();
                return strLine;
            }
            if (!ReadSome(deadline))
                return std::nullopt;
        }
    }

    // Sends a command and returns the next line.
    std::optional<std::string> Ask(const std::string& strCommand)
    {
        if (!WriteLine(strCommand))
            return std::nullopt;
        return ReadLine();
    }

    // True once the port reports a hang-up: POLLHUP, EIO or a read of 0 bytes.
    bool WaitForHangUp()
    {
        const Clock::time_point deadline = Clock::now() + kDeadline;
        while (Clock::now() < deadline) {
            pollfd fd{m_nFd, POLLIN, 0};
            if (::poll(&fd, 1, 20) > 0) {
                if (fd.revents & (POLLHUP | POLLERR))
                    return true;
                char abyData[256];
                const ssize_t nRead = ::read(m_nFd, abyData, sizeof abyData);
                if (nRead == 0 || (nRead < 0 && (errno == EIO || errno == ENXIO)))
                    return true;
            }
        }
        return false;
    }

    const std::string& Pending() const { return m_strBuffer; }

    // True when bytes from the sensor are waiting to be read, now.
    bool InputWaiting() const
    {
        pollfd fd{m_nFd, POLLIN, 0};
        return !m_strBuffer.empty() || (::poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN));
    }

private:
    bool ReadSome(Clock::time_point deadline)
    {
        while (Clock::now() < deadline) {
            pollfd fd{m_nFd, POLLIN, 0};
            if (::poll(&fd, 1, 20) <= 0 || !(fd.revents & POLLIN))
                continue;
            char abyData[8192];
            const ssize_t nRead = ::read(m_nFd, abyData, sizeof abyData);
            if (nRead > 0) {
                m_strBuffer.append(abyData, static_cast<size_t>(nRead));
                return true;
            }
        }
        return false;
    }

    int m_nFd = -1;
    std::string m_strBuffer;
};

}  // namespace halyard::sim::test
