#include "platform/windows/WideText.h"

#include <windows.h>

namespace halyard {

std::wstring WideText(std::string_view text)
{
    if (text.empty())
        return {};
    const int nSize = static_cast<int>(text.size());
    const int nWide = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), nSize, nullptr, 0);
    std::wstring wide(static_cast<size_t>(nWide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), nSize, wide.data(), nWide);
    return wide;
}

std::string Utf8Text(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int nSize = static_cast<int>(text.size());
    const int nBytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), nSize, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(nBytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), nSize, utf8.data(), nBytes, nullptr, nullptr);
    return utf8;
}

}  // namespace halyard
