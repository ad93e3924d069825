#include "PortTable.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace halyard {

namespace fs = std::filesystem;

namespace {

std::string ReadFirstLine(const fs::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    return line;
}

// "Manufacturer Product" of a USB adapter, or the driver's name.
std::string DescribeDevice(const fs::path& ttyDir)
{
    const fs::path device = ttyDir / "device";
    for (const char* up : {"..", "../.."}) {
        const std::string product = ReadFirstLine(device / up / "product");
        if (!product.empty()) {
            const std::string maker = ReadFirstLine(device / up / "manufacturer");
            return maker.empty() ? product : maker + " " + product;
        }
    }
    // Newer kernels put generic "port" and "ctrl" drivers between the tty and
    // the hardware's own driver: walk up past them.
    fs::path dir = device;
    for (int nLevel = 0; nLevel < 4; ++nLevel, dir /= "..") {
        std::error_code ec;
        const std::string driver = fs::read_symlink(dir / "driver", ec).filename().string();
        if (!ec && driver != "port" && driver != "ctrl")
            return driver;
    }
    return {};
}

// A serial port that is really there: it has a driver, and a legacy 8250 port
// without hardware reports type 0.
bool IsPresent(const fs::path& ttyDir)
{
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(ttyDir / "device" / "driver", ec)))
        return false;
    const std::string type = ReadFirstLine(ttyDir / "type");
    return type.empty() || type != "0";
}

int LegacyIndex(const std::string& strName)
{
    if (strName.rfind("ttyS", 0) != 0 || strName.size() == 4)
        return -1;
    for (size_t i = 4; i < strName.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(strName[i])))
            return -1;
    }
    return std::atoi(strName.c_str() + 4);
}

}  // namespace

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
    const std::string strDescription =
        DescribeDevice(fs::path("/sys/class/tty") / fs::path(strDevice).filename());
    std::lock_guard lock(m_mutex);
    std::erase_if(m_pinned, [&](const PortEntry& e) { return e.nPort == nPort; });
    m_pinned.push_back({nPort, strDevice, strDescription});
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
        if (!taken(m_pinned) && !taken(m_scanned) && !taken(m_simulated))
            return nPort;
    }
}

void CPortTable::Scan(const std::string& strSysRoot)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(strSysRoot, ec)) {
        if (IsPresent(entry.path()))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());

    std::lock_guard lock(m_mutex);
    m_scanned.clear();
    auto pinnedDevice = [this](const std::string& strDevice) {
        return std::any_of(m_pinned.begin(), m_pinned.end(),
                           [&](const PortEntry& e) { return e.strDevice == strDevice; });
    };
    std::vector<std::string> others;
    // Legacy ports keep their fixed numbers first; the rest fill the gaps after.
    for (const std::string& name : names) {
        const std::string device = "/dev/" + name;
        if (pinnedDevice(device))
            continue;
        const int nIndex = LegacyIndex(name);
        const int nWanted = nIndex + 1;
        const bool bFree = nIndex >= 0 &&
                           std::none_of(m_pinned.begin(), m_pinned.end(),
                                        [&](const PortEntry& e) { return e.nPort == nWanted; }) &&
                           std::none_of(m_simulated.begin(), m_simulated.end(),
                                        [&](const PortEntry& e) { return e.nPort == nWanted; });
        if (bFree)
            m_scanned.push_back({nWanted, device, DescribeDevice(fs::path(strSysRoot) / name)});
        else
            others.push_back(name);
    }
    for (const std::string& name : others)
        m_scanned.push_back({LowestFree(), "/dev/" + name, DescribeDevice(fs::path(strSysRoot) / name)});
}

int CPortTable::RegisterSimulated(const std::string& strDevice, const std::string& strDescription)
{
    std::lock_guard lock(m_mutex);
    const int nPort = LowestFree();
    m_simulated.push_back({nPort, strDevice, strDescription});
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
