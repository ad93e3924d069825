#include "SimLink.h"

#include "serial/CPacketBuffer.h"

namespace halyard::sim {

CSimLink::CSimLink(std::shared_ptr<CSimLine> pLine)
    : m_pLine(std::move(pLine))
{}

bool CSimLink::Initialise(const std::string&, int nPort, const std::string&, uint8_t byEndChar)
{
    Close();
    m_dwLastError = m_pLine->Attach(nPort, byEndChar, m_hDataInEvent, m_hHangUpEvent);
    m_bOpen = m_dwLastError == 0;
    return m_bOpen;
}

void CSimLink::Close()
{
    if (!m_bOpen)
        return;
    m_pLine->Detach();
    m_bOpen = false;
    m_hDataInEvent.reset();
    m_hHangUpEvent.reset();
}

uint32_t CSimLink::SendData(const uint8_t* pbyBuffer, uint32_t dwBytesToSend)
{
    return m_bOpen && m_pLine->Send(pbyBuffer, dwBytesToSend) ? 1 : 0;
}

uint32_t CSimLink::ReceiveData(uint8_t* pbyBuffer, uint32_t* pdwBytesReceived, uint32_t dwMaxBytes)
{
    // A whole slot or nothing, as the serial port's packet buffer gives it.
    if (!m_bOpen || dwMaxBytes < PACKET_SLOT_SIZE)
        return 0;
    return m_pLine->TakeLine(pbyBuffer, pdwBytesReceived) ? 1 : 0;
}

void CSimLink::EnableCommThread(bool bEnable)
{
    if (m_bOpen)
        m_pLine->EnableDelivery(bEnable);
}

}  // namespace halyard::sim
