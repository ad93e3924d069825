#include <windows.h>

#include "platform/SettingsFile.h"

namespace halyard {

std::string CSettingsFile::DefaultPath()
{
    // The user's roaming application data, %APPDATA%, where the toolkit's
    // settings in INI form go on Windows too. The path is UTF-8, as every
    // path the program hands on is.
    const DWORD dwLength = ::GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
    std::wstring strFolder(dwLength, L'\0');
    if (dwLength == 0 || ::GetEnvironmentVariableW(L"APPDATA", strFolder.data(), dwLength) != dwLength - 1)
        strFolder.clear();
    strFolder.resize(strFolder.empty() ? 0 : dwLength - 1);
    strFolder += L"\\Orvan\\Halyard.ini";
    const int nBytes =
        ::WideCharToMultiByte(CP_UTF8, 0, strFolder.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string strPath(static_cast<size_t>(nBytes > 0 ? nBytes : 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, strFolder.c_str(), -1, strPath.data(), nBytes, nullptr, nullptr);
    strPath.resize(strPath.size() - 1);
    return strPath;
}

}  // namespace halyard
