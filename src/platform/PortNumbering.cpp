#include "PortNumbering.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace halyard {

namespace {

bool Holds(const std::vector<PortEntry>& list, const std::string& strPath)
{
    return !strPath.empty() &&
           std::any_of(list.begin(), list.end(), [&](const PortEntry& e) { return e.strDevice == strPath; });
}

int LowestFree(const std::set<int>& taken, const std::set<int>& reserved)
{
    int nPort = 1;
    while (taken.count(nPort) != 0 || reserved.count(nPort) != 0)
        ++nPort;
    return nPort;
}

PortEntry EntryFor(int nPort, const SerialDeviceInfo& device)
{
    return {nPort, device.strDevice, device.strDescription, device.strById};
}

}  // namespace

namespace {

// The number after strPrefix when strDevice is strPrefix and 1 to 6 digits; -1 otherwise.
int NumberAfter(const std::string& strDevice, std::string_view strPrefix)
{
    if (strDevice.rfind(strPrefix, 0) != 0 || strDevice.size() == strPrefix.size() ||
        strDevice.size() > strPrefix.size() + 6)
        return -1;
    for (size_t i = strPrefix.size(); i < strDevice.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(strDevice[i])))
            return -1;
    }
    return std::atoi(strDevice.c_str() + strPrefix.size());
}

}  // namespace

int LegacyPortIndex(const std::string& strDevice)
{
    // Windows names its ports itself: "\\.\COM5" is COM5 whatever else is there.
    if (const int nPort = NumberAfter(strDevice, "\\\\.\\COM"); nPort > 0)
        return nPort - 1;
    return NumberAfter(strDevice, "/dev/ttyS");
}

std::string MemoryKey(const std::string& strById)
{
    const size_t nSlash = strById.rfind('/');
    return nSlash == std::string::npos ? strById : strById.substr(nSlash + 1);
}

PortNumbering NumberDevices(std::vector<SerialDeviceInfo> devices, const std::vector<PortEntry>& pinned,
                            const std::vector<PortEntry>& simulated, std::map<std::string, int> remembered)
{
    std::sort(devices.begin(), devices.end(),
              [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) { return a.strDevice < b.strDevice; });
    std::erase_if(devices, [&](const SerialDeviceInfo& d) {
        return Holds(pinned, d.strDevice) || Holds(pinned, d.strById);
    });
    std::set<int> taken;
    for (const auto* pList : {&pinned, &simulated}) {
        for (const PortEntry& entry : *pList)
            taken.insert(entry.nPort);
    }

    PortNumbering result;
    std::vector<const SerialDeviceInfo*> rest;
    for (const SerialDeviceInfo& device : devices) {
        const int nIndex = LegacyPortIndex(device.strDevice);
        if (nIndex >= 0 && taken.insert(nIndex + 1).second)
            result.ports.push_back(EntryFor(nIndex + 1, device));
        else
            rest.push_back(&device);
    }

    // Adapters remembered from before; a number a pin or a legacy port holds now is lost.
    auto keyOf = [](const SerialDeviceInfo& d) {
        return d.strById.empty() || LegacyPortIndex(d.strDevice) >= 0 ? std::string() : MemoryKey(d.strById);
    };
    std::set<std::string> present;
    std::vector<const SerialDeviceInfo*> unnumbered;
    for (const SerialDeviceInfo* pDevice : rest) {
        const std::string strKey = keyOf(*pDevice);
        if (!strKey.empty())
            present.insert(strKey);
        const auto it = strKey.empty() ? remembered.end() : remembered.find(strKey);
        if (it != remembered.end() && it->second >= 1 && taken.insert(it->second).second)
            result.ports.push_back(EntryFor(it->second, *pDevice));
        else
            unnumbered.push_back(pDevice);
    }
    for (const auto& [strKey, nPort] : remembered) {
        if (present.count(strKey) == 0)
            result.reserved.insert(nPort);
    }

    for (const SerialDeviceInfo* pDevice : unnumbered) {
        const int nPort = LowestFree(taken, result.reserved);
        taken.insert(nPort);
        result.ports.push_back(EntryFor(nPort, *pDevice));
        if (const std::string strKey = keyOf(*pDevice); !strKey.empty())
            remembered[strKey] = nPort;
    }
    result.remembered = std::move(remembered);
    return result;
}

}  // namespace halyard
