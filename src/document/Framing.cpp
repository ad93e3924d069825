#include "document/Framing.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>

namespace halyard {

namespace {

// The codes that make a line a data message. The document's classification
// tries those it knows in this order, the first found deciding; the automatic
// commands take a line holding any code they count, test form or not.
struct DataCode {
    const char* szCode;
    const char* szTestForm;
    bool bPQDSensor;
    bool bClassified;     // known to ClassifyDataMessage
    bool bAutoCommands;   // counted by DataMessageReceived
};

constexpr std::array<DataCode, 11> kDataCodes{{
    {"CP", "TCP", false, true, true},
    {"PW", "TPW", false, true, true},
    {"VS", "TVS", false, true, true},
    {"PQD015", "TPQD015", true, true, true},
    {"PQD025", "TPQD025", true, true, true},
    {"PQD035", "TPQD035", true, true, true},
    {"PQD045", "TPQD045", true, true, true},
    {"ZRT650", "TZRT650", false, true, true},
    {"QRM310", "TQRM310", false, true, false},
    {"LMW-40", "TLMW-40", true, true, true},
    {"ALS-DATA", nullptr, false, false, true},
}};

std::string HexByte(uint8_t by)
{
    char sz[3];
    std::snprintf(sz, sizeof sz, "%02X", static_cast<unsigned>(by));
    return sz;
}

// ":" and the address as two decimal digits.
std::string AddressPrefix(uint16_t wAddress)
{
    char szPrefix[4];
    std::snprintf(szPrefix, sizeof szPrefix, ":%02u", static_cast<unsigned>(wAddress % 100));
    return szPrefix;
}

}  // namespace

uint8_t LRCOf(const uint8_t* pbyData, size_t nLength)
{
    unsigned nSum = 0;
    for (size_t i = 0; i < nLength; ++i)
        nSum += pbyData[i];
    return static_cast<uint8_t>((256u - (nSum & 0xFFu)) & 0xFFu);
}

uint8_t LRCOf(std::string_view bytes)
{
    return LRCOf(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string FrameCommand(std::string_view text, bool bRS485, uint16_t wAddress, bool bAddCRLF)
{
    std::string strFrame;
    strFrame.reserve(text.size() + 7);
    if (bRS485)
        strFrame = AddressPrefix(wAddress);
    strFrame.append(text);
    if (bRS485)
        strFrame += HexByte(LRCOf(std::string_view(strFrame).substr(1)));
    if (bAddCRLF)
        strFrame += "\r\n";
    return strFrame;
}

std::string FrameIdentificationCommand(std::string_view text, bool bRS485, uint16_t wAddress)
{
    std::string strFrame = bRS485 ? AddressPrefix(wAddress) : std::string();
    strFrame.append(text);
    if (bRS485)
        strFrame += "FF";
    strFrame += "\r\n";
    return strFrame;
}

bool CheckLRC(const uint8_t* pbyData, uint32_t dwLFIndex)
{
    if (pbyData == nullptr || dwLFIndex < 3)
        return false;
    const uint32_t dwLRCAt = dwLFIndex - 3;
    uint32_t dwColon = 0;
    while (dwColon < dwLRCAt && pbyData[dwColon] != ':')
        ++dwColon;
    if (dwColon >= dwLRCAt)
        return false;
    const std::string strExpected = HexByte(LRCOf(pbyData + dwColon + 1, dwLRCAt - dwColon - 1));
    return pbyData[dwLRCAt] == static_cast<uint8_t>(strExpected[0]) &&
           pbyData[dwLRCAt + 1] == static_cast<uint8_t>(strExpected[1]);
}

bool IsPrintableByte(uint8_t by)
{
    return (by >= 0x20 && by <= 0x7E) || (by >= 0xA0 && by <= 0xFE);
}

std::string PrintableText(const uint8_t* pbyData, size_t nLength)
{
    std::string strText;
    for (size_t i = 0; i < nLength; ++i)
        if (IsPrintableByte(pbyData[i]))
            strText += static_cast<char>(pbyData[i]);
    return strText;
}

DataMessageClass ClassifyDataMessage(std::string_view text)
{
    for (const DataCode& code : kDataCodes) {
        if (!code.bClassified || text.find(code.szCode) == std::string_view::npos)
            continue;
        if (text.find(code.szTestForm) != std::string_view::npos)
            return {};
        return {true, code.bPQDSensor};
    }
    return {};
}

bool DataMessageReceived(std::string_view text)
{
    return std::any_of(kDataCodes.begin(), kDataCodes.end(), [text](const DataCode& code) {
        return code.bAutoCommands && text.find(code.szCode) != std::string_view::npos;
    });
}

AddressedLine StripAddressedLine(const std::string& text, uint32_t nLFIndex)
{
    AddressedLine line;
    const size_t nColon = text.find(':');
    if (nColon == std::string::npos || nLFIndex < 8) {
        line.strPayload = text;
        return line;
    }
    line.bWellFormed = true;
    std::string strRest = text.substr(nColon + 1);
    line.wAddress =
        static_cast<uint16_t>(std::max(0, LeadingDecimal(std::string_view(strRest).substr(0, 2))));
    strRest.erase(0, std::min<size_t>(2, strRest.size()));
    strRest.erase(strRest.size() - std::min<size_t>(2, strRest.size()));
    line.strPayload = std::move(strRest);
    return line;
}

std::string UpperCaseCommand(std::string_view text)
{
    std::string strUpper(text);
    for (char& ch : strUpper)
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    return strUpper;
}

int LeadingDecimal(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        bNegative = text[i++] == '-';
    long long nValue = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        nValue = nValue * 10 + (text[i] - '0');
        if (nValue > INT_MAX) {
            nValue = static_cast<long long>(INT_MAX) + 1;
            break;
        }
    }
    if (bNegative)
        nValue = -nValue;
    if (nValue > INT_MAX)
        return INT_MAX;
    if (nValue < INT_MIN)
        return INT_MIN;
    return static_cast<int>(nValue);
}

}  // namespace halyard
