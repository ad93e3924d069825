// CPtyPort: a simulated sensor's line on the master side of a pseudo-terminal
// (CPtyPair), which any serial program can open by the slave's path, with a
// pipe that wakes the sensor's thread from its poll.
#pragma once

#include <array>
#include <mutex>

#include "PtyPair.h"
#include "SimPort.h"

namespace halyard::sim {

class CPtyPort : public ISimPort {
public:
    CPtyPort() = default;
    ~CPtyPort() override { Close(); }
    CPtyPort(const CPtyPort&) = delete;
    CPtyPort& operator=(const CPtyPort&) = delete;

    bool Open() override;
    void Close() override;
    const std::string& Path() const override { return m_pty.SlavePath(); }
    bool Wait(bool bWatchInput, int nTimeoutMs, bool& bInput) override;
    void Wake() override;
    size_t Read(char* pBuffer, size_t nMax) override;
    size_t Write(const char* pBytes, size_t nLength) override;
    bool ClientHasInput() const override { return m_pty.SlaveHasInput(); }

private:
    CPtyPair m_pty;
    std::mutex m_wakeMutex;  // guards the pipe's descriptors against Close
    std::array<int, 2> m_anWakePipe{-1, -1};
};

}  // namespace halyard::sim
