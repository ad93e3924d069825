#pragma once
// What a front end waits on while its serial device is gone: a handle to
// wait for together with its others, and a question to ask when it is ready.
// On Linux CUdevMonitor answers it from udev's hot-plug events; on Windows
// CPortListWatch looks at the system's port list again once a second. Tests
// use a fake (tests/support/FakeDeviceWatch.h) that needs neither.

#include <memory>
#include <string>

#include "NativeHandle.h"

namespace halyard {

class IDeviceWatch {
public:
    virtual ~IDeviceWatch() = default;
    // Ready when something may have changed; kNoHandle when the watch cannot work.
    virtual NativeHandle Fd() const = 0;
    // Takes every pending change without blocking; true when the device at
    // strPath (its device file, a link to it such as its by-id name) is among
    // them and was last seen arriving.
    virtual bool TakeArrival(const std::string& strPath) = 0;
};

// The system's device watch, listening from now on; null when it cannot
// work (DeviceWatch.cpp in the system's folder).
std::unique_ptr<IDeviceWatch> CreateDeviceWatch();

}  // namespace halyard
