#include "platform/UdevPorts.h"

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "platform/UdevHandles.h"

namespace halyard {

namespace {

constexpr const char* kByIdFolder = "/dev/serial/by-id/";
// How far up from the tty the hardware's own driver is looked for.
constexpr int kDriverLevels = 4;

std::string Text(const char* sz)
{
    return sz != nullptr ? std::string(sz) : std::string();
}

std::string Trimmed(std::string text)
{
    const auto notBlank = [](unsigned char c) { return c != ' ' && c != '\t' && c != '\n' && c != '\r'; };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notBlank));
    text.erase(std::find_if(text.rbegin(), text.rend(), notBlank).base(), text.end());
    return text;
}

std::string Property(udev_device* pDevice, const char* szName)
{
    return Text(udev_device_get_property_value(pDevice, szName));
}

std::string Blanks(std::string text)
{
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

std::vector<std::string> DriversUpward(udev_device* pDevice)
{
    std::vector<std::string> drivers;
    udev_device* pParent = udev_device_get_parent(pDevice);
    for (int nLevel = 0; pParent != nullptr && nLevel < kDriverLevels; ++nLevel) {
        drivers.push_back(Text(udev_device_get_driver(pParent)));
        pParent = udev_device_get_parent(pParent);
    }
    return drivers;
}

// A tty with hardware behind it: its parent has a driver, and a serial-core
// port without hardware reports type 0 (PORT_UNKNOWN).
bool IsPresentSerialDevice(udev_device* pDevice)
{
    if (udev_device_get_devnode(pDevice) == nullptr)
        return false;
    udev_device* pParent = udev_device_get_parent(pDevice);
    if (pParent == nullptr || udev_device_get_driver(pParent) == nullptr)
        return false;
    return Trimmed(Text(udev_device_get_sysattr_value(pDevice, "type"))) != "0";
}

SerialDeviceInfo InfoOf(udev_device* pDevice)
{
    UsbIdentity identity;
    identity.strVendorFromDatabase = Property(pDevice, "ID_VENDOR_FROM_DATABASE");
    identity.strModelFromDatabase = Property(pDevice, "ID_MODEL_FROM_DATABASE");
    identity.strVendor = Property(pDevice, "ID_VENDOR");
    identity.strModel = Property(pDevice, "ID_MODEL");
    identity.strSerial = Property(pDevice, "ID_SERIAL_SHORT");
    SerialDeviceInfo info;
    info.strDevice = Text(udev_device_get_devnode(pDevice));
    info.strById = ByIdLink(UdevDevlinks(pDevice));
    info.strDescription = DescribeAdapter(identity, HardwareDriver(DriversUpward(pDevice)));
    return info;
}

// Calls visit for each device of the "tty" subsystem; visit returns false to stop.
void ForEachTty(const std::function<bool(udev_device*)>& visit)
{
    UdevPtr pUdev(udev_new());
    if (!pUdev)
        return;
    UdevEnumeratePtr pEnumerate(udev_enumerate_new(pUdev.get()));
    if (!pEnumerate || udev_enumerate_add_match_subsystem(pEnumerate.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(pEnumerate.get()) < 0)
        return;
    udev_list_entry* pEntry = nullptr;
    udev_list_entry_foreach(pEntry, udev_enumerate_get_list_entry(pEnumerate.get()))
    {
        UdevDevicePtr pDevice(udev_device_new_from_syspath(pUdev.get(), udev_list_entry_get_name(pEntry)));
        if (pDevice && !visit(pDevice.get()))
            return;
    }
}

std::optional<dev_t> CharDeviceNumber(const std::string& strPath)
{
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0 || !S_ISCHR(st.st_mode) || st.st_rdev == 0)
        return std::nullopt;
    return st.st_rdev;
}

}  // namespace

std::vector<std::string> UdevDevlinks(udev_device* pDevice)
{
    std::vector<std::string> links;
    udev_list_entry* pEntry = nullptr;
    udev_list_entry_foreach(pEntry, udev_device_get_devlinks_list_entry(pDevice))
        links.push_back(Text(udev_list_entry_get_name(pEntry)));
    for (std::string& link : SplitDevlinks(Property(pDevice, "DEVLINKS"))) {
        if (std::find(links.begin(), links.end(), link) == links.end())
            links.push_back(std::move(link));
    }
    return links;
}

std::vector<SerialDeviceInfo> ListSerialDevices()
{
    std::vector<SerialDeviceInfo> devices;
    ForEachTty([&](udev_device* pDevice) {
        if (IsPresentSerialDevice(pDevice))
            devices.push_back(InfoOf(pDevice));
        return true;
    });
    std::sort(devices.begin(), devices.end(),
              [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) { return a.strDevice < b.strDevice; });
    return devices;
}

SerialDeviceInfo DescribeSerialDevice(const std::string& strPath)
{
    SerialDeviceInfo found;
    const std::optional<dev_t> number = CharDeviceNumber(strPath);
    ForEachTty([&](udev_device* pDevice) {
        const char* szNode = udev_device_get_devnode(pDevice);
        if (szNode == nullptr)
            return true;
        const std::vector<std::string> links = UdevDevlinks(pDevice);
        const bool bSame = strPath == szNode ||
                           std::find(links.begin(), links.end(), strPath) != links.end() ||
                           (number && udev_device_get_devnum(pDevice) == *number);
        if (bSame)
            found = InfoOf(pDevice);
        return !bSame;
    });
    found.strDevice = strPath;
    return found;
}

std::string DescribeAdapter(const UsbIdentity& identity, const std::string& strDriver)
{
    const std::string strVendor =
        !identity.strVendorFromDatabase.empty() ? identity.strVendorFromDatabase : Blanks(identity.strVendor);
    const std::string strModel =
        !identity.strModelFromDatabase.empty() ? identity.strModelFromDatabase : Blanks(identity.strModel);
    std::string strText = strVendor;
    if (!strModel.empty())
        strText += (strText.empty() ? "" : " ") + strModel;
    if (strText.empty())
        strText = strDriver;
    if (!identity.strSerial.empty())
        strText += (strText.empty() ? "(" : " (") + identity.strSerial + ")";
    return strText;
}

std::string HardwareDriver(const std::vector<std::string>& driversUpward)
{
    for (const std::string& driver : driversUpward) {
        if (!driver.empty() && driver != "port" && driver != "ctrl")
            return driver;
    }
    return {};
}

std::string ByIdLink(const std::vector<std::string>& links)
{
    for (const std::string& link : links) {
        if (link.rfind(kByIdFolder, 0) == 0 && link.size() > std::string_view(kByIdFolder).size())
            return link;
    }
    return {};
}

std::vector<std::string> SplitDevlinks(const std::string& strDevlinks)
{
    std::vector<std::string> links;
    size_t nStart = 0;
    while (nStart < strDevlinks.size()) {
        const size_t nEnd = std::min(strDevlinks.find(' ', nStart), strDevlinks.size());
        if (nEnd > nStart)
            links.push_back(strDevlinks.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
    return links;
}

}  // namespace halyard
