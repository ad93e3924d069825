// UTF-8 text to the UTF-16 the Windows calls take, and back.
#include <gtest/gtest.h>

#include "platform/windows/WideText.h"

using namespace halyard;

TEST(WideText, Utf8BecomesUtf16AndBackUnchanged)
{
    EXPECT_EQ(WideText("Données"), L"Donn\u00e9es");
    EXPECT_EQ(Utf8Text(L"Donn\u00e9es"), "Données");
    // A character beyond the first plane takes two UTF-16 units.
    const std::wstring wide = WideText("\xF0\x9F\x8C\xA7 rain");
    ASSERT_EQ(wide.size(), 7u);
    EXPECT_EQ(wide[0], 0xD83C);
    EXPECT_EQ(wide[1], 0xDF27);
    EXPECT_EQ(Utf8Text(wide), "\xF0\x9F\x8C\xA7 rain");
    EXPECT_EQ(WideText(""), L"");
    EXPECT_EQ(Utf8Text(L""), "");
    // Text with a NUL in it is converted whole.
    EXPECT_EQ(WideText(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}
