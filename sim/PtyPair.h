// CPtyPair: the pseudo-terminal of a simulated sensor. It owns the master,
// which the sensor thread reads and writes (non-blocking), and keeps the slave
// open as well without ever reading it, so that the master does not see EIO
// while no client has the port open and a client can close and reopen it.
// Opened by CSimEngine before its thread runs and closed after the thread
// ends, or by the thread itself when it hangs up; never by two at once.
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
    // True while bytes written to the master wait for a reader of the slave,
    // those still on their way through the terminal included.
    bool SlaveHasInput() const;
    const std::string& SlavePath() const { return m_strSlavePath; }

private:
    int m_nMaster = -1;
    int m_nSlave = -1;
    std::string m_strSlavePath;
};

}  // namespace halyard::sim
