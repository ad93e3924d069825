#pragma once
// The C runtime switched to a German locale (a comma as the decimal separator,
// German month names) for as long as the object lives.

#include <clocale>

namespace halyard::test {

class CGermanLocale {
public:
    CGermanLocale()
        : m_bActive(std::setlocale(LC_ALL, "German_Germany.1252") != nullptr)
    {}
    ~CGermanLocale() { std::setlocale(LC_ALL, "C"); }
    CGermanLocale(const CGermanLocale&) = delete;
    CGermanLocale& operator=(const CGermanLocale&) = delete;

    // Whether the locale is in force; tests assert this first.
    bool IsActive() const { return m_bActive; }

private:
    bool m_bActive;
};

}  // namespace halyard::test
