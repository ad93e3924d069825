// Wire-level helpers of the simulated sensor: the LRC of addressed lines,
// framing and unframing, the text forms of the two registers and the model
// table. Pure functions without state; the sensor thread and the unit tests
// call them directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace halyard::sim {

// LRC of an addressed line: the two's complement, modulo 256, of the byte sum
// of `strCovered` (the two address digits followed by the payload; never the
// ":", the LRC digits or the line end). An empty text gives 0.
uint8_t Lrc(std::string_view strCovered);

// How an outgoing addressed line is spoiled on purpose (fault injection).
enum class LrcStyle { Correct, Wrong, LowerCase };

// ":" + address as two digits + payload + LRC as two hex digits; no line end.
std::string FrameLine(int nAddress, std::string_view strPayload, LrcStyle style = LrcStyle::Correct);

// Result of taking an incoming line apart. A line is addressed when it starts
// with ":". It needs at least ":", two decimal address digits and two hex LRC
// digits (5 characters); the payload is what lies between them.
struct FramedLine {
    enum class Status { Ok, Malformed, BadLrc };
    Status status = Status::Malformed;
    int nAddress = -1;
    std::string strPayload;
};

// Unframes `strLine` (without its line end). The LRC digits may be in either
// case. The digits "FF" are accepted in place of the LRC: the identification
// of an unknown sensor sends them because it cannot know the address yet.
FramedLine UnframeLine(std::string_view strLine);

// Register texts. Reply form: "bbbbbbbb,bbbbbbbb" (high byte first).
// Command form: 16 binary digits, bit 15 first.
std::string RegisterReplyText(uint16_t wValue);
std::string RegisterCommandText(uint16_t wValue);
// Exactly 16 characters, each '0' or '1'; anything else gives no value.
std::optional<uint16_t> ParseRegisterCommandText(std::string_view strDigits);

// The model table: "ZRT-630" -> 630, "PQD-025" -> 25, "LMW-40" -> 40;
// -1 for a name the table does not hold.
int ModelCode(const std::string& strModel);

// The code a model's data messages carry, as the receiving side classifies
// them: "ZRT650", "PQD025", "LMW-40", "QRM310", "PW" (ZRT-630), "VS" (ZRT-610).
std::string DataCodeForModel(const std::string& strModel);

// True when `strLine` contains one of the data-message codes the receiving
// side looks for ("CP", "PW", "VS", "PQD015" ... "LMW-40"), test form or not.
// Replies other than data messages must never contain one.
bool ContainsDataCode(std::string_view strLine);

}  // namespace halyard::sim
