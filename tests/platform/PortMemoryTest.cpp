// Remembered COM numbers: a USB adapter keeps its number across a replug and
// a restart, keyed by its by-id name; pins and /dev/ttyS<k> still win. The
// table runs over devices the test lists, with the memory in memory or in
// the settings file in a private folder.
#include <gtest/gtest.h>

#include <memory>

#include "MemoryPortMemory.h"
#include "SettingsHome.h"
#include "TempFolder.h"
#include "platform/PortNumbering.h"
#include "platform/PortTable.h"
#include "platform/SettingsPortMemory.h"

using namespace halyard;
using namespace halyard::test;

namespace {

const std::string kFtdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const std::string kProlific = "usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0";
const std::string kArduino = "usb-Arduino__www.arduino.cc__0043_7583-if00";

SerialDeviceInfo Adapter(const std::string& strNode, const std::string& strKey)
{
    return {"/dev/" + strNode, "/dev/serial/by-id/" + strKey, "adapter " + strKey.substr(0, 8)};
}

SerialDeviceInfo Plain(const std::string& strNode)
{
    return {"/dev/" + strNode, "", ""};
}

class PortMemoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Table().Clear();
        Table().SetEnumerator([this] { return m_devices; });
    }
    void TearDown() override { Table().Clear(); }

    static CPortTable& Table() { return CPortTable::Instance(); }
    void Remember(std::map<std::string, int> numbers = {})
    {
        m_pMemory = std::make_shared<CMemoryPortMemory>(std::move(numbers));
        Table().SetMemory(m_pMemory);
    }
    // The device file numbered nPort by the last scan, "" when none.
    static std::string At(int nPort)
    {
        const auto entry = Table().Find(nPort);
        return entry ? entry->strDevice : std::string();
    }

    std::vector<SerialDeviceInfo> m_devices;
    std::shared_ptr<CMemoryPortMemory> m_pMemory;
};

}  // namespace

TEST_F(PortMemoryTest, AnAdapterGetsItsNumberBackAfterAnotherHeldTheSocket)
{
    Remember();
    Table().Pin(2, "/dev/ttyACM9");
    m_devices = {Plain("ttyS0"), Adapter("ttyUSB0", kFtdi)};
    Table().Scan();
    EXPECT_EQ(At(3), "/dev/ttyUSB0");
    EXPECT_EQ(m_pMemory->Numbers(), (std::map<std::string, int>{{kFtdi, 3}}));

    // Unplugged: COM3 stays kept for it, so the next adapter, in the same
    // socket and with the same device file, takes COM4.
    m_devices = {Plain("ttyS0")};
    Table().Scan();
    EXPECT_EQ(At(3), "");
    m_devices = {Plain("ttyS0"), Adapter("ttyUSB0", kProlific)};
    Table().Scan();
    EXPECT_EQ(At(4), "/dev/ttyUSB0");

    // The first one comes back on another device file and finds COM3 again.
    m_devices = {Plain("ttyS0"), Adapter("ttyUSB0", kProlific), Adapter("ttyUSB1", kFtdi)};
    Table().Scan();
    EXPECT_EQ(At(3), "/dev/ttyUSB1");
    EXPECT_EQ(Table().Find(3)->strById, "/dev/serial/by-id/" + kFtdi);
    EXPECT_EQ(At(4), "/dev/ttyUSB0");
    EXPECT_EQ(m_pMemory->Numbers(), (std::map<std::string, int>{{kFtdi, 3}, {kProlific, 4}}));
}

TEST_F(PortMemoryTest, PinsAndLegacyPortsTakeARememberedNumberAway)
{
    Remember({{kFtdi, 3}, {kProlific, 2}});
    Table().Pin(3, "/dev/ttyACM9");
    m_devices = {Plain("ttyS1"), Adapter("ttyUSB0", kFtdi), Adapter("ttyUSB1", kProlific)};
    Table().Scan();
    EXPECT_EQ(At(2), "/dev/ttyS1") << "ttyS1 is COM2 whatever was remembered";
    EXPECT_EQ(At(3), "/dev/ttyACM9") << "the pin keeps its number";
    EXPECT_EQ(At(1), "/dev/ttyUSB0");
    EXPECT_EQ(At(4), "/dev/ttyUSB1");
    EXPECT_EQ(m_pMemory->Numbers(), (std::map<std::string, int>{{kFtdi, 1}, {kProlific, 4}}))
        << "the new numbers are the ones remembered";
}

TEST_F(PortMemoryTest, OnlyAdaptersWithAByIdNameAreRememberedAndOnlyChangesAreSaved)
{
    Remember();
    m_devices = {Plain("ttyAMA0"), Plain("ttyS0"), Adapter("ttyACM0", kArduino)};
    Table().Scan();
    EXPECT_EQ(At(1), "/dev/ttyS0");
    EXPECT_EQ(At(2), "/dev/ttyACM0");
    EXPECT_EQ(At(3), "/dev/ttyAMA0");
    EXPECT_EQ(m_pMemory->Numbers(), (std::map<std::string, int>{{kArduino, 2}}));
    EXPECT_EQ(m_pMemory->Saves(), 1);
    Table().Scan();
    Table().Scan();
    EXPECT_EQ(m_pMemory->Saves(), 1) << "a scan that changes nothing does not rewrite the settings";
}

TEST_F(PortMemoryTest, TwoAdaptersRememberingOneNumberShareItInTheOrderOfTheirDevices)
{
    // Each had COM1 while the other was away.
    Remember({{kFtdi, 1}, {kProlific, 1}});
    m_devices = {Adapter("ttyUSB1", kFtdi), Adapter("ttyUSB0", kProlific)};
    Table().Scan();
    EXPECT_EQ(At(1), "/dev/ttyUSB0");
    EXPECT_EQ(At(2), "/dev/ttyUSB1");
    EXPECT_EQ(m_pMemory->Numbers(), (std::map<std::string, int>{{kFtdi, 2}, {kProlific, 1}}));
}

TEST_F(PortMemoryTest, ASimulatedSensorLeavesAnAbsentAdaptersNumberFree)
{
    Remember({{kFtdi, 1}});
    Table().Scan();
    EXPECT_EQ(Table().RegisterSimulated("/dev/pts/7", "simulated"), 2);
    m_devices = {Adapter("ttyUSB0", kFtdi)};
    Table().Scan();
    EXPECT_EQ(At(1), "/dev/ttyUSB0");
    EXPECT_EQ(At(2), "/dev/pts/7");
}

TEST_F(PortMemoryTest, AnAdapterPinnedByItsByIdNameIsListedOnceUnderItsPin)
{
    Remember();
    Table().Pin(7, "/dev/serial/by-id/" + kFtdi);
    m_devices = {Adapter("ttyUSB0", kFtdi), Adapter("ttyUSB1", kProlific)};
    Table().Scan();
    ASSERT_EQ(Table().Ports().size(), 2u);
    EXPECT_EQ(At(1), "/dev/ttyUSB1");
    EXPECT_EQ(At(7), "/dev/serial/by-id/" + kFtdi);
    EXPECT_EQ(m_pMemory->Numbers().count(kFtdi), 0u) << "a pinned adapter is not remembered";
}

TEST_F(PortMemoryTest, WithoutAMemoryEveryScanNumbersAfresh)
{
    m_devices = {Adapter("ttyUSB0", kFtdi)};
    Table().Scan();
    m_devices = {Adapter("ttyUSB0", kProlific)};
    Table().Scan();
    EXPECT_EQ(At(1), "/dev/ttyUSB0") << "nothing is kept for the adapter that left";
}

TEST(PortNumbering, NamesAndKeys)
{
    EXPECT_EQ(LegacyPortIndex("/dev/ttyS0"), 0);
    EXPECT_EQ(LegacyPortIndex("/dev/ttyS31"), 31);
    EXPECT_EQ(LegacyPortIndex("/dev/ttyS"), -1);
    EXPECT_EQ(LegacyPortIndex("/dev/ttySAC0"), -1);
    EXPECT_EQ(LegacyPortIndex("/dev/ttyUSB0"), -1);
    EXPECT_EQ(LegacyPortIndex("/tmp/dev/ttyS0"), -1);
    EXPECT_EQ(MemoryKey("/dev/serial/by-id/" + kFtdi), kFtdi);
}

TEST(PortNumbering, ALegacyPortWithAByIdLinkIsNotRemembered)
{
    const PortNumbering numbering =
        NumberDevices({{"/dev/ttyS4", "/dev/serial/by-id/pci-serial-port", ""}}, {}, {}, {});
    ASSERT_EQ(numbering.ports.size(), 1u);
    EXPECT_EQ(numbering.ports[0].nPort, 5);
    EXPECT_TRUE(numbering.remembered.empty());
}

TEST(SettingsPortMemoryTest, AdaptersKeepTheirNumbersInTheSettingsFileAcrossARestart)
{
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    CSettingsHome home(folder.Path("config"));
    CPortTable& table = CPortTable::Instance();
    table.Clear();
    std::vector<SerialDeviceInfo> devices = {Plain("ttyS0"), Plain("ttyS1"), Adapter("ttyUSB0", kFtdi)};
    table.SetEnumerator([&] { return devices; });
    table.SetMemory(std::make_shared<CSettingsPortMemory>());
    table.Scan();
    ASSERT_TRUE(table.Find(3).has_value());
    EXPECT_EQ(table.Find(3)->strDevice, "/dev/ttyUSB0");
    EXPECT_EQ(ReadWholeFile(home.File()), "[Ports]\n" + kFtdi + "=3\n");

    // A new start, the adapter in another socket, the legacy ports gone.
    table.Clear();
    devices = {Adapter("ttyUSB2", kFtdi)};
    table.SetEnumerator([&] { return devices; });
    table.SetMemory(std::make_shared<CSettingsPortMemory>());
    table.Scan();
    ASSERT_TRUE(table.Find(3).has_value());
    EXPECT_EQ(table.Find(3)->strDevice, "/dev/ttyUSB2");
    table.Clear();
}
