#pragma once
// Owning handles for libudev objects: each releases its one reference with
// the matching udev_*_unref when it goes. Borrowed pointers (a parent from
// udev_device_get_parent, list entries) stay raw: libudev keeps them alive
// as long as the device or list they came from.

#include <libudev.h>

#include <memory>

namespace halyard {

struct UdevUnref {
    void operator()(udev* p) const { udev_unref(p); }
    void operator()(udev_device* p) const { udev_device_unref(p); }
    void operator()(udev_enumerate* p) const { udev_enumerate_unref(p); }
    void operator()(udev_monitor* p) const { udev_monitor_unref(p); }
};

using UdevPtr = std::unique_ptr<udev, UdevUnref>;
using UdevDevicePtr = std::unique_ptr<udev_device, UdevUnref>;
using UdevEnumeratePtr = std::unique_ptr<udev_enumerate, UdevUnref>;
using UdevMonitorPtr = std::unique_ptr<udev_monitor, UdevUnref>;

}  // namespace halyard

#include <string>
#include <vector>

namespace halyard {

// A device's links (/dev/serial/by-id/...): those of udev's database, and
// those a device read from sysfs alone or a hot-plug event carries in its
// DEVLINKS property. Defined with the port listing.
std::vector<std::string> UdevDevlinks(udev_device* pDevice);

}  // namespace halyard
