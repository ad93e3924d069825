// The temperature calibration's reading of the sensor's replies and of the
// typed reference, and the offset it computes from them, as the calibration
// page chains them: the reply to "V63?" gives the offset in tenths, the
// maintenance message the sensor's temperature, and the reference text the
// new offset and the parameter file that writes it.
//
// The input is three pieces separated by LF: the offset reply, the
// maintenance line and the reference as typed. Checked, whatever range of
// values the readings take: the numbers read, when there are any, are finite
// (never infinity or NaN) and the offset no wider than the characters it comes
// from; a reference used lies in -40.0 to 60.0; the new offset is the sensor's
// raw temperature (its reading plus its offset) less the reference, within
// 50.0 of zero, worked out here from the numbers; its tenths are truncated
// toward zero (rounded only where the offset lies within a millionth of a
// tenth, as 1.8 held as 1.7999999), and the file carries exactly those.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "document/TempCalibration.h"

using halyard::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pbyData, size_t nSize)
{
    const std::vector<std::string> pieces =
        halyard::fuzz::SplitAt(std::string_view(reinterpret_cast<const char*>(pbyData), nSize), '\n');
    const std::string& strOffsetReply = pieces[0];
    const std::string strMaintenance = pieces.size() > 1 ? pieces[1] : std::string();
    const std::string strReference = pieces.size() > 2 ? pieces[2] : std::string();

    double dOffset = 0.0;
    if (const auto tenths = halyard::OffsetReplyTenths(strOffsetReply)) {
        // Five or six characters of a plain reply, five of an addressed one.
        Require(*tenths >= -99999 && *tenths <= 999999, "an offset is read from six characters at most");
        dOffset = *tenths / 10.0;
    }
    double dSensorTemp = 0.0;
    if (const auto temp = halyard::MaintenanceTemperature(strMaintenance)) {
        Require(std::isfinite(*temp), "the sensor's temperature is a finite number");
        dSensorTemp = *temp;
    }
    if (const auto reference = halyard::ParseReferenceTemperature(strReference))
        Require(std::isfinite(*reference), "a reference taken is a finite number");

    const halyard::CalibrationResult result = halyard::CalibrateOffset(strReference, dSensorTemp, dOffset);
    Require(result.nError >= halyard::CAL_OK && result.nError <= halyard::CAL_CHECK_REFERENCE,
            "one of the calibration's results");
    Require((result.nError == halyard::CAL_OK) == halyard::CalibrationErrorText(result.nError).empty(),
            "every error has its text");
    if (result.nError != halyard::CAL_OK)
        return 0;
    const auto reference = halyard::ParseReferenceTemperature(strReference);
    Require(reference && *reference >= -40.0 && *reference <= 60.0, "a reference used lies in -40.0 to 60.0");
    const double dNewOffset = (dSensorTemp + dOffset) - *reference;
    Require(std::isfinite(dNewOffset) && std::fabs(dNewOffset) <= 50.0, "a new offset is within 50.0 of zero");
    Require(std::fabs(result.dNewOffset - dNewOffset) <= 1e-9, "the new offset is the raw temperature less the reference");
    const double dTenths = dNewOffset * 10.0;
    const double dNearest = std::round(dTenths);
    Require(result.nOffsetTenths == std::trunc(dTenths) ||
                (std::fabs(dTenths - dNearest) < 1e-6 && result.nOffsetTenths == dNearest),
            "the tenths written are the new offset's, truncated toward zero");
    const std::string strFile = halyard::CalibrationFileText(result.nOffsetTenths);
    Require(strFile == "OSNVW5\nV63," + std::to_string(result.nOffsetTenths) + "\nOSNVW0\n#\n",
            "the file writes the tenths between NVRAM writes on and off");
    return 0;
}
