#pragma once
// The settings file's default place moved into a test's folder for as long as
// the object lives: $XDG_CONFIG_HOME/Orvan/Halyard.conf.

#include <string>

#include "../ScopedEnvironment.h"

namespace halyard::test {

class CSettingsHome {
public:
    explicit CSettingsHome(const std::string& strFolder)
        : m_environment("XDG_CONFIG_HOME", strFolder)
        , m_strFile(strFolder + "/Orvan/Halyard.conf")
    {}
    // Where the settings file now is.
    const std::string& File() const { return m_strFile; }

private:
    CScopedEnvironment m_environment;
    std::string m_strFile;
};

}  // namespace halyard::test
