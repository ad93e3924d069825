// The settings file shared with the GUI: keys escaped as the GUI toolkit
// escapes them (the expected texts are what it wrote), one group rewritten
// with every other line kept, and the file itself: missing, created with its
// folder, replaced whole, in a folder whose name is not ASCII.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TempFolder.h"
#include "platform/FileCalls.h"
#include "platform/IniText.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsPortMemory.h"

using namespace halyard;
using namespace halyard::test;

namespace {

// A file as the GUI writes it: the test protocol's defaults beside the ports.
const std::string kGuiFile = "[Ports]\n"
                             "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0=3\n"
                             "usb-A%20B%3Ac%25d_%E9%U20AC%UD83D%UDE00-if00=7\n"
                             "\n"
                             "[Test%20Protocol]\n"
                             "TimeDefault=05\n"
                             "VisDefault=4.50\n";

void WriteFile(const std::string& strPath, const std::string& strText)
{
    std::ofstream(SystemPath(strPath), std::ios::binary) << strText;
}

}  // namespace

TEST(IniKeys, EscapedAsTheToolkitWritesThem)
{
    EXPECT_EQ(EscapeIniKey("usb-FTDI_FT232R.x-if00"), "usb-FTDI_FT232R.x-if00");
    EXPECT_EQ(EscapeIniKey("Test Protocol"), "Test%20Protocol");
    // Latin-1 letters as %XX, the rest of Unicode as UTF-16 units.
    EXPECT_EQ(EscapeIniKey("usb-A B:c%d_\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80-if00"),
              "usb-A%20B%3Ac%25d_%E9%U20AC%UD83D%UDE00-if00");
    EXPECT_EQ(EscapeIniKey("Ports/sub"), "Ports\\sub");
}

TEST(IniKeys, UnescapingGivesTheKeyBack)
{
    for (const std::string key : {"plain-key_1.0", "with space=and;semicolon", "a/b", "%41 literal",
                                  "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", ""})
        EXPECT_EQ(UnescapeIniKey(EscapeIniKey(key)), key) << key;
    EXPECT_EQ(UnescapeIniKey("%e9"), "\xC3\xA9") << "lower-case hex is read too";
    // What starts no escape stays as written.
    EXPECT_EQ(UnescapeIniKey("100%"), "100%");
    EXPECT_EQ(UnescapeIniKey("%G1%U12"), "%G1%U12");
}

TEST(IniText, AGroupIsReadWithItsKeysUnescaped)
{
    const std::string text = kGuiFile + "[Extra]\n"
                                        "; a comment=not a key\n"
                                        "  spaced  =  \"quoted, with comma\"  \n"
                                        "sub\\key=hidden\r\n"
                                        "crlf=1\r\n";
    EXPECT_EQ(
        ReadIniGroup(text, "Ports"),
        (std::map<std::string, std::string>{{"usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "3"},
                                            {"usb-A B:c%d_\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80-if00", "7"}}));
    EXPECT_EQ(ReadIniGroup(text, "Test Protocol").at("VisDefault"), "4.50");
    EXPECT_EQ(ReadIniGroup(text, "Extra"),
              (std::map<std::string, std::string>{{"spaced", "quoted, with comma"}, {"crlf", "1"}}))
        << "a comment is no key, a subgroup's key is not the group's";
    EXPECT_TRUE(ReadIniGroup(text, "Missing").empty());
}

TEST(IniText, ReplacingAGroupKeepsEveryOtherLine)
{
    const std::string strNew = ReplaceIniGroup(kGuiFile, "Ports", {{"usb-new", "4"}});
    EXPECT_EQ(strNew, "[Ports]\n"
                      "usb-new=4\n"
                      "\n"
                      "[Test%20Protocol]\n"
                      "TimeDefault=05\n"
                      "VisDefault=4.50\n");

    const std::string strOther =
        "; kept\r\n[General]\r\nx=1\r\n[Ports]\r\nold=1\r\nsub\\k=2\r\n[Ports]\r\nold2=5\r\n";
    EXPECT_EQ(ReplaceIniGroup(strOther, "Ports", {{"a b", "1"}, {"c", "say \"hi\""}}),
              "; kept\r\n[General]\r\nx=1\r\n[Ports]\r\na%20b=1\nc=\"say \\\"hi\\\"\"\nsub\\k=2\r\n")
        << "one group of the name is left, with its subgroup's key";
}

TEST(IniText, AMissingGroupIsAddedAtTheEnd)
{
    EXPECT_EQ(ReplaceIniGroup("", "Ports", {{"k", "1"}}), "[Ports]\nk=1\n");
    EXPECT_EQ(ReplaceIniGroup("[Test%20Protocol]\nTimeDefault=05", "Ports", {{"k", "1"}}),
              "[Test%20Protocol]\nTimeDefault=05\n\n[Ports]\nk=1\n");
}

TEST(SettingsFileTest, AMissingFileReadsEmptyAndIsCreatedWithItsFolder)
{
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    CSettingsFile file(folder.Path("config/Orvan/Halyard.conf"));
    EXPECT_TRUE(file.ReadGroup("Ports").empty());
    const SysResult written = file.WriteGroup("Ports", {{"usb-x", "2"}});
    ASSERT_TRUE(written) << written.Message();
    EXPECT_EQ(ReadWholeFile(file.Path()), "[Ports]\nusb-x=2\n");
    EXPECT_EQ(file.ReadGroup("Ports").at("usb-x"), "2");
}

TEST(SettingsFileTest, NumbersThatAreNotPortsAreNotLoaded)
{
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string strPath = folder.Path("Halyard.conf");
    WriteFile(strPath, "[Ports]\na=3\nb=0\nc=x\nd=4x\ne=-2\nf=\"6\"\n");
    EXPECT_EQ(CSettingsPortMemory(strPath).Load(), (std::map<std::string, int>{{"a", 3}, {"f", 6}}));
}

TEST(SettingsFileTest, AFolderNamedInAnyLanguageHoldsTheFileAndItsRewrites)
{
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    CSettingsFile file(folder.Path("Données/Orvan/Halyard.conf"));
    const SysResult created = file.WriteGroup("Ports", {{"usb-x", "2"}});
    ASSERT_TRUE(created) << created.Message();
    // A rewrite goes through a temporary copy renamed over the file.
    ASSERT_TRUE(file.WriteGroup("Test Protocol", {{"TimeDefault", "05"}}));
    EXPECT_EQ(file.ReadGroup("Ports").at("usb-x"), "2");
    EXPECT_EQ(ReadWholeFile(file.Path()), "[Ports]\nusb-x=2\n\n[Test%20Protocol]\nTimeDefault=05\n");
    const std::filesystem::path made = std::filesystem::directory_iterator(folder.Path())->path();
    const std::u8string name = made.filename().u8string();
    EXPECT_EQ(std::string(name.begin(), name.end()), "Données");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(SystemPath(folder.Path("Données/Orvan"))), {}), 1)
        << "no temporary copy is left behind";
}
