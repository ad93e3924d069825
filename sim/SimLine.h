// CSimLine: an in-process line between a simulated sensor and the program's
// own serial link (CSimLink), for systems without pseudo-terminals. The
// sensor's thread uses it as its ISimPort; the link, on its owner's thread,
// attaches to it as a port is opened, exclusively. What the sensor writes
// goes through the same receive path as a serial port's bytes (the receive
// ring, the line assembler, the packet buffer and the data-in event), on the
// sensor's thread, while the link delivers; what the link sends waits for
// the sensor to read it. The sensor closing the line is a hang-up for the
// link attached. Every member locks the line's own mutex; nothing is called
// with it held but the buffers and the events, which lock only themselves.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "SimPort.h"
#include "platform/AutoResetEvent.h"
#include "serial/CCircularBuffer.h"
#include "serial/CPacketBuffer.h"

namespace halyard::sim {

class CSimLine : public ISimPort, public std::enable_shared_from_this<CSimLine> {
public:
    // strName: what the port table lists the line as.
    explicit CSimLine(std::string strName);
    CSimLine(const CSimLine&) = delete;
    CSimLine& operator=(const CSimLine&) = delete;

    // The sensor's side.
    bool Open() override;
    void Close() override;
    const std::string& Path() const override { return m_strName; }
    bool Wait(bool bWatchInput, int nTimeoutMs, bool& bInput) override;
    void Wake() override;
    size_t Read(char* pBuffer, size_t nMax) override;
    size_t Write(const char* pBytes, size_t nLength) override;
    bool ClientHasInput() const override;
    // Makes a CSimLink to this line.
    LinkFactory MakeLinkFactory() override;

    // The link's side. Attach gives 0, or the system's error for a line that
    // is taken or whose sensor is not running; the events are the link's
    // data-in event (named per port, as a serial port's) and its hang-up event.
    uint32_t Attach(int nPort, uint8_t byEndChar, EventHandle& hDataIn, EventHandle& hHangUp);
    void Detach();
    // While off, what the sensor writes waits on the line, as bytes wait in a
    // driver for a thread that reads them.
    void EnableDelivery(bool bEnable);
    // False when no link is attached or the sensor hung up.
    bool Send(const uint8_t* pbyBytes, uint32_t dwLength);
    // The oldest complete line into pbyBuffer (PACKET_SLOT_SIZE bytes).
    bool TakeLine(uint8_t* pbyBuffer, uint32_t* pdwLength);
    bool HungUp() const;

private:
    // Moves what waits into the receive path and signals the lines cut.
    void DeliverLocked();

    const std::string m_strName;
    mutable std::mutex m_mutex;
    std::condition_variable m_cvSensor;
    bool m_bSensorUp = false;
    bool m_bWake = false;
    bool m_bAttached = false;
    bool m_bDelivering = false;
    bool m_bHungUp = false;
    uint8_t m_byEndChar = 10;
    std::string m_strFromLink;  // sent, not read by the sensor yet
    std::string m_strToLink;    // written by the sensor, not delivered yet
    CCircularBuffer m_rx;
    mutable CPacketBuffer m_packets;  // locks itself; asked for its size in const members
    EventHandle m_hDataIn;
    EventHandle m_hHangUp;
};

}  // namespace halyard::sim
