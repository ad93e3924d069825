#pragma once
// The sensor line protocol as pure functions: command framing with the RS485
// address prefix and LRC (and the identification's variant, "FF" for the LRC),
// the LRC check of an addressed reply, the text of a received line, the
// data-message classification, and stripping an addressed line down to its
// payload. CHalyardDoc and CConnectLogic call them on the UI thread; tests call
// them directly. No state, no threads.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace halyard {

constexpr uint32_t CMD_SLOT_SIZE = 4096;
// Longest command text that fits a slot with ":nn", two LRC digits and CR LF.
constexpr size_t MAX_COMMAND_TEXT = CMD_SLOT_SIZE - 7;

// LRC of a byte range: the two's complement, modulo 256, of the sum of the
// bytes (0 for a sum of 0). Covers exactly the bytes given; callers pass the
// address digits and the command text, never ":", the LRC itself or CR LF.
uint8_t LRCOf(const uint8_t* pbyData, size_t nLength);
uint8_t LRCOf(std::string_view bytes);

// The bytes of one command on the wire. Plain: text [CR LF]. RS485: ":" + the
// address as "%02d" + text + LRC as "%02X" + [CR LF]. Addresses above 99 are
// not representable in two digits and are taken modulo 100.
std::string FrameCommand(std::string_view text, bool bRS485, uint16_t wAddress, bool bAddCRLF);

// The lines of the connect dialog's identification ("OK", "JM?"), always with
// CR LF. Plain: text CR LF. RS485: ":" + the address as "%02d" (modulo 100) +
// text + "FF" + CR LF.
// "FF" in place of the LRC: the sensor accepts it for these queries; the connect dialog has always sent it.
std::string FrameIdentificationCommand(std::string_view text, bool bRS485, uint16_t wAddress);

// Checks the LRC of an addressed reply held in pbyData, where dwLFIndex is the
// index of the line's LF. The line is expected to be ":" nn payload LRC CR LF:
// the LRC is the two bytes at dwLFIndex-3 and dwLFIndex-2, compared as upper
// case hexadecimal against the LRC of the bytes after the first ":" up to (not
// including) dwLFIndex-3. False when there is no ":" before dwLFIndex-3, when
// dwLFIndex < 3, or when the digits differ (lower case digits differ too). A
// line ending in LF alone is therefore compared against the wrong bytes.
bool CheckLRC(const uint8_t* pbyData, uint32_t dwLFIndex);

// Printable in Latin-1: 0x20-0x7E and 0xA0-0xFE; 0xFF never.
bool IsPrintableByte(uint8_t by);
// The text of received bytes: printable bytes kept, everything else dropped.
std::string PrintableText(const uint8_t* pbyData, size_t nLength);

// Data-message classification. The codes are tried in table order; the first
// that occurs anywhere in the text decides: its test form ("T" + code) makes the
// line a test message (not data), otherwise it is a data message of a PQD-family
// sensor or not. No code: not a data message.
struct DataMessageClass {
    bool bDataMessage = false;
    std::optional<bool> bPQDSensor;  // set only for a data message
};
DataMessageClass ClassifyDataMessage(std::string_view text);
// Whether a line counts as a data message for the automatic commands (and the
// temperature calibration page): it holds, anywhere, "CP", "PW", "VS",
// "PQD015", "PQD025", "PQD035", "PQD045", "ZRT650", "ALS-DATA" or "LMW-40",
// whatever ClassifyDataMessage makes of it.
bool DataMessageReceived(std::string_view text);

// An addressed line after its LF at index nLFIndex of the packet: well formed
// when the text holds ":" and nLFIndex >= 8. Then the text after the first ":"
// loses its two address digits (read as a decimal number) and its last two
// characters (the LRC).
struct AddressedLine {
    bool bWellFormed = false;
    uint16_t wAddress = 0;
    std::string strPayload;  // the stripped text; the unchanged text when not well formed
};
AddressedLine StripAddressedLine(const std::string& text, uint32_t nLFIndex);

// A typed command in upper case: the letters a to z become A to Z and every
// other byte goes out as typed (an 8-bit byte is not a letter of the command
// set, and a locale's upper case would change or even lengthen it).
std::string UpperCaseCommand(std::string_view text);

// Leading decimal digits after optional blanks and sign, as a C conversion
// reads them (0 when there are none; clamped to the int range).
int LeadingDecimal(std::string_view text);

}  // namespace halyard
