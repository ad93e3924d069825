#include "platform/SerialDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace halyard {

namespace {

struct BaudEntry {
    uint32_t dwBaud;
    speed_t speed;
};

constexpr BaudEntry kBaudRates[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool SpeedFor(uint32_t dwBaudRate, speed_t& speed)
{
    for (const BaudEntry& entry : kBaudRates) {
        if (entry.dwBaud == dwBaudRate) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

tcflag_t CharSize(uint8_t byByteSize)
{
    switch (byByteSize) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

// Errors a pseudo-terminal gives for modem-line calls it does not have.
bool IsUnsupportedLineCall(int nErrno)
{
    return nErrno == ENOTTY || nErrno == EINVAL || nErrno == ENOTSUP || nErrno == EIO;
}

bool IsHangUpErrno(int nErrno)
{
    return nErrno == EIO || nErrno == ENXIO || nErrno == ENODEV;
}

}  // namespace

const int CSerialDevice::IDLE_WAIT_MS = -1;

CSerialDevice::~CSerialDevice()
{
    Close();
}

bool CSerialDevice::IsSupportedBaudRate(uint32_t dwBaudRate)
{
    speed_t speed;
    return SpeedFor(dwBaudRate, speed);
}

SysResult CSerialDevice::Open(const std::string& strPath, uint32_t dwBaudRate, uint8_t byByteSize,
                              uint8_t byParity, uint8_t byStopBits)
{
    Close();
    m_bHungUp = false;
    speed_t speed;
    if (!SpeedFor(dwBaudRate, speed))
        return SysResult::Failure(EINVAL);
    m_fd = ::open(strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return SysResult::FromErrno();
    // TIOCEXCL keeps other users out but not root; the lock keeps out root too.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int nErrno = errno == EWOULDBLOCK ? EBUSY : errno;
        Close();
        return SysResult::Failure(static_cast<uint32_t>(nErrno));
    }
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0) {
        return CloseAfter(SysResult::FromErrno());
    }
    ::ioctl(m_fd, TIOCEXCL);
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | CharSize(byByteSize);
    if (byParity == ODDPARITY)
        tio.c_cflag |= PARENB | PARODD;
    else if (byParity == EVENPARITY)
        tio.c_cflag |= PARENB;
    if (byStopBits == TWOSTOPBITS)
        tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0) {
        return CloseAfter(SysResult::FromErrno());
    }
    // RTS held on, DTR off until the owner raises it.
    int nRts = TIOCM_RTS;
    if (::ioctl(m_fd, TIOCMBIS, &nRts) != 0 && !IsUnsupportedLineCall(errno)) {
        return CloseAfter(SysResult::FromErrno());
    }
    // A pseudo-terminal has no DTR; a real port that refuses it still works.
    static_cast<void>(SetDtr(false));
    return {};
}

SysResult CSerialDevice::CloseAfter(const SysResult& failure)
{
    Close();
    return failure;
}

NativeHandle CSerialDevice::WaitHandle() const
{
    return m_fd;
}

void CSerialDevice::Close()
{
    if (m_fd < 0)
        return;
    // Exclusive mode outlives the descriptor on a pseudo-terminal: clear it so
    // the port can be opened again.
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
}

SysResult CSerialDevice::SetDtr(bool bOn)
{
    int nDtr = TIOCM_DTR;
    if (::ioctl(m_fd, bOn ? TIOCMBIS : TIOCMBIC, &nDtr) == 0 || IsUnsupportedLineCall(errno))
        return {};
    return SysResult::FromErrno();
}

SysResult CSerialDevice::Purge()
{
    if (::tcflush(m_fd, TCIOFLUSH) == 0)
        return {};
    return SysResult::FromErrno();
}

SysResult CSerialDevice::PurgeInput()
{
    if (::tcflush(m_fd, TCIFLUSH) == 0)
        return {};
    return SysResult::FromErrno();
}

SysResult CSerialDevice::BytesWaiting(uint32_t& dwCount)
{
    int nWaiting = 0;
    if (::ioctl(m_fd, FIONREAD, &nWaiting) != 0) {
        dwCount = 0;
        if (IsHangUpErrno(errno))
            m_bHungUp = true;
        return SysResult::FromErrno();
    }
    dwCount = static_cast<uint32_t>(nWaiting < 0 ? 0 : nWaiting);
    return {};
}

bool CSerialDevice::CheckHangUp()
{
    if (m_fd < 0)
        return m_bHungUp;
    pollfd pfd{m_fd, POLLIN, 0};
    if (::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)))
        m_bHungUp = true;
    return m_bHungUp;
}

SysResult CSerialDevice::Read(uint8_t* pData, size_t nMax, size_t& nRead)
{
    nRead = 0;
    if (nMax == 0)
        return {};
    for (;;) {
        const ssize_t n = ::read(m_fd, pData, nMax);
        if (n > 0) {
            nRead = static_cast<size_t>(n);
            return {};
        }
        if (n == 0) {
            // Nothing to read: either simply no input, or the other end is gone.
            if (CheckHangUp())
                return SysResult::Failure(EIO);
            return {};
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN)
            return {};
        if (IsHangUpErrno(errno))
            m_bHungUp = true;
        return SysResult::FromErrno();
    }
}

SysResult CSerialDevice::Write(const uint8_t* pData, size_t nLength, size_t& nWritten, int nTimeoutMs,
                               NativeHandle nAbortFd)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    nWritten = 0;
    while (nWritten < nLength) {
        const ssize_t n = ::write(m_fd, pData + nWritten, nLength - nWritten);
        if (n > 0) {
            nWritten += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            if (IsHangUpErrno(errno))
                m_bHungUp = true;
            return SysResult::FromErrno();
        }
        // The driver is full: wait for room, the deadline or the abort signal.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return SysResult::Failure(ETIMEDOUT);
        }
        pollfd fds[2] = {{m_fd, POLLOUT, 0}, {nAbortFd, POLLIN, 0}};
        const int nReady = ::poll(fds, nAbortFd >= 0 ? 2 : 1, static_cast<int>(left.count()));
        if (nReady < 0 && errno != EINTR)
            return SysResult::FromErrno();
        if (nAbortFd >= 0 && (fds[1].revents & POLLIN)) {
            return SysResult::Failure(ECANCELED);
        }
        if (fds[0].revents & (POLLHUP | POLLERR)) {
            m_bHungUp = true;
            return SysResult::Failure(EIO);
        }
    }
    return {};
}

}  // namespace halyard
