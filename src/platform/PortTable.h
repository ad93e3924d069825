#pragma once
// Maps the "COMn" numbers the user picks to device files.
//
// 1. pins given by the user (--port COM5=/dev/ttyUSB0, or HALYARD_PORTS with
//    the same entries comma-separated);
// 2. the serial devices present (those with a driver under /sys/class/tty):
//    /dev/ttyS<k> is COM<k+1>; every other device takes the lowest free number,
//    in a stable order (sorted by device name);
// 3. simulated sensors, registered on the next free number.
// Both "COM%d:" and "\\.\COM%d" resolve through it. Used from the UI thread;
// the singleton guards itself anyway so that tests may register from elsewhere.

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace halyard {

struct PortEntry {
    int nPort = 0;
    std::string strDevice;       // /dev/ttyUSB0
    std::string strDescription;  // adapter description where sysfs has one
};

class CPortTable {
public:
    static CPortTable& Instance();

    // "COM5=/dev/ttyUSB0"; false (and nothing pinned) when the text is malformed.
    bool PinFromText(const std::string& strEntry);
    void Pin(int nPort, const std::string& strDevice);
    // Reads HALYARD_PORTS; false when an entry is malformed (the rest still pinned).
    bool PinFromEnvironment();
    // Rescans /sys/class/tty (or strSysRoot in tests) for present devices.
    void Scan(const std::string& strSysRoot = "/sys/class/tty");
    // Registers a simulated sensor's terminal on the next free number; returns it.
    int RegisterSimulated(const std::string& strDevice, const std::string& strDescription);
    void Unregister(int nPort);
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
};

// The number in a port name ("COM5:", "\\.\COM12", "COM3 /dev/ttyS2 ..."): the
// digits after "COM"; 0 when there are none.
int PortNumberFromName(const std::string& strName);

}  // namespace halyard
