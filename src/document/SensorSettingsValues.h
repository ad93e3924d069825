#pragma once
// The sensor settings as selections: which choice of each group stands for
// the bits of the two registers, and the registers' 17-character texts built
// back from the choices. Reserved bits are always written as 0; window
// heaters read as 10 are shown as Auto and written as 01. Pure functions, so
// every front end reads and writes the registers the same way.

#include <cstdint>
#include <string>

#include "document/Registers.h"

namespace halyard {

// Each group's choice: 0 is the first button of the group, 1 the second.
struct SensorSettingsValues {
    int m_nExco = 0;           // 0 adjust EXCO, 1 do not
    int m_nChecksum = 0;       // 0 on, 1 off
    int m_nTempForPW = 0;      // 0 use for PW, 1 do not use
    int m_nHoodHeaters = 0;    // 0 auto, 1 off
    int m_bWriteNVRAM = 0;     // NVRAM writes enabled (bits 15-13 are 101)
    int m_nWindowHeaters = 0;  // 0 on, 1 off, 2 auto
    int m_nDateTime = 0;       // 0 yes, 1 no
    int m_nMsgFormat = 0;      // 0 compressed, 1 expanded
    int m_nSendMode = 0;       // 0 automatic, 1 polled
    int m_nCalcMode = 0;       // 0 on D?, 1 after measurement time
    uint16_t m_wOptions = 0;
    tuOperatingState m_wOpState{};
    int m_nRS485 = 0;  // 0 on, 1 off
};

constexpr uint16_t OPT_DATE_TIME_BIT = 0x0001;
constexpr uint16_t OPT_NO_TEMP_BIT = 0x0004;
constexpr uint16_t OPT_CHECKSUM_BIT = 0x0020;
constexpr uint16_t OPT_NO_EXCO_BIT = 0x0040;
constexpr uint16_t OPT_RS485_BIT = 0x0080;

// The options groups from m_wOptions, and the operating-state groups from m_wOpState.
void LoadOptionsSelections(SensorSettingsValues& values);
void LoadOpStateSelections(SensorSettingsValues& values);
// The options groups' choices into their bits of m_wOptions.
void StoreOptionsSelections(SensorSettingsValues& values);
// "00000000," and the options bits 7 to 0.
std::string BuildOptionsText(const SensorSettingsValues& values);
// The operating state built from the choices alone.
std::string BuildOpStateText(const SensorSettingsValues& values);
// The write command for a register text: szPrefix ("OS", "OP") and its 16 digits.
std::string RegisterWriteCommand(const char* szPrefix, const std::string& strText);

}  // namespace halyard
