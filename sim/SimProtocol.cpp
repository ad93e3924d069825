#include "SimProtocol.h"

#include <array>
#include <cctype>
#include <cstdio>

namespace halyard::sim {

namespace {

struct ModelEntry {
    const char* szName;
    int nCode;
    const char* szDataCode;
};

constexpr std::array<ModelEntry, 9> kModels{{
    {"LMW-40", 40, "LMW-40"},
    {"PQD-015", 15, "PQD015"},
    {"PQD-025", 25, "PQD025"},
    {"PQD-035", 35, "PQD035"},
    {"PQD-045", 45, "PQD045"},
    {"KV-310", 310, "QRM310"},
    {"ZRT-610", 610, "VS"},
    {"ZRT-630", 630, "PW"},
    {"ZRT-650", 650, "ZRT650"},
}};

constexpr std::array<const char*, 10> kDataCodes{"CP",     "PW",     "VS",     "PQD015", "PQD025",
                                                 "PQD035", "PQD045", "ZRT650", "QRM310", "LMW-40"};

int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

}  // namespace

uint8_t Lrc(std::string_view strCovered)
{
    unsigned nSum = 0;
    for (char ch : strCovered)
        nSum += static_cast<unsigned char>(ch);
    return static_cast<uint8_t>((256U - (nSum & 0xFFU)) & 0xFFU);
}

std::string FrameLine(int nAddress, std::string_view strPayload, LrcStyle style)
{
    char szAddress[8];
    std::snprintf(szAddress, sizeof szAddress, "%02d", nAddress % 100);
    std::string strCovered = szAddress;
    strCovered += strPayload;
    uint8_t byLrc = Lrc(strCovered);
    if (style == LrcStyle::Wrong)
        byLrc = static_cast<uint8_t>(byLrc + 1);
    char szLrc[4];
    std::snprintf(szLrc, sizeof szLrc, style == LrcStyle::LowerCase ? "%02x" : "%02X", byLrc);
    return ":" + strCovered + szLrc;
}

FramedLine UnframeLine(std::string_view strLine)
{
    FramedLine result;
    if (strLine.size() < 5 || strLine[0] != ':' || !IsDigit(strLine[1]) || !IsDigit(strLine[2]))
        return result;
    const size_t nLrcAt = strLine.size() - 2;
    const int nHigh = HexValue(strLine[nLrcAt]);
    const int nLow = HexValue(strLine[nLrcAt + 1]);
    if (nHigh < 0 || nLow < 0)
        return result;
    result.nAddress = (strLine[1] - '0') * 10 + (strLine[2] - '0');
    result.strPayload = std::string(strLine.substr(3, nLrcAt - 3));
    const bool bPlaceholder = strLine[nLrcAt] == 'F' && strLine[nLrcAt + 1] == 'F';
    const bool bMatches = Lrc(strLine.substr(1, nLrcAt - 1)) == nHigh * 16 + nLow;
    result.status = (bMatches || bPlaceholder) ? FramedLine::Status::Ok : FramedLine::Status::BadLrc;
    return result;
}

std::string RegisterCommandText(uint16_t wValue)
{
    std::string strText;
    for (unsigned nMask = 0x8000; nMask != 0; nMask >>= 1)
        strText += (wValue & nMask) ? '1' : '0';
    return strText;
}

std::string RegisterReplyText(uint16_t wValue)
{
    const std::string strDigits = RegisterCommandText(wValue);
    return strDigits.substr(0, 8) + "," + strDigits.substr(8);
}

std::optional<uint16_t> ParseRegisterCommandText(std::string_view strDigits)
{
    if (strDigits.size() != 16)
        return std::nullopt;
    unsigned nValue = 0;
    for (char ch : strDigits) {
        if (ch != '0' && ch != '1')
            return std::nullopt;
        nValue = (nValue << 1) | static_cast<unsigned>(ch - '0');
    }
    return static_cast<uint16_t>(nValue);
}

int ModelCode(const std::string& strModel)
{
    for (const ModelEntry& entry : kModels) {
        if (strModel == entry.szName)
            return entry.nCode;
    }
    return -1;
}

std::string DataCodeForModel(const std::string& strModel)
{
    for (const ModelEntry& entry : kModels) {
        if (strModel == entry.szName)
            return entry.szDataCode;
    }
    return "PW";
}

bool ContainsDataCode(std::string_view strLine)
{
    for (const char* szCode : kDataCodes) {
        if (strLine.find(szCode) != std::string_view::npos)
            return true;
    }
    return false;
}

}  // namespace halyard::sim
