#include "PtyPair.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace halyard::sim {

namespace {

bool SetFlags(int nFd)
{
    const int nFlags = fcntl(nFd, F_GETFL);
    return nFlags >= 0 && fcntl(nFd, F_SETFL, nFlags | O_NONBLOCK) == 0 &&
           fcntl(nFd, F_SETFD, FD_CLOEXEC) == 0;
}

}  // namespace

CPtyPair::~CPtyPair()
{
    Close();
}

bool CPtyPair::Open()
{
    Close();
    m_nMaster = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_nMaster < 0)
        return false;
    char szName[128] = {};
    bool bOk = SetFlags(m_nMaster) && grantpt(m_nMaster) == 0 && unlockpt(m_nMaster) == 0 &&
               ptsname_r(m_nMaster, szName, sizeof szName) == 0;
    if (bOk) {
        m_strSlavePath = szName;
        m_nSlave = open(szName, O_RDWR | O_NOCTTY | O_CLOEXEC);
        bOk = m_nSlave >= 0;
    }
    termios tio{};
    if (bOk && tcgetattr(m_nSlave, &tio) == 0) {
        // Raw: no echo of what the sensor sends, no CR/LF translation either way.
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        bOk = tcsetattr(m_nSlave, TCSANOW, &tio) == 0;
    }
    if (!bOk) {
        const int nError = errno;
        Close();
        errno = nError;
    }
    return bOk;
}

bool CPtyPair::SlaveHasInput() const
{
    // Polling the slave first moves what the master wrote into its read buffer.
    pollfd fd{m_nSlave, POLLIN, 0};
    return m_nSlave >= 0 && ::poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN) != 0;
}

void CPtyPair::Close()
{
    if (m_nSlave >= 0)
        ::close(m_nSlave);
    if (m_nMaster >= 0)
        ::close(m_nMaster);
    m_nSlave = -1;
    m_nMaster = -1;
}

}  // namespace halyard::sim
