#pragma once
// A serial port for tests of the document and the identification logic: no
// device, no threads. What the owner sends lands in the transmit ring and is
// read back with Sent() / SentLines(); lines a test supplies (or that the
// responder makes for each sent line) come back through ReceiveData, one packet
// per call. Used on the test's own thread only.

#include <cerrno>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "serial/CSerial_IF.h"

namespace halyard::test {

class CFakeSerial : public CSerial_IF {
public:
    // Answers for one sent line (without its CR LF): packets to hand back.
    using Responder = std::function<std::vector<std::string>(const std::string& strSentLine)>;

    bool Initialise(const std::string& lpszPortName, int nPort, const std::string&, uint8_t) override
    {
        ++m_nInitCalls;
        m_strOpenedName = lpszPortName;
        if (!m_bOpenSucceeds) {
            m_dwLastError = ENOENT;
            return false;
        }
        m_pTxBuffer = std::make_unique<CCircularBuffer>();
        m_pTxBuffer->Initialise(SERIAL_BUFFER_SIZE);
        m_hWriteEvent = CreateAutoResetEvent();
        m_nPort = nPort;
        m_bPortOpen = true;
        return true;
    }

    void Close() override
    {
        ++m_nCloseCalls;
        CollectSent();
        m_pTxBuffer.reset();
        m_hWriteEvent.reset();
        m_bPortOpen = false;
    }

    uint32_t ReceiveData(uint8_t* pbyBuffer, uint32_t* pdwBytesReceived, uint32_t) override
    {
        if (pbyBuffer == nullptr || pdwBytesReceived == nullptr || !m_bPortOpen)
            return 0;
        CollectSent();
        if (m_packets.empty())
            return 0;
        const std::string strPacket = m_packets.front().substr(0, SERIAL_CHUNK_SIZE - 1);
        m_packets.pop_front();
        std::memcpy(pbyBuffer, strPacket.data(), strPacket.size());
        *pdwBytesReceived = static_cast<uint32_t>(strPacket.size());
        ++m_nPacketsTaken;
        return 1;
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
        if (!m_pTxBuffer)
            return;
        uint8_t byChunk[SERIAL_CHUNK_SIZE];
        uint32_t dwLength = 0;
        while (m_pTxBuffer->GetData(byChunk, &dwLength, sizeof byChunk) && dwLength > 0) {
            m_strSent.append(reinterpret_cast<const char*>(byChunk), dwLength);
            m_strPartial.append(reinterpret_cast<const char*>(byChunk), dwLength);
        }
        for (size_t nEnd; (nEnd = m_strPartial.find("\r\n")) != std::string::npos;) {
            std::string strLine = m_strPartial.substr(0, nEnd);
            m_strPartial.erase(0, nEnd + 2);
            if (m_responder)
                for (std::string& strPacket : m_responder(strLine))
                    m_packets.push_back(std::move(strPacket));
            m_sentLines.push_back(std::move(strLine));
        }
    }

    std::deque<std::string> m_packets;
    std::string m_strSent;
    std::string m_strPartial;
    std::vector<std::string> m_sentLines;
};

}  // namespace halyard::test
