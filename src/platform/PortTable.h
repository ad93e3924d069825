#pragma once
// Maps the "COMn" numbers the user picks to device files.
//
// 1. pins given by the user (--port COM5=/dev/ttyUSB0, or HALYARD_PORTS with
//    the same entries comma-separated);
// 2. the serial devices present, as udev lists them (ListSerialDevices):
//    /dev/ttyS<k> is COM<k+1>; a USB adapter gets the number remembered for
//    its by-id name when one is and it is free; every other device takes the
//    lowest free number, in a stable order (sorted by device file). See
//    PortNumbering.h for the whole rule;
// 3. simulated sensors, registered on the next free number.
// Both "COM%d:" and "\\.\COM%d" resolve through it. Numbers are remembered
// only when the table is given an IPortMemory; without one every scan numbers
// afresh. Used from the UI thread; the singleton guards itself anyway so that
// tests may register from elsewhere.

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "IPortMemory.h"
#include "UdevPorts.h"

namespace halyard {

struct PortEntry {
    int nPort = 0;
    std::string strDevice;       // /dev/ttyUSB0
    std::string strDescription;  // adapter description where udev has one
    std::string strById;         // /dev/serial/by-id/... where the device has such a link
};

// Lists the serial devices present; ListSerialDevices unless a test gives another.
using SerialEnumerator = std::function<std::vector<SerialDeviceInfo>()>;

// What setting the table up has to tell the user: a warning to show and go
// on with, or an error that stops the start.
struct PortSetUpReport {
    std::string strWarning;
    std::string strError;
};

class CPortTable {
public:
    static CPortTable& Instance();

    // The table as a front end sets it up at start: the pins of HALYARD_PORTS
    // (a malformed entry is a warning, the others are used), then the pins
    // given as "COMn=PATH" (a malformed one is an error and nothing more is
    // done), then pMemory for the adapters' numbers, then a scan.
    PortSetUpReport SetUp(const std::vector<std::string>& pins, std::shared_ptr<IPortMemory> pMemory);

    // "COM5=/dev/ttyUSB0"; false (and nothing pinned) when the text is malformed.
    bool PinFromText(const std::string& strEntry);
    void Pin(int nPort, const std::string& strDevice);
    // Reads HALYARD_PORTS; false when an entry is malformed (the rest still pinned).
    bool PinFromEnvironment();
    // Lists the devices present again and numbers them; enumerate, when given,
    // stands in for the table's enumerator for this scan. With a memory, the
    // remembered numbers are read first and written back when they changed.
    void Scan(const SerialEnumerator& enumerate = {});
    // The enumerator later scans use; an empty one puts ListSerialDevices back.
    void SetEnumerator(SerialEnumerator enumerate);
    // Where adapters' numbers are remembered; null remembers nothing.
    void SetMemory(std::shared_ptr<IPortMemory> pMemory);
    // Registers a simulated sensor's terminal on the next free number; returns it.
    int RegisterSimulated(const std::string& strDevice, const std::string& strDescription);
    void Unregister(int nPort);
    // Forgets every port, the memory and any enumerator a test gave it.
    void Clear();

    // Every known port sorted by number.
    std::vector<PortEntry> Ports() const;
    std::optional<PortEntry> Find(int nPort) const;
    // Device file for "COM5:", "\\.\COM12", "COM5" or a plain path.
    std::optional<std::string> Resolve(const std::string& strPortName) const;

private:
    int LowestFree() const;

    mutable std::mutex m_mutex;
    std::vector<PortEntry> m_pinned;
    std::vector<PortEntry> m_scanned;
    std::vector<PortEntry> m_simulated;
    // Numbers remembered for adapters absent at the last scan: nothing else takes them.
    std::set<int> m_reserved;
    SerialEnumerator m_enumerate;
    std::shared_ptr<IPortMemory> m_pMemory;
};

// The number in a port name ("COM5:", "\\.\COM12", "COM3 /dev/ttyS2 ..."): the
// digits after "COM"; 0 when there are none.
int PortNumberFromName(const std::string& strName);

}  // namespace halyard
