#include <windows.h>

#include "platform/SettingsFile.h"
#include "platform/windows/WideText.h"

namespace halyard {

std::string CSettingsFile::DefaultPath()
{
    // The user's roaming application data, %APPDATA%, where the toolkit keeps
    // its INI-format settings on Windows. The path is UTF-8, as every path the
    // program hands on is.
    const DWORD dwLength = ::GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
    std::wstring strFolder(dwLength, L'\0');
    if (dwLength == 0 || ::GetEnvironmentVariableW(L"APPDATA", strFolder.data(), dwLength) + 1 != dwLength)
        strFolder.clear();
    else
        strFolder.resize(dwLength - 1);
    return Utf8Text(strFolder) + "\\Orvan\\Halyard.ini";
}

}  // namespace halyard
