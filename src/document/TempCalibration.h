#pragma once
// The arithmetic of the temperature calibration: the offset and the sensor
// temperature read from the sensor's replies, the reference typed by the user,
// the new offset, and the parameter file that writes it (NVRAM variable 63,
// in tenths of a degree). Pure functions, any front end.

#include <optional>
#include <string>

namespace halyard {

// The offset in tenths from a reply to "V63?": a line of 5 or 6 characters
// gives its leading integer; an addressed reply with ':' at p and at least
// p + 7 characters the integer in the 5 characters from p + 3.
std::optional<int> OffsetReplyTenths(const std::string& strLine);
// The sensor temperature from a remote maintenance message: a line of at
// least 75 characters whose first blank is at index 4 or less (or that has
// none), the number in the 6 characters from 64 past that blank (index 63
// without one).
std::optional<double> MaintenanceTemperature(const std::string& strLine);
// The reference as typed: a finite number in full, with '.' or ',' as the
// decimal point; nothing for any other text ("nan" and "inf" too).
std::optional<double> ParseReferenceTemperature(const std::string& strText);

enum CalibrationError : int {
    CAL_OK = 0,
    CAL_REFERENCE_NOT_SET,  // empty, or not a number
    CAL_OUT_OF_RANGE,       // above 60.0 or below -40.0
    CAL_CHECK_REFERENCE     // more than 50.0 from the sensor's own reading
};
struct CalibrationResult {
    int nError = CAL_OK;
    double dNewOffset = 0.0;
    int nOffsetTenths = 0;  // truncated toward zero
};
// The new offset for a reference, from the sensor's shown temperature and
// its offset (the raw temperature is their sum).
CalibrationResult CalibrateOffset(const std::string& strReference, double dSensorTemp, double dOffset);
// The message box text of an error.
std::string CalibrationErrorText(int nError);
// The parameter file writing the offset: NVRAM writes on, V63, off, end.
std::string CalibrationFileText(int nOffsetTenths);

}  // namespace halyard
