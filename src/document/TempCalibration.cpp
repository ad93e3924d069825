#include "document/TempCalibration.h"

#include <charconv>
#include <cmath>

#include "document/Framing.h"

namespace halyard {

namespace {

std::string Trimmed(const std::string& str)
{
    const size_t nFirst = str.find_first_not_of(" \t");
    if (nFirst == std::string::npos)
        return {};
    return str.substr(nFirst, str.find_last_not_of(" \t") - nFirst + 1);
}

// The whole text as a number, in the C locale. The conversion also reads
// "nan" and "inf", which are no temperature (a NaN passes every range check).
std::optional<double> WholeNumber(const std::string& strText)
{
    std::string str = Trimmed(strText);
    if (!str.empty() && str[0] == '+')
        str.erase(0, 1);
    double dValue = 0.0;
    const auto result = std::from_chars(str.data(), str.data() + str.size(), dValue);
    if (str.empty() || result.ec != std::errc() || result.ptr != str.data() + str.size() || !std::isfinite(dValue))
        return std::nullopt;
    return dValue;
}

}  // namespace

std::optional<int> OffsetReplyTenths(const std::string& strLine)
{
    if (strLine.size() == 5 || strLine.size() == 6)
        return LeadingDecimal(strLine);
    const size_t nColon = strLine.find(':');
    if (nColon != std::string::npos && strLine.size() >= nColon + 7)
        return LeadingDecimal(std::string_view(strLine).substr(nColon + 3, 5));
    return std::nullopt;
}

std::optional<double> MaintenanceTemperature(const std::string& strLine)
{
    if (strLine.size() < 75)
        return std::nullopt;
    const size_t nBlank = strLine.find(' ');
    if (nBlank != std::string::npos && nBlank > 4)
        return std::nullopt;
    const size_t nAt = nBlank == std::string::npos ? 63 : nBlank + 64;
    if (nAt >= strLine.size())
        return std::nullopt;
    return WholeNumber(strLine.substr(nAt, 6));
}

std::optional<double> ParseReferenceTemperature(const std::string& strText)
{
    std::string str = strText;
    // A keyboard that gives a decimal comma.
    if (str.find('.') == std::string::npos)
        if (const size_t nComma = str.find(','); nComma != std::string::npos)
            str[nComma] = '.';
    return WholeNumber(str);
}

CalibrationResult CalibrateOffset(const std::string& strReference, double dSensorTemp, double dOffset)
{
    CalibrationResult result;
    const std::optional<double> reference = ParseReferenceTemperature(strReference);
    if (!reference) {
        result.nError = CAL_REFERENCE_NOT_SET;
        return result;
    }
    if (*reference > 60.0 || *reference < -40.0) {
        result.nError = CAL_OUT_OF_RANGE;
        return result;
    }
    const double dDiff = *reference - (dSensorTemp + dOffset);
    if (std::fabs(dDiff) > 50.0) {
        result.nError = CAL_CHECK_REFERENCE;
        return result;
    }
    result.dNewOffset = -dDiff;
    // Tenths, truncated toward zero; rounded first to the nearest millionth
    // so that 1.8 held as 1.7999999 still gives 18.
    result.nOffsetTenths = static_cast<int>(std::trunc(std::round(result.dNewOffset * 1e7) / 1e6));
    return result;
}

std::string CalibrationErrorText(int nError)
{
    switch (nError) {
    case CAL_REFERENCE_NOT_SET:
        return "Reference Temperature Not Set";
    case CAL_OUT_OF_RANGE:
        return "Reference Temperature Out of Range";
    case CAL_CHECK_REFERENCE:
        return "Check Reference Temperature";
    default:
        return {};
    }
}

std::string CalibrationFileText(int nOffsetTenths)
{
    return "OSNVW5\nV63," + std::to_string(nOffsetTenths) + "\nOSNVW0\n#\n";
}

}  // namespace halyard
