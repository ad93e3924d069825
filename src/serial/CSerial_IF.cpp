#include "CSerial_IF.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/PortTable.h"
#include "platform/WaitSet.h"

namespace halyard {

std::string SerialEventName(const char* szBase, int nPort)
{
    char szName[260];
    std::snprintf(szName, sizeof szName, szBase, nPort);
    return szName;
}

std::string DataInEventName(int nPort)
{
    return DATA_IN_EVENT_BASE + std::to_string(nPort);
}

std::string HangUpEventName(int nPort)
{
    return SerialEventName("QRM_HANGUP_EVENT_%d", nPort);
}

uint32_t CommWatchThread(CSerial_IF* pDev)
{
    return pDev ? pDev->DevCommWatchThreadProc() : 0;
}

CSerial_IF::CSerial_IF() = default;

CSerial_IF::~CSerial_IF()
{
    Close();
    // Close does nothing without an open port; a thread must still not outlive us.
    if (m_hThread.joinable())
        StartStopThreads(false);
}

// ---------------------------------------------------------------- owner's side

bool CSerial_IF::Initialise(const std::string& lpszPortName, int nPort, const std::string& /*szEventName*/,
                            uint8_t byEndChar)
{
    m_dwLastError = 0;
    // Close first: the thread of an open port still uses the scratch chunks.
    if (m_bPortOpen || m_hPort.IsOpen())
        Close();
    m_byTxChunk.fill(0);
    m_byRxChunk.fill(0);

    m_pTxBuffer = std::make_unique<CCircularBuffer>();
    m_pRxBuffer = std::make_unique<CCircularBuffer>();
    m_pPacketBuffer = std::make_unique<CPacketBuffer>();
    if (!m_pTxBuffer->Initialise(SERIAL_BUFFER_SIZE) || !m_pRxBuffer->Initialise(SERIAL_BUFFER_SIZE) ||
        !m_pPacketBuffer->Initialise(SERIAL_PACKET_SLOTS)) {
        m_dwLastError = SystemErrorCode(ENOMEM);
        return false;
    }

    m_nPort = nPort;
    m_szDataInEventName = DataInEventName(nPort);
    m_byEndChar = byEndChar;
    m_szPortName = lpszPortName;
    m_bHungUp = false;

    if (!ConfigPort(lpszPortName, m_dwBaudRate, m_byByteSize, m_byParity, m_byStopBits,
                    GENERIC_READ | GENERIC_WRITE)) {
        Close();
        return false;
    }
    m_bPortOpen = true;

    if (!StartStopThreads(true)) {
        if (m_dwLastError == 0)
            m_dwLastError = SystemErrorCode(EBUSY);
        Close();
        return false;
    }
    // DTR goes up once the thread runs; a pseudo-terminal has none and says
    // so, and a port that refuses it still carries the line.
    {
        std::lock_guard lock(m_csPort);
        static_cast<void>(m_hPort.SetDtr(true));
    }
    return m_dwLastError == 0;
}

bool CSerial_IF::ConfigPort(const std::string& lpszPortName, uint32_t dwBaudRate, uint8_t byByteSize,
                            uint8_t byParity, uint8_t byStopBits, uint32_t /*dwDesiredAccess*/)
{
    if (m_bPortOpen || m_hPort.IsOpen())
        Close();
    const std::optional<std::string> device = CPortTable::Instance().Resolve(lpszPortName);
    if (!device) {
        m_dwLastError = SystemErrorCode(ENOENT);
        return false;
    }
    // Open sets raw 8N1 (or the given line), no flow control, RTS on, DTR off.
    if (const SysResult opened = m_hPort.Open(*device, dwBaudRate, byByteSize, byParity, byStopBits); !opened) {
        m_dwLastError = opened.Error();
        return false;
    }
    // Reads return at once with what the driver holds; a write may take 10 ms a
    // byte plus one second.
    if (!SetCommunicationTimeouts(MAXDWORD, 0, 0, 10, 1000))
        return false;
    if (const SysResult purged = m_hPort.Purge(); !purged) {
        m_dwLastError = purged.Error();
        return false;
    }
    m_bPortOpen = true;
    return true;
}

bool CSerial_IF::SetCommunicationTimeouts(uint32_t dwReadIntervalTimeout,
                                          uint32_t dwReadTotalTimeoutMultiplier,
                                          uint32_t dwReadTotalTimeoutConstant,
                                          uint32_t dwWriteTotalTimeoutMultiplier,
                                          uint32_t dwWriteTotalTimeoutConstant)
{
    m_dwLastError = 0;
    // The device has no time-outs of its own: the ones in force are ours, and
    // there are none without an open port. Reads never block (they only take
    // what is waiting); writes are bounded by the write settings.
    m_bTimeoutsRead = m_hPort.IsOpen();
    if (!m_bTimeoutsRead) {
        m_dwLastError = SystemErrorCode(EBADF);
        return false;
    }
    m_Timeouts.ReadIntervalTimeout = dwReadIntervalTimeout;
    m_Timeouts.ReadTotalTimeoutMultiplier = dwReadTotalTimeoutMultiplier;
    m_Timeouts.ReadTotalTimeoutConstant = dwReadTotalTimeoutConstant;
    m_Timeouts.WriteTotalTimeoutMultiplier = dwWriteTotalTimeoutMultiplier;
    m_Timeouts.WriteTotalTimeoutConstant = dwWriteTotalTimeoutConstant;
    return true;
}

void CSerial_IF::Close()
{
    if (!m_hPort.IsOpen())
        return;
    // The thread has ended when this returns, so nothing below is still in use.
    StartStopThreads(false);
    m_bPortOpen = false;
    // Closing goes on whatever the device says to these.
    static_cast<void>(m_hPort.SetDtr(false));
    // Unread input goes; what was written last (a sensor put back as it was
    // before the connection closes) still goes out: an output purge would
    // take it back, on a pseudo-terminal even from the other end.
    static_cast<void>(m_hPort.PurgeInput());

    m_hDataInEvent.reset();
    m_hReadEvent.reset();
    m_hWriteEvent.reset();
    m_hKillEvent.reset();
    m_hExitEvent.reset();
    m_hHangUpEvent.reset();

    m_hPort.Close();
    m_bPortOpen = false;

    m_pTxBuffer.reset();
    m_pRxBuffer.reset();
    m_pPacketBuffer.reset();
}

uint32_t CSerial_IF::SendData(const uint8_t* pbyBuffer, uint32_t dwBytesToSend)
{
    if (!pbyBuffer || !m_pTxBuffer)
        return 0;
    if (!m_pTxBuffer->AddData(pbyBuffer, dwBytesToSend))
        return 0;
    if (!m_hWriteEvent)
        return 0;
    m_hWriteEvent->Set();
    return 1;
}

uint32_t CSerial_IF::ReceiveData(uint8_t* pbyBuffer, uint32_t* pdwBytesReceived, uint32_t dwMaxBytes)
{
    // A line may take a whole slot: a smaller buffer would be overrun.
    if (!pbyBuffer || !pdwBytesReceived || !m_pPacketBuffer || dwMaxBytes < PACKET_SLOT_SIZE)
        return 0;
    if (!m_pPacketBuffer->GetData(pbyBuffer, pdwBytesReceived))
        return 0;
    // Bytes left in the receive ring wait for room in the packet buffer:
    // there is some now, so the thread goes on cutting them into lines.
    uint32_t dwHeld = 0;
    if (m_pRxBuffer && m_hReadEvent) {
        m_pRxBuffer->GetBuffSize(&dwHeld);
        if (dwHeld > 0)
            m_hReadEvent->Set();
    }
    return 1;
}

void CSerial_IF::EnableCommThread(bool bEnable)
{
    m_bCommThreadEnabled = bEnable;
    // The thread takes the port into its wait on its next pass, and reads
    // what is waiting already.
    if (bEnable && m_hReadEvent)
        m_hReadEvent->Set();
}

void CSerial_IF::SetBaudRate(uint32_t dwBaud)
{
    m_dwBaudRate = dwBaud;
}

bool CSerial_IF::CreateEvents()
{
    const auto create = [this](EventHandle& hEvent, const std::string& strName) {
        if (!hEvent)
            hEvent = CreateAutoResetEvent(strName);
        if (!hEvent && m_dwLastError == 0) {
            const uint32_t dwError = LastSystemError();
            m_dwLastError = dwError != 0 ? dwError : SystemErrorCode(ENOMEM);
        }
        return hEvent != nullptr;
    };
    bool bOk = create(m_hDataInEvent, m_szDataInEventName);
    bOk = create(m_hKillEvent, SerialEventName("QRM_KILL_EVENT_%d", m_nPort)) && bOk;
    bOk = create(m_hWriteEvent, SerialEventName("QRM_WRITE_EVENT_%d", m_nPort)) && bOk;
    bOk = create(m_hReadEvent, SerialEventName("QRM_READ_EVENT_%d", m_nPort)) && bOk;
    bOk = create(m_hExitEvent, SerialEventName("QRM_EXIT_EVENT_%d", m_nPort)) && bOk;
    bOk = create(m_hHangUpEvent, HangUpEventName(m_nPort)) && bOk;
    if (!bOk)
        return false;
    m_hExitEvent->Reset();
    m_hDataInEvent->Reset();
    m_hKillEvent->Reset();
    m_hWriteEvent->Reset();
    m_hReadEvent->Reset();
    m_hHangUpEvent->Reset();
    return true;
}

bool CSerial_IF::StartStopThreads(bool bStart)
{
    if (!bStart) {
        if (m_hKillEvent)
            m_hKillEvent->Set();
        if (m_hExitEvent)
            WaitForEvent(*m_hExitEvent, THREAD_STOP_WAIT_MS);
        // Every blocking point of the thread also watches the kill event, so it
        // ends promptly even when the exit wait above ran out; joining makes
        // sure it no longer touches what Close destroys next.
        if (m_hThread.joinable())
            m_hThread.join();
        m_bCommThreadEnabled = false;
        return true;
    }

    m_bCommThreadEnabled = false;
    if (!CreateEvents())
        return false;
    if (m_hThread.joinable())
        return false;
    try {
        m_hThread = std::thread(CommWatchThread, this);
    } catch (const std::system_error& e) {
        m_dwLastError = static_cast<uint32_t>(e.code().value());
        return false;
    }
    return true;
}

}  // namespace halyard
