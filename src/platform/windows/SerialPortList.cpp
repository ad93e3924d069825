// The serial ports present on Windows: the system's own list in the registry
// (HARDWARE\DEVICEMAP\SERIALCOMM, one value per port whose data is its
// "COMn" name), with the adapter's friendly name from SetupAPI where the
// Ports device class has one ("USB Serial Port (COM5)"). A port is listed as
// "\\.\COMn", the name CreateFileW opens, so that it keeps the system's number.
#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/PortNumbering.h"
#include "platform/UdevPorts.h"
#include "platform/windows/WideText.h"

namespace halyard {

namespace {

// The Ports device class (GUID_DEVCLASS_PORTS).
const GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// The "COMn" names of SERIALCOMM.
std::vector<std::string> RegisteredPortNames()
{
    std::vector<std::string> names;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &hKey) !=
        ERROR_SUCCESS)
        return names;
    for (DWORD dwIndex = 0;; ++dwIndex) {
        wchar_t szValueName[256];
        wchar_t szData[64] = {};
        DWORD dwNameLength = 256;
        DWORD dwDataBytes = sizeof szData - sizeof(wchar_t);
        DWORD dwType = 0;
        const LONG nResult = ::RegEnumValueW(hKey, dwIndex, szValueName, &dwNameLength, nullptr, &dwType,
                                             reinterpret_cast<BYTE*>(szData), &dwDataBytes);
        if (nResult == ERROR_NO_MORE_ITEMS)
            break;
        if (nResult == ERROR_SUCCESS && dwType == REG_SZ)
            names.push_back(Utf8Text(szData));
    }
    ::RegCloseKey(hKey);
    return names;
}

// The friendly name of each port of the Ports class that has one, by its "COMn".
std::map<std::string, std::string> FriendlyNames()
{
    std::map<std::string, std::string> names;
    HDEVINFO hDevices = ::SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (hDevices == INVALID_HANDLE_VALUE)
        return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD dwIndex = 0; ::SetupDiEnumDeviceInfo(hDevices, dwIndex, &device); ++dwIndex) {
        HKEY hKey = ::SetupDiOpenDevRegKey(hDevices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
        if (hKey == INVALID_HANDLE_VALUE)
            continue;
        wchar_t szPort[64] = {};
        DWORD dwBytes = sizeof szPort - sizeof(wchar_t);
        const bool bHasPort = ::RegQueryValueExW(hKey, L"PortName", nullptr, nullptr, reinterpret_cast<BYTE*>(szPort),
                                                 &dwBytes) == ERROR_SUCCESS;
        ::RegCloseKey(hKey);
        wchar_t szFriendly[256] = {};
        if (bHasPort && ::SetupDiGetDeviceRegistryPropertyW(hDevices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                                            reinterpret_cast<BYTE*>(szFriendly),
                                                            sizeof szFriendly - sizeof(wchar_t), nullptr))
            names[Utf8Text(szPort)] = Utf8Text(szFriendly);
    }
    ::SetupDiDestroyDeviceInfoList(hDevices);
    return names;
}

// "\\.\COM5" for "COM5", "COM5:" or "\\.\COM5"; "" for a name without a number.
std::string DeviceName(const std::string& strName)
{
    const int nPort = PortNumberFromName(strName);
    return nPort > 0 ? "\\\\.\\COM" + std::to_string(nPort) : std::string();
}

}  // namespace

std::vector<SerialDeviceInfo> ListSerialDevices()
{
    const std::map<std::string, std::string> friendly = FriendlyNames();
    std::vector<SerialDeviceInfo> devices;
    for (const std::string& strName : RegisteredPortNames()) {
        const std::string strDevice = DeviceName(strName);
        if (strDevice.empty())
            continue;
        const auto it = friendly.find(strName);
        devices.push_back({strDevice, {}, it != friendly.end() ? it->second : std::string()});
    }
    std::sort(devices.begin(), devices.end(), [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) {
        return LegacyPortIndex(a.strDevice) < LegacyPortIndex(b.strDevice);
    });
    return devices;
}

SerialDeviceInfo DescribeSerialDevice(const std::string& strPath)
{
    SerialDeviceInfo info{strPath, {}, {}};
    const std::string strDevice = DeviceName(strPath);
    for (const SerialDeviceInfo& present : ListSerialDevices()) {
        if (!strDevice.empty() && present.strDevice == strDevice)
            info.strDescription = present.strDescription;
    }
    return info;
}

}  // namespace halyard
