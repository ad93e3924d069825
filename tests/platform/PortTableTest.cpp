#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>

#include "MemoryPortMemory.h"
#include "ScopedEnvironment.h"
#include "platform/PortTable.h"

using namespace halyard;

namespace {

// The table over a list of devices the test gives in place of udev's. Which
// devices udev counts as present (drivers, type 0, descriptions) is checked
// against a umockdev testbed in udev/it_UdevPorts.cpp.
class PortTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CPortTable::Instance().Clear();
        CPortTable::Instance().SetEnumerator([this] { return m_devices; });
    }
    void TearDown() override { CPortTable::Instance().Clear(); }
    void AddTty(const std::string& strName, const std::string& strDescription = "")
    {
        m_devices.push_back({"/dev/" + strName, "", strDescription});
    }
    std::vector<SerialDeviceInfo> m_devices;
    // No pins from the environment unless a test sets some.
    halyard::test::CScopedEnvironment m_noPins{"HALYARD_PORTS", std::nullopt};
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
    halyard::test::CScopedEnvironment pins("HALYARD_PORTS", std::string("COM7=/dev/ttyUSB1,bad,COM8=/dev/ttyUSB2"));
    EXPECT_FALSE(CPortTable::Instance().PinFromEnvironment()) << "the malformed entry is reported";
    EXPECT_EQ(CPortTable::Instance().Resolve("COM7:"), "/dev/ttyUSB1");
    EXPECT_EQ(CPortTable::Instance().Resolve("COM8:"), "/dev/ttyUSB2");
}

TEST_F(PortTableTest, ScanNumbersLegacyPortsFirstAndOthersInTheGaps)
{
    // Listed out of order: the table numbers them in the order of their names.
    AddTty("ttyUSB0", "FT232R USB UART");
    AddTty("ttyS2");
    AddTty("ttyACM0");
    AddTty("ttyS0");
    CPortTable& table = CPortTable::Instance();
    table.Pin(2, "/dev/ttyACM9");
    table.Scan();

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
    table.Scan();
    EXPECT_EQ(table.Resolve("COM6:"), "/dev/pts/9") << "a rescan keeps the simulated port";
    table.Unregister(nSim);
    EXPECT_FALSE(table.Find(nSim).has_value());
}

TEST_F(PortTableTest, WindowsPortsKeepTheSystemsNumbers)
{
    // As the Windows port list gives them: by the name CreateFileW opens,
    // the system's own numbers with gaps, no by-id names.
    m_devices = {{"\\\\.\\COM3", "", "USB Serial Port (COM3)"}, {"\\\\.\\COM12", "", ""}, {"\\\\.\\COM1", "", ""}};
    CPortTable& table = CPortTable::Instance();
    table.Scan();
    const auto ports = table.Ports();
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].nPort, 1);
    EXPECT_EQ(ports[1].nPort, 3);
    EXPECT_EQ(ports[2].nPort, 12) << "a high number is the system's, not the lowest free one";
    EXPECT_EQ(table.Resolve("COM3:"), "\\\\.\\COM3");
    EXPECT_EQ(table.Resolve("\\\\.\\COM12"), "\\\\.\\COM12");
    EXPECT_EQ(table.Find(3)->strDescription, "USB Serial Port (COM3)");
    EXPECT_FALSE(table.Find(2).has_value());
    EXPECT_EQ(table.RegisterSimulated("SIM1", "Simulated ZRT-630"), 2) << "a simulated sensor takes a free number";
}

TEST_F(PortTableTest, SetUpAtStartPinsRemembersAndScansOrStopsAtABadPin)
{
    // What both front ends do at start: a bad HALYARD_PORTS entry is a
    // warning, the good ones and the pins given are used, then the scan.
    std::optional<halyard::test::CScopedEnvironment> pins;
    pins.emplace("HALYARD_PORTS", std::string("COM7=/dev/ttyUSB1,bad"));
    AddTty("ttyS0");
    auto pMemory = std::make_shared<halyard::test::CMemoryPortMemory>();
    CPortTable& table = CPortTable::Instance();
    PortSetUpReport report = table.SetUp({"COM9=/dev/ttyACM4"}, pMemory);
    EXPECT_EQ(report.strWarning, "HALYARD_PORTS holds an entry that is not COMn=PATH; the others are used.");
    EXPECT_EQ(report.strError, "");
    EXPECT_EQ(table.Resolve("COM7:"), "/dev/ttyUSB1");
    EXPECT_EQ(table.Resolve("COM9:"), "/dev/ttyACM4");
    EXPECT_EQ(table.Resolve("COM1:"), "/dev/ttyS0") << "scanned";

    // A malformed pin stops the set-up before the scan.
    table.Clear();
    table.SetEnumerator([this] { return m_devices; });
    pins.reset();
    report = table.SetUp({"COM9"}, nullptr);
    EXPECT_EQ(report.strWarning, "");
    EXPECT_EQ(report.strError, "--port COM9: expected COMn=PATH");
    EXPECT_TRUE(table.Ports().empty());
}
