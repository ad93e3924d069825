#include "PortTable.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

#include "PortNumbering.h"

namespace halyard {

int PortNumberFromName(const std::string& strName)
{
    const size_t pos = strName.find("COM");
    if (pos == std::string::npos)
        return 0;
    int nPort = 0;
    for (size_t i = pos + 3; i < strName.size() && std::isdigit(static_cast<unsigned char>(strName[i]));
         ++i) {
        nPort = nPort * 10 + (strName[i] - '0');
        if (nPort > 1000000)
            return 0;
    }
    return nPort;
}

CPortTable& CPortTable::Instance()
{
    static CPortTable table;
    return table;
}

bool CPortTable::PinFromText(const std::string& strEntry)
{
    const size_t eq = strEntry.find('=');
    if (eq == std::string::npos || strEntry.rfind("COM", 0) != 0)
        return false;
    const std::string number = strEntry.substr(3, eq - 3);
    const std::string device = strEntry.substr(eq + 1);
    if (number.empty() || number.size() > 3 || device.empty())
        return false;
    if (!std::all_of(number.begin(), number.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    const int nPort = std::atoi(number.c_str());
    if (nPort < 1)
        return false;
    Pin(nPort, device);
    return true;
}

void CPortTable::Pin(int nPort, const std::string& strDevice)
{
    const SerialDeviceInfo info = DescribeSerialDevice(strDevice);
    std::lock_guard lock(m_mutex);
    std::erase_if(m_pinned, [&](const PortEntry& e) { return e.nPort == nPort; });
    m_pinned.push_back({nPort, strDevice, info.strDescription, info.strById});
}

PortSetUpReport CPortTable::SetUp(const std::vector<std::string>& pins, std::shared_ptr<IPortMemory> pMemory)
{
    PortSetUpReport report;
    if (!PinFromEnvironment())
        report.strWarning = "HALYARD_PORTS holds an entry that is not COMn=PATH; the others are used.";
    for (const std::string& strPin : pins) {
        if (!PinFromText(strPin)) {
            report.strError = "--port " + strPin + ": expected COMn=PATH";
            return report;
        }
    }
    SetMemory(std::move(pMemory));
    Scan();
    return report;
}

bool CPortTable::PinFromEnvironment()
{
    const char* szPorts = std::getenv("HALYARD_PORTS");
    if (!szPorts)
        return true;
    bool bAllGood = true;
    std::string text = szPorts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string entry = text.substr(start, end - start);
        if (!entry.empty() && !PinFromText(entry))
            bAllGood = false;
        start = end + 1;
    }
    return bAllGood;
}

int CPortTable::LowestFree() const
{
    for (int nPort = 1;; ++nPort) {
        auto taken = [nPort](const std::vector<PortEntry>& list) {
            return std::any_of(list.begin(), list.end(),
                               [nPort](const PortEntry& e) { return e.nPort == nPort; });
        };
        if (!taken(m_pinned) && !taken(m_scanned) && !taken(m_simulated) && m_reserved.count(nPort) == 0)
            return nPort;
    }
}

void CPortTable::Scan(const SerialEnumerator& enumerate)
{
    SerialEnumerator own;
    std::shared_ptr<IPortMemory> pMemory;
    {
        std::lock_guard lock(m_mutex);
        own = m_enumerate;
        pMemory = m_pMemory;
    }
    // Listing and the memory's file are read without the lock held.
    const SerialEnumerator& list = enumerate ? enumerate : own;
    std::vector<SerialDeviceInfo> devices = list ? list() : ListSerialDevices();
    std::map<std::string, int> remembered = pMemory ? pMemory->Load() : std::map<std::string, int>();

    PortNumbering numbering;
    {
        std::lock_guard lock(m_mutex);
        numbering = NumberDevices(std::move(devices), m_pinned, m_simulated, remembered);
        m_scanned = std::move(numbering.ports);
        m_reserved = std::move(numbering.reserved);
    }
    if (pMemory && numbering.remembered != remembered)
        pMemory->Save(numbering.remembered);
}

void CPortTable::SetEnumerator(SerialEnumerator enumerate)
{
    std::lock_guard lock(m_mutex);
    m_enumerate = std::move(enumerate);
}

void CPortTable::SetMemory(std::shared_ptr<IPortMemory> pMemory)
{
    std::lock_guard lock(m_mutex);
    m_pMemory = std::move(pMemory);
    m_reserved.clear();
}

int CPortTable::RegisterSimulated(const std::string& strDevice, const std::string& strDescription)
{
    std::lock_guard lock(m_mutex);
    const int nPort = LowestFree();
    m_simulated.push_back({nPort, strDevice, strDescription, {}});
    return nPort;
}

void CPortTable::Unregister(int nPort)
{
    std::lock_guard lock(m_mutex);
    auto matches = [nPort](const PortEntry& e) { return e.nPort == nPort; };
    std::erase_if(m_pinned, matches);
    std::erase_if(m_scanned, matches);
    std::erase_if(m_simulated, matches);
}

void CPortTable::Clear()
{
    std::lock_guard lock(m_mutex);
    m_pinned.clear();
    m_scanned.clear();
    m_simulated.clear();
    m_reserved.clear();
    m_enumerate = nullptr;
    m_pMemory.reset();
}

std::vector<PortEntry> CPortTable::Ports() const
{
    std::lock_guard lock(m_mutex);
    std::vector<PortEntry> all = m_pinned;
    all.insert(all.end(), m_simulated.begin(), m_simulated.end());
    all.insert(all.end(), m_scanned.begin(), m_scanned.end());
    std::sort(all.begin(), all.end(),
              [](const PortEntry& a, const PortEntry& b) { return a.nPort < b.nPort; });
    return all;
}

std::optional<PortEntry> CPortTable::Find(int nPort) const
{
    for (const PortEntry& entry : Ports()) {
        if (entry.nPort == nPort)
            return entry;
    }
    return std::nullopt;
}

std::optional<std::string> CPortTable::Resolve(const std::string& strPortName) const
{
    if (!strPortName.empty() && strPortName.front() == '/')
        return strPortName;
    const int nPort = PortNumberFromName(strPortName);
    if (nPort <= 0)
        return std::nullopt;
    if (auto entry = Find(nPort))
        return entry->strDevice;
    return std::nullopt;
}

}  // namespace halyard
