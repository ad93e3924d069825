// The settings file shared with the GUI: keys escaped as the GUI toolkit
// escapes them (the expected texts are what it wrote), one group rewritten
// with every other line kept, and the file itself: missing, created with its
// folder, replaced whole, never overwritten when it cannot be read.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "ScopedEnvironment.h"
#include "TempFolder.h"
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
    std::ofstream(strPath, std::ios::binary) << strText;
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

TEST(SettingsFileTest, TheDefaultPathIsTheToolkitsOne)
{
    {
        CScopedEnvironment config("XDG_CONFIG_HOME", std::string("/x/config"));
        EXPECT_EQ(CSettingsFile::DefaultPath(), "/x/config/Orvan/Halyard.conf");
    }
    CScopedEnvironment config("XDG_CONFIG_HOME", std::nullopt);
    CScopedEnvironment home("HOME", std::string("/home/tech"));
    EXPECT_EQ(CSettingsFile::DefaultPath(), "/home/tech/.config/Orvan/Halyard.conf");
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

TEST(SettingsFileTest, ARewriteKeepsTheOtherGroupsAndTheFilesPermissions)
{
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string strPath = folder.Path("Halyard.conf");
    WriteFile(strPath, kGuiFile);
    ASSERT_EQ(::chmod(strPath.c_str(), 0600), 0);

    CSettingsPortMemory memory(strPath);
    EXPECT_EQ(memory.Load().at("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"), 3);
    memory.Save({{"usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", 5}});
    EXPECT_EQ(ReadWholeFile(strPath), "[Ports]\nusb-FTDI_FT232R_USB_UART_A50285BI-if00-port0=5\n\n"
                                      "[Test%20Protocol]\nTimeDefault=05\nVisDefault=4.50\n");
    struct stat st {};
    ASSERT_EQ(::stat(strPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    // Only the file itself is left in the folder: the temporary copy was renamed.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(SettingsFileTest, NumbersThatAreNotPortsAreNotLoaded)
{
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string strPath = folder.Path("Halyard.conf");
    WriteFile(strPath, "[Ports]\na=3\nb=0\nc=x\nd=4x\ne=-2\nf=\"6\"\n");
    EXPECT_EQ(CSettingsPortMemory(strPath).Load(), (std::map<std::string, int>{{"a", 3}, {"f", 6}}));
}

TEST(SettingsFileTest, AFileThatCannotBeReadIsNotReplaced)
{
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    // A folder where the file should be: it opens, but does not read.
    const std::string strPath = folder.Path("Halyard.conf");
    std::filesystem::create_directory(strPath);
    WriteFile(strPath + "/inside", "x");
    CSettingsFile file(strPath);
    const SysResult refused = file.WriteGroup("Ports", {{"k", "1"}});
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.Error(), uint32_t{EISDIR});
    EXPECT_EQ(ReadWholeFile(strPath + "/inside"), "x");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1)
        << "no temporary copy is left behind";
}
