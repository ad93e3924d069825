#pragma once
// The serial devices present, as udev sees them: every "tty" device whose
// parent device has a driver (virtual consoles and pseudo-terminals have
// none), except serial ports that report type 0 (a legacy 8250 port the
// kernel reserves without hardware behind it). For each: its device file,
// its name under /dev/serial/by-id/ (the one name that stays with a USB
// adapter from socket to socket and boot to boot) and a description a person
// recognises the adapter by, made from the udev database.
//
// Plain functions over libudev; each call opens its own udev context, so any
// thread may call them. The pure helpers below are what the description and
// the by-id name are made of; tests call them directly.

#include <string>
#include <vector>

namespace halyard {

struct SerialDeviceInfo {
    std::string strDevice;       // /dev/ttyUSB0
    std::string strById;         // /dev/serial/by-id/usb-FTDI_..., "" when it has none
    std::string strDescription;  // "FTDI FT232R USB UART (A50285BI)", or the driver's name
};

// Every serial device present, sorted by device file.
std::vector<SerialDeviceInfo> ListSerialDevices();

// What udev knows of the device at strPath (its device file, any of its links
// such as the by-id one, or any other path that leads to the same device
// node). strDevice is strPath as given; the rest stays empty for a path udev
// does not know (a pseudo-terminal, a device not plugged in).
SerialDeviceInfo DescribeSerialDevice(const std::string& strPath);

// The udev properties a USB adapter's description is made from; empty when
// the device has none.
struct UsbIdentity {
    std::string strVendorFromDatabase;  // ID_VENDOR_FROM_DATABASE
    std::string strModelFromDatabase;   // ID_MODEL_FROM_DATABASE
    std::string strVendor;              // ID_VENDOR, blanks written as '_'
    std::string strModel;               // ID_MODEL, likewise
    std::string strSerial;              // ID_SERIAL_SHORT
};

// "Vendor Model (serial)": each name from the hardware database where it has
// one, else the adapter's own with '_' shown as blanks. strDriver stands in
// for vendor and model when there are neither; "" when there is nothing.
std::string DescribeAdapter(const UsbIdentity& identity, const std::string& strDriver);

// The driver that names the hardware, from the drivers of the device's
// ancestors nearest first ("" for one without): newer kernels put the generic
// serial-core "port" and "ctrl" devices between a tty and its hardware.
std::string HardwareDriver(const std::vector<std::string>& driversUpward);

// The link under /dev/serial/by-id/ among a device's links; "" when none.
std::string ByIdLink(const std::vector<std::string>& links);

// The words of a DEVLINKS property (links separated by blanks).
std::vector<std::string> SplitDevlinks(const std::string& strDevlinks);

}  // namespace halyard
