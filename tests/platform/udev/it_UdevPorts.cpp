// Serial devices listed through libudev from a umockdev testbed: which ttys
// count (a driver behind them, not a type 0 legacy port, not a console),
// their descriptions and by-id names from the udev properties, and the port
// table's numbers over them, as on a machine with those devices plugged in.
#include <gtest/gtest.h>

#include "UdevTestbed.h"
#include "platform/PortTable.h"
#include "platform/UdevPorts.h"

using namespace halyard;
using namespace halyard::test;

namespace {

const std::string kFtdiById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const std::string kArduinoById =
    "/dev/serial/by-id/usb-Arduino__www.arduino.cc__0043_75830333238351806212-if00";

class UdevPortsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CPortTable::Instance().Clear();
        ASSERT_TRUE(m_testbed.AddFromFile("serial-ports.umockdev")) << m_testbed.Error();
    }
    void TearDown() override { CPortTable::Instance().Clear(); }

    CUdevTestbed m_testbed;
};

}  // namespace

TEST_F(UdevPortsTest, SerialDevicesWithHardwareAreListedInOrderWithTheirNames)
{
    const std::vector<SerialDeviceInfo> devices = ListSerialDevices();
    ASSERT_EQ(devices.size(), 4u) << "ttyS3 (type 0) and tty1 (a console) are left out";
    EXPECT_EQ(devices[0].strDevice, "/dev/ttyACM0");
    EXPECT_EQ(devices[0].strById, kArduinoById);
    EXPECT_EQ(devices[0].strDescription, "Arduino SA Uno R3 (CDC ACM) (75830333238351806212)")
        << "the hardware database's names before the adapter's own";
    EXPECT_EQ(devices[1].strDevice, "/dev/ttyS0");
    EXPECT_EQ(devices[1].strById, "");
    EXPECT_EQ(devices[1].strDescription, "serial");
    EXPECT_EQ(devices[2].strDevice, "/dev/ttyS2");
    EXPECT_EQ(devices[2].strDescription, "serial8250") << "past the serial core's port and ctrl";
    EXPECT_EQ(devices[3].strDevice, "/dev/ttyUSB0");
    EXPECT_EQ(devices[3].strById, kFtdiById);
    EXPECT_EQ(devices[3].strDescription, "FTDI FT232R USB UART (A50285BI)");
}

TEST_F(UdevPortsTest, ScanNumbersLegacyPortsFirstAndOthersInTheGaps)
{
    CPortTable& table = CPortTable::Instance();
    table.Pin(2, "/dev/ttyACM9");
    table.Scan();
    ASSERT_EQ(table.Ports().size(), 5u);
    EXPECT_EQ(table.Resolve("COM1:"), "/dev/ttyS0");
    EXPECT_EQ(table.Resolve("COM2:"), "/dev/ttyACM9") << "a pin keeps its number";
    EXPECT_EQ(table.Resolve("COM3:"), "/dev/ttyS2");
    EXPECT_EQ(table.Resolve("COM4:"), "/dev/ttyACM0") << "sorted by name: ttyACM0 before ttyUSB0";
    EXPECT_EQ(table.Resolve("COM5:"), "/dev/ttyUSB0");
    EXPECT_EQ(table.Find(5)->strDescription, "FTDI FT232R USB UART (A50285BI)");
    EXPECT_EQ(table.Find(5)->strById, kFtdiById);
    // The same devices give the same numbers again.
    table.Scan();
    EXPECT_EQ(table.Resolve("COM4:"), "/dev/ttyACM0");
    EXPECT_EQ(table.Resolve("COM5:"), "/dev/ttyUSB0");
}

TEST_F(UdevPortsTest, APinIsDescribedByUdevUnderAnyOfItsNames)
{
    CPortTable& table = CPortTable::Instance();
    table.Pin(7, kFtdiById);
    table.Pin(8, "/dev/ttyACM0");
    table.Pin(9, "/dev/pts/42");
    ASSERT_TRUE(table.Find(7).has_value());
    EXPECT_EQ(table.Find(7)->strDescription, "FTDI FT232R USB UART (A50285BI)");
    EXPECT_EQ(table.Find(7)->strById, kFtdiById);
    EXPECT_EQ(table.Find(8)->strDescription, "Arduino SA Uno R3 (CDC ACM) (75830333238351806212)");
    EXPECT_EQ(table.Find(9)->strDescription, "") << "udev knows nothing of a pseudo-terminal";
    table.Scan();
    // Pinned by either name, each adapter is listed once, under its pin.
    EXPECT_EQ(table.Ports().size(), 5u);
    EXPECT_EQ(table.Resolve("COM1:"), "/dev/ttyS0");
    EXPECT_EQ(table.Resolve("COM3:"), "/dev/ttyS2");
}

TEST_F(UdevPortsTest, DescriptionNamesTheHardwareDriverNotTheGenericPort)
{
    ASSERT_TRUE(
        m_testbed.AddFromString("P: /devices/platform/serial8250/serial8250:0/serial8250:0.1\n"
                                "E: SUBSYSTEM=serial-base\n"
                                "E: DRIVER=port\n"
                                "L: driver=../../../../../bus/serial-base/drivers/port\n"
                                "\n"
                                "P: /devices/platform/serial8250/serial8250:0/serial8250:0.1/tty/ttyS1\n"
                                "N: ttyS1\n"
                                "E: DEVNAME=/dev/ttyS1\n"
                                "E: SUBSYSTEM=tty\n"
                                "E: MAJOR=4\n"
                                "E: MINOR=65\n"
                                "A: dev=4:65\n"
                                "A: type=4\\n\n"))
        << m_testbed.Error();
    CPortTable::Instance().Scan();
    ASSERT_TRUE(CPortTable::Instance().Find(2).has_value());
    EXPECT_EQ(CPortTable::Instance().Find(2)->strDescription, "serial8250");
}
