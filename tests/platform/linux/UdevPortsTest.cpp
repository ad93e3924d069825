// What a serial device's description and by-id name are made of, from the
// udev properties and links a device has. Listing real devices through udev
// is tested in a umockdev testbed (udev/it_UdevPorts.cpp).
#include <gtest/gtest.h>

#include "platform/UdevPorts.h"

using namespace halyard;

TEST(AdapterDescription, TheHardwareDatabaseNamesWinOverTheAdaptersOwn)
{
    UsbIdentity ftdi;
    ftdi.strVendor = "FTDI";
    ftdi.strModel = "FT232R_USB_UART";
    ftdi.strSerial = "A50285BI";
    EXPECT_EQ(DescribeAdapter(ftdi, "ftdi_sio"), "FTDI FT232R USB UART (A50285BI)");

    // Each name on its own: the database may know the vendor and not the model.
    ftdi.strVendorFromDatabase = "Future Technology Devices International, Ltd";
    EXPECT_EQ(DescribeAdapter(ftdi, "ftdi_sio"),
              "Future Technology Devices International, Ltd FT232R USB UART (A50285BI)");
    ftdi.strModelFromDatabase = "FT232 Serial (UART) IC";
    ftdi.strSerial.clear();
    EXPECT_EQ(DescribeAdapter(ftdi, "ftdi_sio"),
              "Future Technology Devices International, Ltd FT232 Serial (UART) IC");
}

TEST(AdapterDescription, ADeviceWithoutUsbNamesIsItsDriver)
{
    EXPECT_EQ(DescribeAdapter({}, "serial8250"), "serial8250");
    EXPECT_EQ(DescribeAdapter({}, ""), "");
    UsbIdentity modelOnly;
    modelOnly.strModel = "USB2.0-Serial";
    EXPECT_EQ(DescribeAdapter(modelOnly, "ch341-uart"), "USB2.0-Serial");
    UsbIdentity serialOnly;
    serialOnly.strSerial = "0001";
    EXPECT_EQ(DescribeAdapter(serialOnly, "cdc_acm"), "cdc_acm (0001)");
}

TEST(AdapterDescription, TheHardwareDriverIsFoundPastTheSerialCoreDevices)
{
    EXPECT_EQ(HardwareDriver({"port", "ctrl", "serial8250"}), "serial8250");
    EXPECT_EQ(HardwareDriver({"ftdi_sio", "ftdi_sio", "usb"}), "ftdi_sio");
    EXPECT_EQ(HardwareDriver({"", "serial"}), "serial") << "an ancestor without a driver is passed over";
    EXPECT_EQ(HardwareDriver({"port", "ctrl"}), "");
}

TEST(AdapterLinks, TheByIdLinkIsPickedFromAllLinks)
{
    const std::vector<std::string> links =
        SplitDevlinks("/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0  "
                      "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0 /dev/gps0");
    ASSERT_EQ(links.size(), 3u) << "two blanks in a row make no empty link";
    EXPECT_EQ(ByIdLink(links), "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    EXPECT_EQ(ByIdLink({"/dev/serial/by-path/x", "/dev/serial/by-id/"}), "");
    EXPECT_TRUE(SplitDevlinks("").empty());
}
