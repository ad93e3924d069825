// CSimLink: the serial link to a simulated sensor on an in-process line
// (CSimLine), for a program that runs its sensor without a pseudo-terminal.
// It is what CSerial_IF is to a port: Initialise attaches to the line as an
// open takes a port (exclusively; a sensor that is not running is a port
// that is not there), lines arrive through the port's named data-in event
// (DataInEventName, as a serial port's), the sensor
// hanging up signals the hang-up event. Called on its owner's thread.
#pragma once

#include <memory>

#include "SimLine.h"
#include "serial/ISerialLink.h"

namespace halyard::sim {

class CSimLink : public ISerialLink {
public:
    explicit CSimLink(std::shared_ptr<CSimLine> pLine);
    ~CSimLink() override { Close(); }
    CSimLink(const CSimLink&) = delete;
    CSimLink& operator=(const CSimLink&) = delete;

    bool Initialise(const std::string& lpszPortName, int nPort, const std::string& szEventName,
                    uint8_t byEndChar) override;
    void Close() override;
    uint32_t SendData(const uint8_t* pbyBuffer, uint32_t dwBytesToSend) override;
    uint32_t ReceiveData(uint8_t* pbyBuffer, uint32_t* pdwBytesReceived, uint32_t dwMaxBytes) override;
    void EnableCommThread(bool bEnable) override;
    // The line has no baud rate: the sensor answers at any.
    void SetBaudRate(uint32_t) override {}
    bool IsHungUp() const override { return m_bOpen && m_pLine->HungUp(); }
    uint32_t GetLastError() const override { return m_dwLastError; }
    EventHandle DataInEvent() const override { return m_hDataInEvent; }
    EventHandle HangUpEvent() const override { return m_hHangUpEvent; }

private:
    const std::shared_ptr<CSimLine> m_pLine;
    bool m_bOpen = false;
    uint32_t m_dwLastError = 0;
    EventHandle m_hDataInEvent;
    EventHandle m_hHangUpEvent;
};

}  // namespace halyard::sim
