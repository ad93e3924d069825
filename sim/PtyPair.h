// CPtyPair: the pseudo-terminal of a simulated sensor. It owns the master,
// which the sensor thread reads and writes (non-blocking), and keeps the slave
// open as well without ever reading it, so that the master does not see EIO
// while no client has the port open and a client can close and reopen it.
// Opened and closed by CSimSensor on its owning thread; not shared.
#pragma once

#include <string>

namespace halyard::sim {

class CPtyPair {
public:
    CPtyPair() = default;
    ~CPtyPair();
    CPtyPair(const CPtyPair&) = delete;
    CPtyPair& operator=(const CPtyPair&) = delete;

    // Creates the pair with the slave in raw mode; false (and errno set) on failure.
    bool Open();
    // Closes master and slave: a client that has the slave open sees a hang-up.
    void Close();

    bool IsOpen() const { return m_nMaster >= 0; }
    int MasterFd() const { return m_nMaster; }
    const std::string& SlavePath() const { return m_strSlavePath; }

private:
    int m_nMaster = -1;
    int m_nSlave = -1;
    std::string m_strSlavePath;
};

}  // namespace halyard::sim
