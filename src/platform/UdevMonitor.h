#pragma once
// Hot-plug events of serial devices: a udev monitor on the "udev" source
// (events udevd sends once its rules have run, so the by-id links exist)
// filtered on the "tty" subsystem. Nothing here blocks: poll Fd(), then take
// what is pending. A front end that lost its adapter waits for TakeArrival of
// the path it opened (/dev/ttyUSB0 or its /dev/serial/by-id/ name). Owned and
// used by one thread.

#include <string>
#include <vector>

#include "DeviceEvents.h"
#include "IDeviceWatch.h"
#include "UdevHandles.h"

namespace halyard {

class CUdevMonitor : public IDeviceWatch {
public:
    // Starts listening at once; IsValid() false when udev refuses.
    CUdevMonitor();
    bool IsValid() const { return m_pMonitor != nullptr; }

    NativeHandle Fd() const override;
    bool TakeArrival(const std::string& strPath) override;
    // Likewise: true when the device at strPath is among the pending events
    // and was last seen leaving.
    bool TakeRemoval(const std::string& strPath);
    // Every pending event, oldest first; empty when there are none.
    std::vector<DeviceEvent> TakeEvents();

private:
    UdevPtr m_pUdev;
    UdevMonitorPtr m_pMonitor;
};

}  // namespace halyard
