#pragma once
// The sensor's two 16-bit configuration registers as text: the operating state
// union tuOperatingState with its bit fields, the conversions between a value
// and its 16-digit command form or 17-character reply form, and the length
// rules by which a received line is recognised as a register reply. Pure
// functions; CHalyardDoc uses them on the UI thread, the sensor settings page
// uses tuOperatingState.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace halyard {

// The operating state word. Bit fields follow the sensor's layout, bit 0 first
// (GCC on little-endian targets allocates them from the least significant bit).
union tuOperatingState {
    uint16_t wValue;
    uint8_t byBytes[2];  // [0] low byte, [1] high byte
    struct {
        uint16_t bAutoSend : 1;      // 0: send the data message when calculated
        uint16_t bCalcOnDemand : 1;  // 1: calculate when "D?" is received
        uint16_t bReserved2 : 1;
        uint16_t bHoodHeatersOff : 1;  // 3
        uint16_t bReserved4 : 1;
        uint16_t bCompressed : 1;     // 5: compressed data message
        uint16_t nWindowHeaters : 2;  // 6-7: 0 on, 3 off, 1 (and 2) power save
        uint16_t nReserved8 : 5;      // 8-12
        uint16_t nNVRAMWrite : 3;     // 13-15: 5 enables NVRAM writes
    } bits;
};
static_assert(sizeof(tuOperatingState) == 2);

// Options word bits.
constexpr uint16_t OPT_DATE_TIME = 0x0001;
constexpr uint16_t OPT_NO_TEMP_FOR_PW = 0x0004;
constexpr uint16_t OPT_CHECKSUM = 0x0020;
constexpr uint16_t OPT_NO_EXCO_ADJUST = 0x0040;
constexpr uint16_t OPT_RS485 = 0x0080;

constexpr size_t REGISTER_REPLY_LENGTH = 17;  // "hhhhhhhh,llllllll"
constexpr size_t REGISTER_REPLY_MAX = 25;     // longer lines are never a register reply
constexpr size_t OPSTATE_DECIMAL_LENGTH = 5;  // "nnnnn"

// Reply form to value: 0 and false unless the text is exactly 17 characters.
// A mask starting at 0x8000 walks the characters; a comma is skipped without
// moving it, every other character moves it after being looked at and adds it
// only when it is '1'.
bool ConvertBinaryStringtoData(const std::string& szData, uint16_t* punValue);
// The 16-character command form, bit 15 first.
void ConvertDatatoBinaryString(std::string& szData, uint16_t unValue);
std::string BinaryCommandForm(uint16_t unValue);
// The 17-character display form, "hhhhhhhh,llllllll".
std::string BinaryDisplayForm(uint16_t unValue);

// A received line offered as a register reply. Lines over 25 characters are
// ignored; one leading blank is removed; 18 or more characters are cut to 17.
// The result is the 17-character text, or nothing for any other length.
std::optional<std::string> RegisterReplyText(std::string_view line);

// The operating state's reply, which may also be 5 decimal digits.
struct OpStateReply {
    bool bRecognised = false;  // the request is answered
    bool bBinary = false;      // 17-character binary form
    std::string strText;       // the 17 or 5 characters taken
    // The text is a register value: 8 binary digits, a comma and 8 more, or
    // five decimal digits of at most 65535 (not, say, "BAD C" cut from
    // "BAD CMD", nor "70000").
    bool bValue = false;
};
OpStateReply RecogniseOpStateReply(std::string_view line);

}  // namespace halyard
