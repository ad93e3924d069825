#pragma once
// The serial link the document and the connect dialog open when nobody gives
// them one: a CSerial_IF for a port of the system, or, for a port whose
// device has a link factory registered, the link that factory makes (the
// simulated sensor of --simulate on a system without pseudo-terminals is on
// an in-process line, which the program's own link must attach to). The
// choice is made at each Initialise, by the device the port table gives the
// port name; every other operation goes to the link chosen.
//
// The owner calls every operation on its own thread; the factories are kept
// process-wide, registered and removed from any thread.

#include <functional>
#include <memory>
#include <string>

#include "CSerial_IF.h"
#include "ISerialLink.h"

namespace halyard {

using LinkFactory = std::function<std::unique_ptr<ISerialLink>()>;

class CPortLink : public ISerialLink {
public:
    CPortLink() = default;
    ~CPortLink() override { Close(); }
    CPortLink(const CPortLink&) = delete;
    CPortLink& operator=(const CPortLink&) = delete;

    // Ports whose device is strDevice are opened through make from now on.
    static void RegisterLinkFactory(const std::string& strDevice, LinkFactory make);
    static void UnregisterLinkFactory(const std::string& strDevice);

    bool Initialise(const std::string& lpszPortName, int nPort, const std::string& szEventName,
                    uint8_t byEndChar) override;
    void Close() override { Active().Close(); }
    uint32_t SendData(const uint8_t* pbyBuffer, uint32_t dwBytesToSend) override
    {
        return Active().SendData(pbyBuffer, dwBytesToSend);
    }
    uint32_t ReceiveData(uint8_t* pbyBuffer, uint32_t* pdwBytesReceived, uint32_t dwMaxBytes) override
    {
        return Active().ReceiveData(pbyBuffer, pdwBytesReceived, dwMaxBytes);
    }
    void EnableCommThread(bool bEnable) override { Active().EnableCommThread(bEnable); }
    void SetBaudRate(uint32_t dwBaud) override;
    bool IsHungUp() const override { return Active().IsHungUp(); }
    uint32_t GetLastError() const override { return Active().GetLastError(); }
    EventHandle DataInEvent() const override { return Active().DataInEvent(); }
    EventHandle HangUpEvent() const override { return Active().HangUpEvent(); }

private:
    ISerialLink& Active() { return m_pOther ? *m_pOther : static_cast<ISerialLink&>(m_serial); }
    const ISerialLink& Active() const
    {
        return m_pOther ? *m_pOther : static_cast<const ISerialLink&>(m_serial);
    }

    CSerial_IF m_serial;
    // The link a factory made for the port opened last; null for a port of the system.
    std::unique_ptr<ISerialLink> m_pOther;
    uint32_t m_dwBaudRate = 9600;
};

}  // namespace halyard
