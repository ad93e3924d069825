#include "FileCalls.h"

namespace halyard {

std::filesystem::path SystemPath(const std::string& strPath)
{
    // From char8_t the path is read as UTF-8 on every system (from char it
    // would be read in Windows's ANSI code page).
    return std::filesystem::path(std::u8string(strPath.begin(), strPath.end()));
}

}  // namespace halyard
