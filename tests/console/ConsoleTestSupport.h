#pragma once
// halyard-cli's subcommands run in a thread of the test, as its main thread
// would run them: the test stands in for SIGTERM (an eventfd the context's
// signal source reads) and for the udev monitor (a device watch it fires).

#include <sys/eventfd.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <future>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "console/Commands.h"
#include "FakeDeviceWatch.h"
#include "platform/UniqueFd.h"

namespace halyard::test {

// An eventfd that reads as one signal.
class CTestSignal {
public:
    CTestSignal()
        : m_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
    {}
    int Fd() const { return m_fd.Get(); }
    void Raise()
    {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_fd.Get(), &one, sizeof(one));
    }
    int Take()
    {
        uint64_t count = 0;
        return ::read(m_fd.Get(), &count, sizeof(count)) == sizeof(count) ? SIGTERM : 0;
    }

private:
    CUniqueFd m_fd;
};

// A subcommand running in its own thread; its output is read once it ended.
class CCliRun {
public:
    explicit CCliRun(std::function<int(CliContext&)> command, IDeviceWatch* pWatch = nullptr)
        : m_context(m_out, m_err)
    {
        m_context.nSignalFd = m_signal.Fd();
        m_context.takeSignal = [this] { return m_signal.Take(); };
        m_context.pDeviceWatch = pWatch;
        m_result = std::async(std::launch::async, [this, command = std::move(command)] { return command(m_context); });
    }
    ~CCliRun()
    {
        if (m_result.valid()) {
            m_signal.Raise();
            m_result.wait();
        }
    }
    void Terminate() { m_signal.Raise(); }
    // The exit status, once the command has ended (-1 when it had not within the time).
    int Wait(std::chrono::seconds timeout = std::chrono::seconds(60))
    {
        if (m_result.wait_for(timeout) != std::future_status::ready)
            return -1;
        return m_result.get();
    }
    std::string Out() const { return m_out.str(); }
    std::string Err() const { return m_err.str(); }

private:
    std::ostringstream m_out;
    std::ostringstream m_err;
    CTestSignal m_signal;
    CliContext m_context;
    std::future<int> m_result;
};

}  // namespace halyard::test
