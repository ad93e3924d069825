#pragma once
// UTF-8 text, as the program keeps it, to and from the UTF-16 text that the
// Windows calls take and give (paths, the system's messages).

#include <string>
#include <string_view>

namespace halyard {

std::wstring WideText(std::string_view text);
std::string Utf8Text(std::wstring_view text);

}  // namespace halyard
