#include "platform/SerialDevice.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "platform/windows/WideText.h"

namespace halyard {

namespace {

// The rates offered, as on Linux; the driver takes the number itself.
constexpr uint32_t kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};

SysResult LastError()
{
    return SysResult::Failure(::GetLastError());
}

}  // namespace

const int CSerialDevice::IDLE_WAIT_MS = 50;

CSerialDevice::~CSerialDevice()
{
    Close();
}

bool CSerialDevice::IsSupportedBaudRate(uint32_t dwBaudRate)
{
    return std::find(std::begin(kBaudRates), std::end(kBaudRates), dwBaudRate) != std::end(kBaudRates);
}

SysResult CSerialDevice::Open(const std::string& strPath, uint32_t dwBaudRate, uint8_t byByteSize,
                              uint8_t byParity, uint8_t byStopBits)
{
    Close();
    m_bHungUp = false;
    m_nWriteTimeoutMs = -1;
    if (!IsSupportedBaudRate(dwBaudRate))
        return SysResult::Failure(ERROR_INVALID_PARAMETER);
    if (const SysResult claimed = Claim(strPath); !claimed)
        return claimed;
    // Exclusive (no sharing), synchronous I/O.
    const HANDLE hPort = ::CreateFileW(WideText(strPath).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
    if (hPort == INVALID_HANDLE_VALUE)
        return CloseAfter(LastError());
    m_fd = hPort;

    // What the driver holds is kept except for the line and the flow control:
    // none, RTS held on, DTR off until the owner raises it.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    static_cast<void>(::GetCommState(hPort, &dcb));
    dcb.BaudRate = dwBaudRate;
    dcb.ByteSize = byByteSize;
    dcb.Parity = byParity;
    dcb.StopBits = byStopBits;
    dcb.fBinary = TRUE;
    dcb.fParity = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    if (!::SetCommState(hPort, &dcb))
        return CloseAfter(LastError());

    // A read returns at once with what the driver holds; writes get their
    // time-out with each block.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    if (!::SetCommTimeouts(hPort, &timeouts))
        return CloseAfter(LastError());
    return {};
}

SysResult CSerialDevice::CloseAfter(const SysResult& failure)
{
    Close();
    return failure;
}

SysResult CSerialDevice::Claim(const std::string& strPath)
{
    // Object names take no backslashes, and tell case: "\\.\com5" becomes
    // "//./COM5", as "\\.\COM5" does.
    std::wstring strName = L"Halyard serial port " + WideText(strPath);
    std::replace(strName.begin(), strName.end(), L'\\', L'/');
    std::transform(strName.begin(), strName.end(), strName.begin(), ::towupper);
    m_hClaim = ::CreateEventW(nullptr, TRUE, FALSE, strName.c_str());
    if (m_hClaim == nullptr)
        return LastError();
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        // What Windows itself says of a port another program has open.
        return CloseAfter(SysResult::Failure(ERROR_ACCESS_DENIED));
    }
    return {};
}

void CSerialDevice::Close()
{
    if (m_fd != kNoHandle)
        ::CloseHandle(m_fd);
    if (m_hClaim != kNoHandle)
        ::CloseHandle(m_hClaim);
    m_fd = kNoHandle;
    m_hClaim = kNoHandle;
}

NativeHandle CSerialDevice::WaitHandle() const
{
    // A synchronous port's handle is signalled by every finished call, not by
    // arriving input: it is never waited on.
    return kNoHandle;
}

SysResult CSerialDevice::SetDtr(bool bOn)
{
    // Drivers without modem lines (Wine's on a pseudo-terminal, some USB
    // adapters) refuse the call; the line still carries data.
    static_cast<void>(::EscapeCommFunction(m_fd, bOn ? SETDTR : CLRDTR));
    return {};
}

SysResult CSerialDevice::Purge()
{
    if (::PurgeComm(m_fd, PURGE_TXCLEAR | PURGE_RXCLEAR))
        return {};
    return LastError();
}

SysResult CSerialDevice::PurgeInput()
{
    if (::PurgeComm(m_fd, PURGE_RXCLEAR))
        return {};
    return LastError();
}

SysResult CSerialDevice::BytesWaiting(uint32_t& dwCount)
{
    // Line errors (framing, parity, overrun) are cleared here and not reported.
    DWORD dwErrors = 0;
    COMSTAT status{};
    dwCount = 0;
    if (!::ClearCommError(m_fd, &dwErrors, &status)) {
        m_bHungUp = true;
        return LastError();
    }
    dwCount = status.cbInQue;
    return {};
}

bool CSerialDevice::CheckHangUp()
{
    uint32_t dwWaiting = 0;
    if (m_fd != kNoHandle)
        static_cast<void>(BytesWaiting(dwWaiting));
    return m_bHungUp;
}

SysResult CSerialDevice::Read(uint8_t* pData, size_t nMax, size_t& nRead)
{
    nRead = 0;
    if (nMax == 0)
        return {};
    uint32_t dwWaiting = 0;
    if (const SysResult waiting = BytesWaiting(dwWaiting); !waiting)
        return waiting;
    if (dwWaiting == 0)
        return {};
    DWORD dwRead = 0;
    if (!::ReadFile(m_fd, pData, static_cast<DWORD>(std::min<size_t>(nMax, dwWaiting)), &dwRead, nullptr)) {
        m_bHungUp = true;
        return LastError();
    }
    nRead = dwRead;
    return {};
}

SysResult CSerialDevice::Write(const uint8_t* pData, size_t nLength, size_t& nWritten, int nTimeoutMs,
                               NativeHandle /*nAbortFd*/)
{
    nWritten = 0;
    if (nTimeoutMs != m_nWriteTimeoutMs) {
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(std::max(nTimeoutMs, 1));
        if (!::SetCommTimeouts(m_fd, &timeouts)) {
            m_bHungUp = true;
            return LastError();
        }
        m_nWriteTimeoutMs = nTimeoutMs;
    }
    DWORD dwWritten = 0;
    const BOOL bWritten = ::WriteFile(m_fd, pData, static_cast<DWORD>(nLength), &dwWritten, nullptr);
    nWritten = dwWritten;
    if (!bWritten) {
        m_bHungUp = true;
        return LastError();
    }
    if (nWritten < nLength)
        return SysResult::Failure(ERROR_TIMEOUT);
    return {};
}

}  // namespace halyard
