#include "CommandTable.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace halyard::sim {

namespace {

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

// Length of the decimal integer at the start of `str` (optional sign), 0 if none.
size_t IntegerLength(std::string_view str)
{
    size_t n = 0;
    if (n < str.size() && (str[n] == '-' || str[n] == '+'))
        ++n;
    const size_t nDigitsFrom = n;
    while (n < str.size() && IsDigit(str[n]))
        ++n;
    return n == nDigitsFrom ? 0 : n;
}

size_t BinaryLength(std::string_view str)
{
    if (str.size() < 16)
        return 0;
    for (size_t n = 0; n < 16; ++n) {
        if (str[n] != '0' && str[n] != '1')
            return 0;
    }
    return 16;
}

}  // namespace

bool MatchCommand(std::string_view strPattern, std::string_view strCommand, CommandArgs& args)
{
    args.clear();
    size_t nPat = 0;
    size_t nCmd = 0;
    while (nPat < strPattern.size()) {
        if (strPattern[nPat] == '%' && nPat + 1 < strPattern.size()) {
            const char chKind = strPattern[nPat + 1];
            const std::string_view strRest = strCommand.substr(nCmd);
            size_t nLength = 0;
            if (chKind == 'd')
                nLength = IntegerLength(strRest);
            else if (chKind == 'b')
                nLength = BinaryLength(strRest);
            else if (chKind == 's')
                nLength = strRest.size();
            if (nLength == 0 && chKind != 's')
                return false;
            args.emplace_back(strRest.substr(0, nLength));
            nCmd += nLength;
            nPat += 2;
            continue;
        }
        if (nCmd >= strCommand.size() || strCommand[nCmd] != strPattern[nPat])
            return false;
        ++nCmd;
        ++nPat;
    }
    return nCmd == strCommand.size();
}

bool ParseInt(std::string_view strText, int& nValue)
{
    if (strText.empty() || IntegerLength(strText) != strText.size())
        return false;
    const std::string strCopy(strText);
    errno = 0;
    const long lValue = std::strtol(strCopy.c_str(), nullptr, 10);
    if (errno == ERANGE || lValue < INT_MIN || lValue > INT_MAX)
        return false;
    nValue = static_cast<int>(lValue);
    return true;
}

bool ParseDouble(std::string_view strText, double& dValue)
{
    // from_chars reads a point whatever locale the process runs in (a GUI
    // process takes the user's, and strtod would stop at the point under a
    // comma locale). It takes no plus sign: one is allowed before the number.
    const bool bPlus = !strText.empty() && strText.front() == '+';
    if (bPlus)
        strText.remove_prefix(1);
    if (strText.empty() || (bPlus && strText.front() == '-'))
        return false;
    double dParsed = 0.0;
    const char* pEnd = strText.data() + strText.size();
    const auto [pStop, error] = std::from_chars(strText.data(), pEnd, dParsed);
    if (error != std::errc() || pStop != pEnd || !std::isfinite(dParsed))
        return false;
    dValue = dParsed;
    return true;
}

}  // namespace halyard::sim
