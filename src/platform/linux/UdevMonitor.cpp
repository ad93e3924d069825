#include "platform/UdevMonitor.h"

namespace halyard {

namespace {

DeviceEvent EventOf(udev_device* pDevice)
{
    DeviceEvent event;
    const char* szAction = udev_device_get_action(pDevice);
    const char* szNode = udev_device_get_devnode(pDevice);
    event.strAction = szAction != nullptr ? szAction : "";
    event.strDevNode = szNode != nullptr ? szNode : "";
    event.links = UdevDevlinks(pDevice);
    event.devnum = udev_device_get_devnum(pDevice);
    return event;
}

}  // namespace

CUdevMonitor::CUdevMonitor()
    : m_pUdev(udev_new())
{
    if (!m_pUdev)
        return;
    UdevMonitorPtr pMonitor(udev_monitor_new_from_netlink(m_pUdev.get(), "udev"));
    if (!pMonitor || udev_monitor_filter_add_match_subsystem_devtype(pMonitor.get(), "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(pMonitor.get()) < 0)
        return;
    m_pMonitor = std::move(pMonitor);
}

NativeHandle CUdevMonitor::Fd() const
{
    return m_pMonitor ? udev_monitor_get_fd(m_pMonitor.get()) : -1;
}

std::vector<DeviceEvent> CUdevMonitor::TakeEvents()
{
    std::vector<DeviceEvent> events;
    if (!m_pMonitor)
        return events;
    // The monitor's socket does not block: a null device means nothing more is queued.
    while (UdevDevicePtr pDevice{udev_monitor_receive_device(m_pMonitor.get())})
        events.push_back(EventOf(pDevice.get()));
    return events;
}

bool CUdevMonitor::TakeArrival(const std::string& strPath)
{
    const std::vector<DeviceEvent> events = TakeEvents();
    // Asked after the events are read: a link udevd made for the new device exists now.
    return LastChange(events, IdentifyPath(strPath)) == DeviceChange::Arrived;
}

bool CUdevMonitor::TakeRemoval(const std::string& strPath)
{
    const std::vector<DeviceEvent> events = TakeEvents();
    return LastChange(events, IdentifyPath(strPath)) == DeviceChange::Removed;
}

}  // namespace halyard
