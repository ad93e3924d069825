// CSerial_IF's comm watch thread: the passes of its loop, the writes and
// reads of the port and the cutting of what was read into lines. Only this
// thread runs the code below (the owner's side is in CSerial_IF.cpp).
#include "CSerial_IF.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "LineAssembler.h"
#include "platform/WaitSet.h"

namespace halyard {

namespace {

// What woke the comm watch thread: the lowest signalled index of its wait set.
enum WatchWake { WAKE_KILL = 0, WAKE_WRITE = 1, WAKE_READ = 2, WAKE_PORT = 3 };

}  // namespace

uint32_t CSerial_IF::DevCommWatchThreadProc()
{
    bool bSkipPortFd = false;
    while (WatchPass(bSkipPortFd)) {
    }
    m_hExitEvent->Set();
    return 1;
}

bool CSerial_IF::WatchPass(bool& bSkipPortFd)
{
    CAutoResetEvent* const waitSet[] = {m_hKillEvent.get(), m_hWriteEvent.get(), m_hReadEvent.get()};
    if (!m_bPortOpen) {
        // Nothing to do without a port; wait for the kill event, never spin.
        const bool bGoOn = WaitForAny(std::span(waitSet, 1), kWaitForever) != WAKE_KILL;
        ++m_nPassCount;
        return bGoOn;
    }

    // The port wakes the thread itself, for input and for a hang-up. One that
    // woke it with nothing to read is left out of the next wait, which then
    // ends after a pass's time: the thread neither spins on it nor goes deaf.
    // A port that cannot wake it is asked for input on every pass instead.
    if (m_hPort.WaitHandle() == kNoHandle && WatchingPort())
        AskForWaitingInput();
    const NativeHandle hPortWake = WatchingPort() && !bSkipPortFd ? m_hPort.WaitHandle() : kNoHandle;
    const int nWaitMs = bSkipPortFd ? COMM_WATCH_PASS_MS : CSerialDevice::IDLE_WAIT_MS;
    bSkipPortFd = false;

    const int nWake = WaitForAny(waitSet, nWaitMs, hPortWake);
    ++m_nPassCount;
    switch (nWake) {
    case WAKE_KILL:
        FinishWriting();
        return false;
    // A failed write or read keeps its error in m_dwLastError (a hang-up is
    // told by its event); the thread goes on.
    case WAKE_WRITE:
        static_cast<void>(WriteData());
        break;
    case WAKE_READ:
        static_cast<void>(ReadData());
        break;
    case WAKE_PORT: {
        // Readable with nothing to read is a hang-up; if the device does not
        // confirm one, the next wait leaves the port out.
        const Result<uint32_t> read = ReadData();
        if ((!read.Ok() || read.Value() == 0) && !m_bHungUp) {
            std::lock_guard lock(m_csPort);
            if (m_hPort.CheckHangUp())
                OnHangUp();
            else
                bSkipPortFd = true;
        }
        break;
    }
    case kWaitTimeout:
        break;
    default:
        // A failed wait: pause one pass rather than retry at once.
        std::this_thread::sleep_for(std::chrono::milliseconds(COMM_WATCH_PASS_MS));
        break;
    }
    FinishPass();
    return true;
}

bool CSerial_IF::WatchingPort() const
{
    return m_bCommThreadEnabled && !m_bHungUp && RxRoom() >= SERIAL_CHUNK_SIZE;
}

uint32_t CSerial_IF::RxRoom() const
{
    uint32_t dwHeld = 0;
    if (!m_pRxBuffer)
        return 0;
    m_pRxBuffer->GetBuffSize(&dwHeld);
    // The ring never fills completely: a block that would fill it exactly is refused.
    return dwHeld < SERIAL_BUFFER_SIZE - 1 ? SERIAL_BUFFER_SIZE - 1 - dwHeld : 0;
}

void CSerial_IF::FinishPass()
{
    // Lines still in the receive ring (more than one ParseData cuts, or held
    // back while the packet buffer was full) are cut now, as far as the
    // packet buffer has room; each call takes at least one byte.
    uint32_t dwHeld = 0;
    while (m_pRxBuffer && m_pPacketBuffer && !m_pPacketBuffer->IsBufferFull()) {
        m_pRxBuffer->GetBuffSize(&dwHeld);
        if (dwHeld == 0)
            break;
        ParseData();
    }
    // What one WriteData leaves in the transmit ring goes on the next pass.
    if (m_pTxBuffer && m_hWriteEvent) {
        m_pTxBuffer->GetBuffSize(&dwHeld);
        if (dwHeld > 0)
            m_hWriteEvent->Set();
    }
}

void CSerial_IF::FinishWriting()
{
    // The owner's last commands (a sensor put back as it was before the
    // connection closes, say) are not thrown away with the port.
    if (!m_bPortOpen || m_bHungUp || !m_pTxBuffer)
        return;
    uint32_t dwHeld = 0;
    m_pTxBuffer->GetBuffSize(&dwHeld);
    if (dwHeld == 0)
        return;
    // Signalled again, the kill cuts short a write that finds no room (a
    // stalled line), so the close is never held up by it.
    m_hKillEvent->Set();
    static_cast<void>(WriteData());
}

void CSerial_IF::AskForWaitingInput()
{
    uint32_t dwWaiting = 0;
    bool bHungUp;
    {
        std::lock_guard lock(m_csPort);
        if (const SysResult asked = m_hPort.BytesWaiting(dwWaiting); !asked)
            m_dwLastError = asked.Error();
        bHungUp = m_hPort.HungUp();
    }
    if (bHungUp)
        OnHangUp();
    else if (dwWaiting > 0 && m_hReadEvent)
        m_hReadEvent->Set();
}

void CSerial_IF::OnHangUp()
{
    if (!m_bHungUp.exchange(true) && m_hHangUpEvent)
        m_hHangUpEvent->Set();
}

Result<uint32_t> CSerial_IF::WriteData()
{
    if (!m_bPortOpen || !m_pTxBuffer)
        return SysResult::Failure(SystemErrorCode(EBADF));
    uint32_t dwTotal = 0;
    for (int nChunk = 0; nChunk < 9; ++nChunk) {
        m_byTxChunk.fill(0);
        uint32_t dwTaken = 0;
        if (!m_pTxBuffer->GetData(m_byTxChunk.data(), &dwTaken, SERIAL_CHUNK_SIZE))
            break;
        const int nTimeoutMs = static_cast<int>(m_Timeouts.WriteTotalTimeoutMultiplier * dwTaken +
                                                m_Timeouts.WriteTotalTimeoutConstant);
        const NativeHandle nAbortFd = m_hKillEvent ? m_hKillEvent->Fd() : kNoHandle;
        size_t nWritten = 0;
        SysResult written;
        bool bHungUp;
        {
            std::lock_guard lock(m_csPort);
            // A partial write goes on with the rest of the chunk; the kill
            // event cuts a write to a stalled port short.
            written = m_hPort.Write(m_byTxChunk.data(), dwTaken, nWritten, nTimeoutMs, nAbortFd);
            bHungUp = m_hPort.HungUp();
        }
        dwTotal += static_cast<uint32_t>(nWritten);
        if (written)
            continue;
        if (bHungUp)
            OnHangUp();
        if (written.Error() == ECANCELED)
            break;  // being stopped; the kill event is still pending for the loop
        m_dwLastError = written.Error();
    }
    return dwTotal;
}

Result<uint32_t> CSerial_IF::ReadData()
{
    if (!m_bPortOpen || !m_pRxBuffer)
        return SysResult::Failure(SystemErrorCode(EBADF));
    m_byRxChunk.fill(0);
    size_t nRead = 0;
    {
        std::lock_guard lock(m_csPort);
        // The read takes what the driver holds without waiting (nothing when
        // it holds nothing), so it needs no count of the bytes waiting first;
        // no more than the receive ring has room for: the rest waits in the
        // driver until the owner has taken lines.
        const size_t nMax = std::min(SERIAL_CHUNK_SIZE, RxRoom());
        if (const SysResult read = m_hPort.Read(m_byRxChunk.data(), nMax, nRead); !read) {
            m_dwLastError = read.Error();
            if (m_hPort.HungUp())
                OnHangUp();
            return read;
        }
        if (nRead > 0)
            m_pRxBuffer->AddData(m_byRxChunk.data(), static_cast<uint32_t>(nRead));
    }
    if (nRead > 0)
        ParseData();
    return static_cast<uint32_t>(nRead);
}

void CSerial_IF::ParseData()
{
    if (!m_pPacketBuffer || !m_pRxBuffer)
        return;
    // A full packet buffer keeps nagging the owner until it makes room.
    if (m_pPacketBuffer->IsBufferFull() || ParseLines(*m_pRxBuffer, *m_pPacketBuffer, m_byEndChar)) {
        if (m_hDataInEvent)
            m_hDataInEvent->Set();
    }
}

}  // namespace halyard
