#include <cstdlib>

#include "platform/SettingsFile.h"

namespace halyard {

namespace {

std::string Environment(const char* szName)
{
    const char* szValue = std::getenv(szName);
    return szValue != nullptr ? std::string(szValue) : std::string();
}

}  // namespace

std::string CSettingsFile::DefaultPath()
{
    // As the toolkit decides: XDG_CONFIG_HOME when set, else HOME/.config, and
    // with no HOME at all the root folder's .config.
    std::string strFolder = Environment("XDG_CONFIG_HOME");
    if (strFolder.empty()) {
        const std::string strHome = Environment("HOME");
        strFolder = strHome + "/.config";
    }
    return strFolder + "/Orvan/Halyard.conf";
}

}  // namespace halyard
