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
        Put(value);
    }
    ~CScopedEnvironment() { Put(m_old); }
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

private:
    void Put(const std::optional<std::string>& value) const
    {
#ifdef _WIN32
        // An empty value removes a variable on Windows.
        ::_putenv_s(m_strName.c_str(), value ? value->c_str() : "");
#else
        if (value)
            ::setenv(m_strName.c_str(), value->c_str(), 1);
        else
            ::unsetenv(m_strName.c_str());
#endif
    }

    std::string m_strName;
    std::optional<std::string> m_old;
};

}  // namespace halyard::test
