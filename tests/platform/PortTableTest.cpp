#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/PortTable.h"

using namespace halyard;
namespace fs = std::filesystem;

namespace {

class PortTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CPortTable::Instance().Clear();
        m_root = fs::temp_directory_path() / ("halyard-sys-" + std::to_string(::getpid()));
        fs::remove_all(m_root);
    }
    void TearDown() override
    {
        CPortTable::Instance().Clear();
        fs::remove_all(m_root);
        ::unsetenv("HALYARD_PORTS");
    }
    // A /sys/class/tty entry; bDriver false for a tty without hardware behind it.
    void AddTty(const std::string& strName, bool bDriver, const std::string& strType = "",
                const std::string& strProduct = "")
    {
        const fs::path dir = m_root / strName;
        fs::create_directories(dir / "device");
        if (bDriver)
            fs::create_directory_symlink("/drivers/" + strName.substr(0, 6), dir / "device" / "driver");
        if (!strType.empty())
            std::ofstream(dir / "type") << strType << "\n";
        if (!strProduct.empty()) {
            std::ofstream(dir / "device" / ".." / "product") << strProduct << "\n";
        }
    }
    fs::path m_root;
};

}  // namespace

TEST(PortName, NumberIsReadAfterCom)
{
    EXPECT_EQ(PortNumberFromName("COM5:"), 5);
    EXPECT_EQ(PortNumberFromName("\\\\.\\COM12"), 12);
    EXPECT_EQ(PortNumberFromName("COM3 /dev/ttyS2 serial8250"), 3);
    EXPECT_EQ(PortNumberFromName("/dev/ttyUSB0"), 0);
    EXPECT_EQ(PortNumberFromName("COM"), 0);
}

TEST_F(PortTableTest, DescriptionNamesTheHardwareDriverNotTheGenericPort)
{
    const fs::path dir = m_root / "ttyS1";
    fs::create_directories(dir / "device");
    fs::create_directory_symlink("/bus/serial-base/drivers/port", dir / "device" / "driver");
    fs::create_directory_symlink("/bus/platform/drivers/serial8250", dir / "driver");
    CPortTable::Instance().Scan(m_root.string());
    ASSERT_TRUE(CPortTable::Instance().Find(2).has_value());
    EXPECT_EQ(CPortTable::Instance().Find(2)->strDescription, "serial8250");
}

TEST_F(PortTableTest, PinsAreCheckedAndResolveBothNameForms)
{
    CPortTable& table = CPortTable::Instance();
    EXPECT_TRUE(table.PinFromText("COM5=/dev/ttyUSB0"));
    EXPECT_TRUE(table.PinFromText("COM12=/dev/ttyACM3"));
    EXPECT_FALSE(table.PinFromText("COM=/dev/x"));
    EXPECT_FALSE(table.PinFromText("COMx=/dev/x"));
    EXPECT_FALSE(table.PinFromText("COM4"));
    EXPECT_FALSE(table.PinFromText("COM0=/dev/x"));
    EXPECT_FALSE(table.PinFromText("PORT4=/dev/x"));

    EXPECT_EQ(table.Resolve("COM5:"), "/dev/ttyUSB0");
    EXPECT_EQ(table.Resolve("\\\\.\\COM12"), "/dev/ttyACM3");
    EXPECT_EQ(table.Resolve("/dev/pts/4"), "/dev/pts/4");
    EXPECT_FALSE(table.Resolve("COM6:").has_value());
    ASSERT_EQ(table.Ports().size(), 2u);
    EXPECT_EQ(table.Ports()[0].nPort, 5);
}

TEST_F(PortTableTest, EnvironmentPinsAreCommaSeparated)
{
    ::setenv("HALYARD_PORTS", "COM7=/dev/ttyUSB1,bad,COM8=/dev/ttyUSB2", 1);
    EXPECT_FALSE(CPortTable::Instance().PinFromEnvironment()) << "the malformed entry is reported";
    EXPECT_EQ(CPortTable::Instance().Resolve("COM7:"), "/dev/ttyUSB1");
    EXPECT_EQ(CPortTable::Instance().Resolve("COM8:"), "/dev/ttyUSB2");
}

TEST_F(PortTableTest, ScanNumbersLegacyPortsFirstAndOthersInTheGaps)
{
    AddTty("ttyS0", true, "4");
    AddTty("ttyS2", true, "4");
    AddTty("ttyS3", true, "0");  // legacy port without hardware
    AddTty("ttyUSB0", true, "", "FT232R USB UART");
    AddTty("ttyACM0", true);
    AddTty("tty1", false);  // a virtual console, no driver
    CPortTable& table = CPortTable::Instance();
    table.Pin(2, "/dev/ttyACM9");
    table.Scan(m_root.string());

    const auto ports = table.Ports();
    ASSERT_EQ(ports.size(), 5u);
    EXPECT_EQ(table.Resolve("COM1:"), "/dev/ttyS0");
    EXPECT_EQ(table.Resolve("COM2:"), "/dev/ttyACM9") << "a pin keeps its number";
    EXPECT_EQ(table.Resolve("COM3:"), "/dev/ttyS2");
    EXPECT_EQ(table.Resolve("COM4:"), "/dev/ttyACM0") << "sorted by name: ttyACM0 before ttyUSB0";
    EXPECT_EQ(table.Resolve("COM5:"), "/dev/ttyUSB0");
    EXPECT_EQ(table.Find(5)->strDescription, "FT232R USB UART");

    const int nSim = table.RegisterSimulated("/dev/pts/9", "simulated sensor");
    EXPECT_EQ(nSim, 6);
    table.Scan(m_root.string());
    EXPECT_EQ(table.Resolve("COM6:"), "/dev/pts/9") << "a rescan keeps the simulated port";
    table.Unregister(nSim);
    EXPECT_FALSE(table.Find(nSim).has_value());
}
