#include "SimLine.h"

#include <algorithm>
#include <chrono>

#include "SimLink.h"
#include "SimSystem.h"
#include "serial/CSerial_IF.h"
#include "serial/LineAssembler.h"

namespace halyard::sim {

namespace {

// What waits on the line for a link that does not deliver: a driver's input
// queue holds about as much; the rest is lost, as on a real line.
constexpr size_t kLineHolds = 4096;

}  // namespace

CSimLine::CSimLine(std::string strName)
    : m_strName(std::move(strName))
{}

bool CSimLine::Open()
{
    std::lock_guard lock(m_mutex);
    m_bSensorUp = true;
    m_strFromLink.clear();
    m_strToLink.clear();
    return true;
}

void CSimLine::Close()
{
    std::lock_guard lock(m_mutex);
    if (!m_bSensorUp)
        return;
    m_bSensorUp = false;
    // A link attached sees the hang-up; what it has not taken yet it keeps.
    if (m_bAttached && !m_bHungUp) {
        m_bHungUp = true;
        m_hHangUp->Set();
    }
    m_strToLink.clear();
}

bool CSimLine::Wait(bool bWatchInput, int nTimeoutMs, bool& bInput)
{
    std::unique_lock lock(m_mutex);
    m_cvSensor.wait_for(lock, std::chrono::milliseconds(nTimeoutMs),
                        [&] { return m_bWake || (bWatchInput && !m_strFromLink.empty()); });
    m_bWake = false;
    bInput = bWatchInput && !m_strFromLink.empty();
    return true;
}

void CSimLine::Wake()
{
    {
        std::lock_guard lock(m_mutex);
        m_bWake = true;
    }
    m_cvSensor.notify_all();
}

size_t CSimLine::Read(char* pBuffer, size_t nMax)
{
    std::lock_guard lock(m_mutex);
    const size_t nRead = std::min(nMax, m_strFromLink.size());
    std::copy_n(m_strFromLink.begin(), nRead, pBuffer);
    m_strFromLink.erase(0, nRead);
    return nRead;
}

size_t CSimLine::Write(const char* pBytes, size_t nLength)
{
    std::lock_guard lock(m_mutex);
    // Nobody has the port open: the bytes go nowhere, as on a line without a listener.
    if (!m_bAttached || m_bHungUp)
        return nLength;
    const size_t nTaken = std::min(nLength, kLineHolds - std::min(kLineHolds, m_strToLink.size()));
    m_strToLink.append(pBytes, nTaken);
    DeliverLocked();
    return nTaken;
}

bool CSimLine::ClientHasInput() const
{
    std::lock_guard lock(m_mutex);
    if (!m_bAttached)
        return false;
    uint32_t dwPackets = 0;
    m_packets.GetBuffSize(&dwPackets);
    return !m_strToLink.empty() || dwPackets > 0;
}

LinkFactory CSimLine::MakeLinkFactory()
{
    return [pLine = shared_from_this()] { return std::make_unique<CSimLink>(pLine); };
}

uint32_t CSimLine::Attach(int nPort, uint8_t byEndChar, EventHandle& hDataIn, EventHandle& hHangUp)
{
    std::lock_guard lock(m_mutex);
    if (m_bAttached)
        return PortInUseError();
    if (!m_bSensorUp)
        return PortGoneError();
    hDataIn = CreateAutoResetEvent(DataInEventName(nPort));
    hHangUp = CreateAutoResetEvent(HangUpEventName(nPort));
    if (!hDataIn || !hHangUp || !m_rx.Initialise(SERIAL_BUFFER_SIZE) || !m_packets.Initialise(SERIAL_PACKET_SLOTS))
        return PortGoneError();
    m_hDataIn = hDataIn;
    m_hHangUp = hHangUp;
    m_byEndChar = byEndChar;
    m_bAttached = true;
    m_bDelivering = false;
    m_bHungUp = false;
    m_strToLink.clear();
    m_strFromLink.clear();
    return 0;
}

void CSimLine::Detach()
{
    std::lock_guard lock(m_mutex);
    m_bAttached = false;
    m_bDelivering = false;
    m_strToLink.clear();
    m_strFromLink.clear();
    m_hDataIn.reset();
    m_hHangUp.reset();
}

void CSimLine::EnableDelivery(bool bEnable)
{
    std::lock_guard lock(m_mutex);
    m_bDelivering = bEnable && m_bAttached;
    DeliverLocked();
}

bool CSimLine::Send(const uint8_t* pbyBytes, uint32_t dwLength)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_bAttached || m_bHungUp)
            return false;
        m_strFromLink.append(reinterpret_cast<const char*>(pbyBytes), dwLength);
    }
    m_cvSensor.notify_all();
    return true;
}

bool CSimLine::TakeLine(uint8_t* pbyBuffer, uint32_t* pdwLength)
{
    std::lock_guard lock(m_mutex);
    if (!m_bAttached || !m_packets.GetData(pbyBuffer, pdwLength))
        return false;
    // The room made takes what waited for it.
    DeliverLocked();
    return true;
}

bool CSimLine::HungUp() const
{
    std::lock_guard lock(m_mutex);
    return m_bHungUp;
}

void CSimLine::DeliverLocked()
{
    if (!m_bDelivering)
        return;
    bool bCut = false;
    for (;;) {
        uint32_t dwHeld = 0;
        m_rx.GetBuffSize(&dwHeld);
        const size_t nRoom = SERIAL_BUFFER_SIZE - 1 - dwHeld;
        const size_t nMove = std::min(nRoom, m_strToLink.size());
        if (nMove > 0 && m_rx.AddData(reinterpret_cast<const uint8_t*>(m_strToLink.data()),
                                      static_cast<uint32_t>(nMove)))
            m_strToLink.erase(0, nMove);
        m_rx.GetBuffSize(&dwHeld);
        if (dwHeld == 0 || m_packets.IsBufferFull() || !ParseLines(m_rx, m_packets, m_byEndChar))
            break;
        bCut = true;
    }
    if (bCut)
        m_hDataIn->Set();
}

}  // namespace halyard::sim
