#include "SettingsPortMemory.h"

#include <charconv>

namespace halyard {

CSettingsPortMemory::CSettingsPortMemory(std::string strPath)
    : m_file(std::move(strPath))
{}

std::map<std::string, int> CSettingsPortMemory::Load()
{
    std::map<std::string, int> numbers;
    for (const auto& [strKey, strValue] : m_file.ReadGroup(kPortMemoryGroup)) {
        int nPort = 0;
        const char* pEnd = strValue.data() + strValue.size();
        const auto [ptr, ec] = std::from_chars(strValue.data(), pEnd, nPort);
        if (ec == std::errc() && ptr == pEnd && nPort >= 1)
            numbers[strKey] = nPort;
    }
    return numbers;
}

void CSettingsPortMemory::Save(const std::map<std::string, int>& numbers)
{
    std::map<std::string, std::string> values;
    for (const auto& [strKey, nPort] : numbers)
        values[strKey] = std::to_string(nPort);
    static_cast<void>(m_file.WriteGroup(kPortMemoryGroup, values));
}

}  // namespace halyard
