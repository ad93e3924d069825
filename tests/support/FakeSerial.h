#pragma once
// A serial link for tests of the document and the identification logic: no
// device, no threads. What the owner sends is kept and read back with Sent() /
// SentLines(); lines a test supplies (or that the responder makes for each sent
// line) come back through ReceiveData, one packet per call. Its data-in and
// hang-up events are its own unnamed ones, made by Initialise; SignalDataIn()
// and HangUp() signal them as the real link's thread would. Used on the test's
// own thread only (the document's watcher thread only waits on the events).

#include <cerrno>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "serial/CPacketBuffer.h"
#include "serial/ISerialLink.h"

namespace halyard::test {

class CFakeSerial : public ISerialLink {
public:
    // Answers for one sent line (without its CR LF): packets to hand back.
    using Responder = std::function<std::vector<std::string>(const std::string& strSentLine)>;

    bool Initialise(const std::string& lpszPortName, int, const std::string&, uint8_t) override
    {
        ++m_nInitCalls;
        m_strOpenedName = lpszPortName;
        if (!m_bOpenSucceeds) {
            m_dwLastError = ENOENT;
            return false;
        }
        m_dwLastError = 0;
        m_hDataInEvent = CreateAutoResetEvent();
        m_hHangUpEvent = CreateAutoResetEvent();
        m_bHungUp = false;
        m_bPortOpen = true;
        return true;
    }

    void Close() override
    {
        ++m_nCloseCalls;
        CollectSent();
        m_hDataInEvent.reset();
        m_hHangUpEvent.reset();
        m_bPortOpen = false;
    }

    uint32_t SendData(const uint8_t* pbyBuffer, uint32_t dwBytesToSend) override
    {
        if (pbyBuffer == nullptr || !m_bPortOpen)
            return 0;
        // Lines are cut (and answered) when the test looks, as a real port
        // would answer only once the bytes have gone out.
        m_strUncollected.append(reinterpret_cast<const char*>(pbyBuffer), dwBytesToSend);
        return 1;
    }

    uint32_t ReceiveData(uint8_t* pbyBuffer, uint32_t* pdwBytesReceived, uint32_t) override
    {
        if (pbyBuffer == nullptr || pdwBytesReceived == nullptr || !m_bPortOpen)
            return 0;
        CollectSent();
        if (m_packets.empty())
            return 0;
        const std::string strPacket = m_packets.front().substr(0, PACKET_SLOT_SIZE - 1);
        m_packets.pop_front();
        std::memcpy(pbyBuffer, strPacket.data(), strPacket.size());
        *pdwBytesReceived = static_cast<uint32_t>(strPacket.size());
        ++m_nPacketsTaken;
        return 1;
    }

    // No thread and no line settings to keep.
    void EnableCommThread(bool) override {}
    void SetBaudRate(uint32_t) override {}
    bool IsHungUp() const override { return m_bHungUp; }
    uint32_t GetLastError() const override { return m_dwLastError; }
    EventHandle DataInEvent() const override { return m_hDataInEvent; }
    EventHandle HangUpEvent() const override { return m_hHangUpEvent; }

    // What the real link does when a line has arrived / the other end hung up.
    void SignalDataIn()
    {
        if (m_hDataInEvent)
            m_hDataInEvent->Set();
    }
    void HangUp()
    {
        if (!m_bHungUp && m_hHangUpEvent)
            m_hHangUpEvent->Set();
        m_bHungUp = true;
    }

    // A packet exactly as given (a line normally ends in CR LF).
    void Supply(const std::string& strPacket) { m_packets.push_back(strPacket); }
    void SupplyLine(const std::string& strText) { Supply(strText + "\r\n"); }
    size_t PacketsWaiting() const { return m_packets.size(); }

    // Every byte sent since the port was opened (or since ClearSent).
    const std::string& Sent()
    {
        CollectSent();
        return m_strSent;
    }
    // The sent lines without their CR LF.
    std::vector<std::string> SentLines()
    {
        CollectSent();
        return m_sentLines;
    }
    void ClearSent()
    {
        CollectSent();
        m_strSent.clear();
        m_sentLines.clear();
    }

    bool m_bOpenSucceeds = true;
    Responder m_responder;
    int m_nInitCalls = 0;
    int m_nCloseCalls = 0;
    int m_nPacketsTaken = 0;
    std::string m_strOpenedName;

private:
    void CollectSent()
    {
        m_strSent += m_strUncollected;
        m_strPartial += m_strUncollected;
        m_strUncollected.clear();
        for (size_t nEnd; (nEnd = m_strPartial.find("\r\n")) != std::string::npos;) {
            std::string strLine = m_strPartial.substr(0, nEnd);
            m_strPartial.erase(0, nEnd + 2);
            if (m_responder)
                for (std::string& strPacket : m_responder(strLine))
                    m_packets.push_back(std::move(strPacket));
            m_sentLines.push_back(std::move(strLine));
        }
    }

    bool m_bPortOpen = false;
    bool m_bHungUp = false;
    uint32_t m_dwLastError = 0;
    EventHandle m_hDataInEvent;
    EventHandle m_hHangUpEvent;
    std::deque<std::string> m_packets;
    std::string m_strUncollected;
    std::string m_strSent;
    std::string m_strPartial;
    std::vector<std::string> m_sentLines;
};

}  // namespace halyard::test
