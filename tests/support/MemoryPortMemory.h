#pragma once
// Remembered COM numbers kept in memory, for tests of the port table: what
// was saved, and how often.

#include <map>
#include <string>

#include "platform/IPortMemory.h"

namespace halyard::test {

class CMemoryPortMemory : public IPortMemory {
public:
    explicit CMemoryPortMemory(std::map<std::string, int> numbers = {})
        : m_numbers(std::move(numbers))
    {}
    std::map<std::string, int> Load() override { return m_numbers; }
    void Save(const std::map<std::string, int>& numbers) override
    {
        m_numbers = numbers;
        ++m_nSaves;
    }

    const std::map<std::string, int>& Numbers() const { return m_numbers; }
    int Saves() const { return m_nSaves; }

private:
    std::map<std::string, int> m_numbers;
    int m_nSaves = 0;
};

}  // namespace halyard::test
