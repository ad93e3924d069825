#pragma once
// The process switched to a German locale (a comma as the decimal separator,
// German month names) for as long as the object lives, as Qt does when the
// environment asks for one. The locale is built into a folder of its own with
// localedef (package locales), so the machine needs none installed.

#include <clocale>
#include <cstdlib>
#include <string>

#include "../TempFolder.h"

namespace halyard::test {

class CGermanLocale {
public:
    CGermanLocale()
    {
        if (!m_folder.IsValid())
            return;
        const std::string strCommand =
            "localedef -i de_DE -f UTF-8 '" + m_folder.Path("de_DE.UTF-8") + "' 2>/dev/null";
        if (std::system(strCommand.c_str()) != 0)
            return;
        ::setenv("LOCPATH", m_folder.Path().c_str(), 1);
        m_bActive = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    }
    ~CGermanLocale()
    {
        std::setlocale(LC_ALL, "C");
        ::unsetenv("LOCPATH");
    }
    CGermanLocale(const CGermanLocale&) = delete;
    CGermanLocale& operator=(const CGermanLocale&) = delete;

    // Whether the locale is in force; tests assert this first.
    bool IsActive() const { return m_bActive; }

private:
    CTempFolder m_folder;
    bool m_bActive = false;
};

}  // namespace halyard::test
