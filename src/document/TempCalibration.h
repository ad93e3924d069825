#pragma once
// The arithmetic of the temperature calibration: the offset and the sensor
// temperature read from the sensor's replies, the reference typed by the user,
// the new offset, and the parameter file that writes it (NVRAM variable 63,
// in tenths of a degree). Pure functions, any front end.

#include <optional>
#include <string>
#include <string_view>

namespace halyard {

// The characters of a reply to "V63?" that hold the offset: the whole line
// of 5 or 6 characters, or, for an addressed reply with ':' at p and at least
// p + 7 characters, the 5 from p + 3. Nothing for a line of another shape.
std::optional<std::string> OffsetReplyField(const std::string& strLine);
// The offset in tenths those characters hold: their leading integer, which
// must fit variable 63, a signed 16-bit count (-32768 to 32767). Nothing
// without a digit or out of that range: "40000" is no offset, not -25536.
std::optional<int> OffsetTenthsValue(std::string_view field);
// Both: the offset in tenths from a reply to "V63?".
std::optional<int> OffsetReplyTenths(const std::string& strLine);

// The characters of a remote maintenance message that hold the sensor
// temperature: in a line of at least 75 characters whose first blank is at
// index 4 or less (or that has none), the 6 from 64 past that blank (index 63
// without one). Nothing for a line of another shape.
std::optional<std::string> MaintenanceTemperatureField(const std::string& strLine);
// The temperature those characters hold: a plain decimal (blanks, a sign,
// digits with at most one point; no exponent, nan or inf) within what the
// sensor's six characters of "%6.1f" can hold, -999.9 to 9999.9.
std::optional<double> TemperatureValue(std::string_view field);
// Both: the sensor temperature from a remote maintenance message.
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
// What the page says when the upload of that file ended as failed, by how
// it ended (a SequenceEnd): why, and that the offset may not be in the sensor.
std::string CalibrationFailedText(int nEnd);

}  // namespace halyard
