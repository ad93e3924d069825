#pragma once
// The numbers a scan gives the serial devices present, as a pure function
// that the port table calls and tests call directly.
//
// In this order:
// 1. a device pinned by the user (by its device file or its by-id link) is
//    left out: the pin already stands for it;
// 2. /dev/ttyS<k> is COM<k+1> unless a pin or a simulated sensor holds it;
//    likewise a Windows port, listed as \\.\COM<n>, keeps the system's COM<n>;
// 3. a USB adapter (a device with a by-id name that is not /dev/ttyS<k>) gets
//    the number remembered for its by-id name when that number is still free;
// 4. every other device, in the order of its device file, takes the lowest
//    number that is free and not remembered for an adapter that is absent;
//    an adapter numbered so has its new number remembered.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "PortTable.h"
#include "UdevPorts.h"

namespace halyard {

struct PortNumbering {
    std::vector<PortEntry> ports;           // the devices present with their numbers
    std::map<std::string, int> remembered;  // what to remember after the scan
    std::set<int> reserved;                 // numbers kept for adapters not plugged in
};

PortNumbering NumberDevices(std::vector<SerialDeviceInfo> devices, const std::vector<PortEntry>& pinned,
                            const std::vector<PortEntry>& simulated, std::map<std::string, int> remembered);

// k for "/dev/ttyS<k>" and for the Windows port "\\.\COM<k+1>", -1 for any other path.
int LegacyPortIndex(const std::string& strDevice);

// The key an adapter is remembered by: the file name of its by-id link.
std::string MemoryKey(const std::string& strById);

}  // namespace halyard
