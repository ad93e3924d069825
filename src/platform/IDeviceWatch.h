#pragma once
// Tells when a serial device that vanished (a USB adapter pulled) is back:
// Fd() becomes readable when something may have changed, and TakeArrival
// reads what is pending and says whether the device at strPath has appeared.
// Waiting on it needs no polling loop.

#include <string>

namespace halyard {

class IDeviceWatch {
public:
    virtual ~IDeviceWatch() = default;
    virtual int Fd() const = 0;
    virtual bool TakeArrival(const std::string& strPath) = 0;
};

}  // namespace halyard
