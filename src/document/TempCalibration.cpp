#include "document/TempCalibration.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "document/Framing.h"
#include "document/Sequences.h"

namespace halyard {

namespace {

// What six characters of "%6.1f" can hold.
constexpr double kLowestTemperature = -999.9;
constexpr double kHighestTemperature = 9999.9;

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

std::optional<std::string> OffsetReplyField(const std::string& strLine)
{
    if (strLine.size() == 5 || strLine.size() == 6)
        return strLine;
    const size_t nColon = strLine.find(':');
    if (nColon != std::string::npos && strLine.size() >= nColon + 7)
        return strLine.substr(nColon + 3, 5);
    return std::nullopt;
}

std::optional<int> OffsetTenthsValue(std::string_view field)
{
    size_t i = field.find_first_not_of(" \t");
    if (i != std::string_view::npos && (field[i] == '+' || field[i] == '-'))
        ++i;
    if (i >= field.size() || field[i] < '0' || field[i] > '9')
        return std::nullopt;
    // LeadingDecimal saturates rather than wraps, so a long run of digits is
    // out of range too; a value out of range is refused, not cut to 16 bits.
    const int nValue = LeadingDecimal(field);
    if (nValue < std::numeric_limits<int16_t>::min() || nValue > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return nValue;
}

std::optional<int> OffsetReplyTenths(const std::string& strLine)
{
    const std::optional<std::string> field = OffsetReplyField(strLine);
    return field ? OffsetTenthsValue(*field) : std::nullopt;
}

std::optional<std::string> MaintenanceTemperatureField(const std::string& strLine)
{
    if (strLine.size() < 75)
        return std::nullopt;
    const size_t nBlank = strLine.find(' ');
    if (nBlank != std::string::npos && nBlank > 4)
        return std::nullopt;
    const size_t nAt = nBlank == std::string::npos ? 63 : nBlank + 64;
    if (nAt >= strLine.size())
        return std::nullopt;
    return strLine.substr(nAt, 6);
}

std::optional<double> TemperatureValue(std::string_view field)
{
    const std::string str = Trimmed(std::string(field));
    const bool bNegative = !str.empty() && str[0] == '-';
    const std::string_view number =
        std::string_view(str).substr(bNegative || (!str.empty() && str[0] == '+') ? 1 : 0);
    // Digits with at most one point: no exponent, no "nan" or "inf".
    const auto nPoints = static_cast<size_t>(std::count(number.begin(), number.end(), '.'));
    if (nPoints > 1 || number.size() == nPoints ||
        number.find_first_not_of("0123456789.") != std::string_view::npos)
        return std::nullopt;
    double dValue = 0.0;
    const auto result =
        std::from_chars(number.data(), number.data() + number.size(), dValue, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != number.data() + number.size())
        return std::nullopt;
    if (bNegative)
        dValue = -dValue;
    if (dValue < kLowestTemperature || dValue > kHighestTemperature)
        return std::nullopt;
    return dValue;
}

std::optional<double> MaintenanceTemperature(const std::string& strLine)
{
    const std::optional<std::string> field = MaintenanceTemperatureField(strLine);
    return field ? TemperatureValue(*field) : std::nullopt;
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

std::string CalibrationFailedText(int nEnd)
{
    // The sensor may have taken the value before the upload stopped: what it
    // holds is known only from a new read-out.
    static constexpr const char* kNotWritten = ": the new offset may not have been written";
    switch (nEnd) {
    case SEQ_CANCELLED:
        return std::string("Calibration cancelled") + kNotWritten;
    case SEQ_NO_REPLY:
        return std::string("Calibration failed, the sensor did not answer") + kNotWritten;
    case SEQ_CONNECTION_CLOSED:
        return std::string("Calibration failed, the connection was closed") + kNotWritten;
    case SEQ_CONNECTION_LOST:
        return std::string("Calibration failed, the connection was lost") + kNotWritten;
    case SEQ_FILE_ERROR:
        return std::string("Calibration failed, the calibration file could not be read") + kNotWritten;
    default:
        return std::string("Calibration failed") + kNotWritten;
    }
}

}  // namespace halyard
