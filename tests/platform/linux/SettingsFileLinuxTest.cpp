// The settings file on Linux: where the toolkit keeps it, the permissions a
// rewrite keeps, and a file that opens but cannot be read.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "ScopedEnvironment.h"
#include "TempFolder.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsPortMemory.h"

using namespace halyard;
using namespace halyard::test;

namespace {

const std::string kGuiFile = "[Ports]\n"
                             "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0=3\n"
                             "\n"
                             "[Test%20Protocol]\n"
                             "TimeDefault=05\n"
                             "VisDefault=4.50\n";

void WriteFile(const std::string& strPath, const std::string& strText)
{
    std::ofstream(strPath, std::ios::binary) << strText;
}

}  // namespace

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
