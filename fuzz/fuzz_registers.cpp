// The register replies: the options word's and the operating state's
// recognition of a received line, and the two conversions between a 16-bit
// value and its text.
//
// Every value is first taken through the 17-character reply form and back
// (and through the 5-digit decimal form of the operating state); then each
// input is offered as a received line. Checked: a recognised reply is 17 or 5
// characters of the line (one or two leading blanks off, the rest cut); any
// text accepted as a register value converts to a value whose text is that
// text again; a binary form of 16 digits and a comma is that value's form.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "document/Framing.h"
#include "document/Registers.h"

using halyard::fuzz::Require;

namespace {

std::string DecimalForm(unsigned nValue)
{
    char sz[16];
    std::snprintf(sz, sizeof sz, "%05u", nValue);
    return sz;
}

void CheckRoundTrip(uint16_t wValue)
{
    const std::string strDisplay = halyard::BinaryDisplayForm(wValue);
    Require(strDisplay.size() == halyard::REGISTER_REPLY_LENGTH, "the reply form has 17 characters");
    uint16_t wBack = 0;
    Require(halyard::ConvertBinaryStringtoData(strDisplay, &wBack) && wBack == wValue,
            "16 bits -> 17 characters -> the same 16 bits");
    std::string strCommand;
    halyard::ConvertDatatoBinaryString(strCommand, wValue);
    Require(strCommand == strDisplay.substr(0, 8) + strDisplay.substr(9), "the command form is the reply form less its comma");

    const halyard::OpStateReply binary = halyard::RecogniseOpStateReply(" " + strDisplay + "xyz");
    Require(binary.bRecognised && binary.bBinary && binary.bValue && binary.strText == strDisplay,
            "a value's reply form, with a blank before and more after, is recognised as that value");
    Require(halyard::RegisterReplyText(strDisplay) == strDisplay, "an options reply is taken whole");

    const halyard::OpStateReply decimal = halyard::RecogniseOpStateReply(DecimalForm(wValue));
    Require(decimal.bRecognised && !decimal.bBinary && decimal.bValue &&
                halyard::LeadingDecimal(decimal.strText) == wValue,
            "a value's decimal form is recognised as that value");
}

bool IsBinaryForm(std::string_view text)
{
    if (text.size() != halyard::REGISTER_REPLY_LENGTH)
        return false;
    for (size_t n = 0; n < text.size(); ++n)
        if (n == 8 ? text[n] != ',' : (text[n] != '0' && text[n] != '1'))
            return false;
    return true;
}

void CheckOpStateReply(const std::string& strLine)
{
    const halyard::OpStateReply reply = halyard::RecogniseOpStateReply(strLine);
    if (strLine.size() > halyard::REGISTER_REPLY_MAX) {
        Require(!reply.bRecognised, "a line over 25 characters is no register reply");
        return;
    }
    if (!reply.bRecognised) {
        Require(!reply.bValue && reply.strText.empty(), "an unrecognised line carries nothing");
        return;
    }
    Require(reply.strText.size() == (reply.bBinary ? 17u : 5u), "a reply is 17 or 5 characters");
    const size_t nAt = strLine.find(reply.strText);
    Require(nAt != std::string::npos && nAt <= 2 && strLine.find_first_not_of(' ') >= nAt,
            "a reply is the line less one or two leading blanks, cut short");
    if (!reply.bValue)
        return;
    if (reply.bBinary) {
        uint16_t wValue = 0;
        Require(halyard::ConvertBinaryStringtoData(reply.strText, &wValue), "a binary value converts");
        Require(halyard::BinaryDisplayForm(wValue) == reply.strText, "a binary value converts back to itself");
    } else {
        const int nValue = halyard::LeadingDecimal(reply.strText);
        Require(nValue >= 0 && nValue <= 0xFFFF, "a decimal value is a 16-bit value");
        Require(DecimalForm(static_cast<unsigned>(nValue)) == reply.strText, "a decimal value converts back to itself");
    }
}

void CheckOptionsReply(const std::string& strLine)
{
    const auto reply = halyard::RegisterReplyText(strLine);
    if (!reply)
        return;
    Require(strLine.size() <= halyard::REGISTER_REPLY_MAX && reply->size() == halyard::REGISTER_REPLY_LENGTH,
            "an options reply is 17 characters of a line of at most 25");
    uint16_t wValue = 0;
    Require(halyard::ConvertBinaryStringtoData(*reply, &wValue), "17 characters always convert");
    if (IsBinaryForm(*reply))
        Require(halyard::BinaryDisplayForm(wValue) == *reply, "a binary options reply converts back to itself");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    for (unsigned n = 0; n <= 0xFFFF; ++n)
        CheckRoundTrip(static_cast<uint16_t>(n));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pbyData, size_t nSize)
{
    const std::string strLine(reinterpret_cast<const char*>(pbyData), nSize);
    CheckOpStateReply(strLine);
    CheckOptionsReply(strLine);
    uint16_t wValue = 0;
    const bool bConverted = halyard::ConvertBinaryStringtoData(strLine, &wValue);
    Require(bConverted == (strLine.size() == 17) && (bConverted || wValue == 0),
            "exactly 17 characters convert; anything else gives 0 and false");
    if (IsBinaryForm(strLine))
        Require(halyard::BinaryDisplayForm(wValue) == strLine, "a binary form converts back to itself");
    if (nSize >= 2)
        CheckRoundTrip(static_cast<uint16_t>(pbyData[0] << 8 | pbyData[1]));
    return 0;
}
