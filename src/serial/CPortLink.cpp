#include "CPortLink.h"

#include <map>
#include <mutex>

#include "platform/PortTable.h"

namespace halyard {

namespace {

struct FactoryRegistry {
    std::mutex mutex;
    std::map<std::string, LinkFactory> factories;
};

FactoryRegistry& Registry()
{
    static FactoryRegistry registry;
    return registry;
}

LinkFactory FactoryFor(const std::string& strPortName)
{
    const std::optional<std::string> strDevice = CPortTable::Instance().Resolve(strPortName);
    if (!strDevice)
        return {};
    FactoryRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    const auto it = registry.factories.find(*strDevice);
    return it != registry.factories.end() ? it->second : LinkFactory();
}

}  // namespace

void CPortLink::RegisterLinkFactory(const std::string& strDevice, LinkFactory make)
{
    FactoryRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    registry.factories[strDevice] = std::move(make);
}

void CPortLink::UnregisterLinkFactory(const std::string& strDevice)
{
    FactoryRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    registry.factories.erase(strDevice);
}

bool CPortLink::Initialise(const std::string& lpszPortName, int nPort, const std::string& szEventName,
                           uint8_t byEndChar)
{
    Close();
    const LinkFactory make = FactoryFor(lpszPortName);
    m_pOther = make ? make() : nullptr;
    Active().SetBaudRate(m_dwBaudRate);
    return Active().Initialise(lpszPortName, nPort, szEventName, byEndChar);
}

void CPortLink::SetBaudRate(uint32_t dwBaud)
{
    m_dwBaudRate = dwBaud;
    Active().SetBaudRate(dwBaud);
}

}  // namespace halyard
