#pragma once
// Sets an environment variable for the life of the object and puts back what
// was there before (or removes it), however the test ends.

#include <stdlib.h>

#include <optional>
#include <string>

namespace halyard::test {

class CScopedEnvironment {
public:
    // A null value removes the variable for the while.
    CScopedEnvironment(std::string strName, const std::optional<std::string>& value)
        : m_strName(std::move(strName))
    {
        if (const char* szOld = ::getenv(m_strName.c_str()))
            m_old = szOld;
        if (value)
            ::setenv(m_strName.c_str(), value->c_str(), 1);
        else
            ::unsetenv(m_strName.c_str());
    }
    ~CScopedEnvironment()
    {
        if (m_old)
            ::setenv(m_strName.c_str(), m_old->c_str(), 1);
        else
            ::unsetenv(m_strName.c_str());
    }
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

private:
    std::string m_strName;
    std::optional<std::string> m_old;
};

}  // namespace halyard::test
