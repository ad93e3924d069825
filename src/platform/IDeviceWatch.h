#pragma once
// What a front end waits on while its serial device is gone: a descriptor to
// poll together with its other descriptors, and a question to ask when it
// turns readable. CUdevMonitor answers it from udev's hot-plug events; tests
// use a fake (tests/support/FakeDeviceWatch.h) that needs no udev.

#include <string>

namespace halyard {

class IDeviceWatch {
public:
    virtual ~IDeviceWatch() = default;
    // Readable when something may have changed; -1 when the watch cannot work.
    virtual int Fd() const = 0;
    // Takes every pending change without blocking; true when the device at
    // strPath (its device file, a link to it such as its by-id name) is among
    // them and was last seen arriving.
    virtual bool TakeArrival(const std::string& strPath) = 0;
};

}  // namespace halyard
