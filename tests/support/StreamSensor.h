#pragma once
// A sensor that streams whatever a test gives it at the pace of a serial line
// (10 bits a character at the baud rate asked) and loses none of it: where
// the simulated sensor drops what a full terminal does not take, as a line
// without flow control does, this one waits, so that "every line sent is in
// the log" does not depend on how fast the machine is. How often it had to
// wait is counted: a reader that keeps up never makes it wait.
//
// It answers the identification ("OK" with OK, "JM?" with the model code)
// and records every other command; its reader thread does that while the
// test's thread sends. Header-only; tests and the soak share it.

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "LineSplitter.h"
#include "PtyPair.h"
#include "platform/UniqueFd.h"

namespace halyard::test {

class CStreamSensor {
public:
    using Clock = std::chrono::steady_clock;

    explicit CStreamSensor(uint32_t dwBaud = 57600, int nModelCode = 630)
        : m_dwBaud(dwBaud)
        , m_nModelCode(nModelCode)
    {}
    ~CStreamSensor() { HangUp(); }
    CStreamSensor(const CStreamSensor&) = delete;
    CStreamSensor& operator=(const CStreamSensor&) = delete;

    bool Start()
    {
        m_wake = CUniqueFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
        if (!m_wake.IsValid() || !m_pty.Open())
            return false;
        m_bRunning = true;
        m_next = Clock::now();
        m_reader = std::thread([this] { ReadCommands(); });
        return true;
    }
    const std::string& DevicePath() const { return m_pty.SlavePath(); }

    // Writes the bytes as they are (no line end added) once the line is free
    // for them, waiting while the terminal is full; false when it stayed full
    // for nTimeoutMs or the sensor hung up.
    bool Send(std::string_view bytes, int nTimeoutMs = 30000)
    {
        m_next = std::max(m_next, Clock::now() - std::chrono::seconds(1));
        m_next += std::chrono::microseconds(bytes.size() * 10 * 1000000 / m_dwBaud);
        std::this_thread::sleep_until(m_next);
        return WriteAll(bytes, nTimeoutMs);
    }
    // A line with CR LF.
    bool SendLine(const std::string& strLine) { return Send(strLine + "\r\n"); }

    // Closes the terminal: the port sees a hang-up.
    void HangUp()
    {
        if (m_reader.joinable()) {
            const uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = ::write(m_wake.Get(), &one, sizeof one);
            m_reader.join();
        }
        std::lock_guard lock(m_writeMutex);
        m_bRunning = false;
        m_pty.Close();
    }

    std::vector<std::string> Commands() const
    {
        std::lock_guard lock(m_commandMutex);
        return m_commands;
    }
    bool Identified() const { return m_bIdentified; }
    // How many times a write found the terminal full.
    int Stalls() const { return m_nStalls; }

private:
    bool WriteAll(std::string_view bytes, int nTimeoutMs)
    {
        std::lock_guard lock(m_writeMutex);
        const auto deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
        while (!bytes.empty() && m_bRunning) {
            const ssize_t n = ::write(m_pty.MasterFd(), bytes.data(), bytes.size());
            if (n > 0) {
                bytes.remove_prefix(static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            ++m_nStalls;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            // A hang-up (the wake event) ends the wait too.
            std::array<pollfd, 2> fds{{{m_pty.MasterFd(), POLLOUT, 0}, {m_wake.Get(), POLLIN, 0}}};
            if (left.count() <= 0 || ::poll(fds.data(), fds.size(), static_cast<int>(left.count())) <= 0 ||
                fds[1].revents != 0)
                return false;
        }
        return bytes.empty();
    }

    void ReadCommands()
    {
        sim::CLineSplitter splitter;
        for (;;) {
            std::array<pollfd, 2> fds{{{m_pty.MasterFd(), POLLIN, 0}, {m_wake.Get(), POLLIN, 0}}};
            if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
                return;
            if (fds[1].revents != 0)
                return;
            char buffer[512];
            const ssize_t n = ::read(m_pty.MasterFd(), buffer, sizeof buffer);
            if (n <= 0) {
                // Nobody has the port open for a moment (EIO): look again later.
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            std::vector<std::string> lines;
            splitter.Feed(std::string_view(buffer, static_cast<size_t>(n)), lines);
            for (const std::string& strLine : lines)
                Answer(strLine);
        }
    }

    void Answer(const std::string& strCommand)
    {
        if (strCommand == "OK") {
            WriteAll("OK\r\n", 5000);
            return;
        }
        if (strCommand == "JM?") {
            char szCode[16];
            std::snprintf(szCode, sizeof szCode, "%05d\r\n", m_nModelCode);
            WriteAll(szCode, 5000);
            m_bIdentified = true;
            return;
        }
        std::lock_guard lock(m_commandMutex);
        m_commands.push_back(strCommand);
    }

    const uint32_t m_dwBaud;
    const int m_nModelCode;
    sim::CPtyPair m_pty;
    CUniqueFd m_wake;
    std::thread m_reader;
    std::mutex m_writeMutex;  // one writer at a time: the test's lines, the reader's answers
    bool m_bRunning = false;  // guarded by m_writeMutex once the reader runs
    Clock::time_point m_next;
    std::atomic<int> m_nStalls{0};
    std::atomic<bool> m_bIdentified{false};
    mutable std::mutex m_commandMutex;
    std::vector<std::string> m_commands;
};

}  // namespace halyard::test
