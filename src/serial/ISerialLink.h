#pragma once
// The serial link as its owner sees it: open, send a line, take the received
// lines, close, and the two events by which the link says that lines are
// waiting or that the other end hung up. CSerial_IF is the real one; tests of
// the document and of the identification put a fake in its place, and a front
// end without windows can drive the document through the same operations.
//
// The owner (CHalyardDoc, CConnectLogic) calls every operation on its own
// thread. The event handles are signalled from the link's own thread; the
// document's watcher thread waits on them. They are valid from a successful
// Initialise until Close, and null while the link is closed.

#include <cstdint>
#include <string>

#include "platform/AutoResetEvent.h"

namespace halyard {

class ISerialLink {
public:
    virtual ~ISerialLink() = default;

    // Opens port lpszPortName ("COM%d:" or "\\.\COM%d") as number nPort; lines
    // end at byEndChar. False, with the cause in GetLastError, when it cannot.
    virtual bool Initialise(const std::string& lpszPortName, int nPort, const std::string& szEventName,
                            uint8_t byEndChar) = 0;
    virtual void Close() = 0;
    // Queues the bytes as a whole: 1 when taken, 0 when not (closed, or no room).
    virtual uint32_t SendData(const uint8_t* pbyBuffer, uint32_t dwBytesToSend) = 0;
    // The oldest received line into pbyBuffer: 1 when one was taken, else 0.
    virtual uint32_t ReceiveData(uint8_t* pbyBuffer, uint32_t* pdwBytesReceived, uint32_t dwMaxBytes) = 0;
    virtual void EnableCommThread(bool bEnable) = 0;
    // The baud rate the next Initialise opens the port with.
    virtual void SetBaudRate(uint32_t dwBaud) = 0;
    virtual bool IsHungUp() const = 0;
    // The system's error code of the last failed operation, 0 when none.
    virtual uint32_t GetLastError() const = 0;

    // Signalled when received lines wait for ReceiveData.
    virtual EventHandle DataInEvent() const = 0;
    // Signalled once when the other end hangs up (IsHungUp() is then true).
    virtual EventHandle HangUpEvent() const = 0;
};

}  // namespace halyard
