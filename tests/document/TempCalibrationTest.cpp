// The temperature calibration's reading of replies and its arithmetic.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "document/Sequences.h"
#include "document/TempCalibration.h"

namespace halyard::test {
namespace {

// The maintenance message of the simulated sensor with its six characters
// of temperature replaced.
std::string MaintenanceLine(const std::string& strTemperature)
{
    std::string strLine = "REM 00,24.1,0.020,0.030,0310,01450,OK ,+12.02,-12.01,+05.00,000483,";
    strLine.resize(67, ' ');
    return strLine + strTemperature + ",1013.2,045,0000";
}

TEST(TempCalibration, OffsetRepliesPlainAndAddressed)
{
    EXPECT_EQ(OffsetReplyTenths("-0012"), -12);
    EXPECT_EQ(OffsetReplyTenths(" 00018"), 18);
    EXPECT_EQ(OffsetReplyTenths(":0500018C2"), 18) << "addressed: five characters from p + 3";
    EXPECT_EQ(OffsetReplyTenths("0012"), std::nullopt);
    EXPECT_EQ(OffsetReplyTenths("BAD CMD OK"), std::nullopt);
}

TEST(TempCalibration, TemperatureFromTheMaintenanceMessage)
{
    const std::string strLine = MaintenanceLine("  21.3");
    EXPECT_EQ(MaintenanceTemperature(strLine), 21.3);
    EXPECT_EQ(MaintenanceTemperature(strLine.substr(0, 74)), std::nullopt) << "too short";
    EXPECT_EQ(MaintenanceTemperature("MAINTENANCE " + strLine), std::nullopt) << "first blank too late";
}

TEST(TempCalibration, AnOffsetThatVariable63CannotHoldIsNoValue)
{
    // A signed 16-bit count of tenths; cut to 16 bits, 40000 would be -2553.6.
    EXPECT_EQ(OffsetReplyTenths("32767"), 32767);
    EXPECT_EQ(OffsetReplyTenths("-32768"), -32768);
    EXPECT_EQ(OffsetReplyTenths("12ab5"), 12) << "the leading integer";
    for (const char* sz :
         {"32768", "40000", "999999", "-99999", "-32769", ":0599999C2", "BAD C", "  -  ", "+----"})
        EXPECT_EQ(OffsetReplyTenths(sz), std::nullopt) << sz;
}

TEST(TempCalibration, ASensorTemperatureIsAPlainDecimalThatSixCharactersHold)
{
    for (const auto& [strField, dValue] : std::vector<std::pair<std::string, double>>{
             {"  21.3", 21.3}, {"-999.9", -999.9}, {"9999.9", 9999.9}, {" +21.3", 21.3}, {"    -4", -4.0}})
        EXPECT_EQ(MaintenanceTemperature(MaintenanceLine(strField)), dValue) << strField;
    // An exponent, a hexadecimal number, or more than "%6.1f" can hold in six
    // characters, is no temperature.
    for (const char* sz :
         {" 9e307", "  1e2 ", "0x1A.0", "999999", "-99999", "10000.", "21.3.1", "  21,3", "     -", "      "})
        EXPECT_EQ(MaintenanceTemperature(MaintenanceLine(sz)), std::nullopt) << sz;
}

TEST(TempCalibration, ReferenceIsANumberInFullOrNothing)
{
    EXPECT_EQ(ParseReferenceTemperature("20.5"), 20.5);
    EXPECT_EQ(ParseReferenceTemperature(" 20,5 "), 20.5);
    EXPECT_EQ(ParseReferenceTemperature("-3"), -3.0);
    for (const char* sz : {"", "abc", "20,5x", "20.5.1", "1e"})
        EXPECT_EQ(ParseReferenceTemperature(sz), std::nullopt) << sz;
}

TEST(TempCalibration, NotANumberAndInfinityAreNoTemperature)
{
    // The C conversion reads them; a NaN passes every range check and would
    // become the V63 value written into the sensor.
    for (const char* sz : {"nan", "NAN", "-nan", "inf", "-infinity", " nan "}) {
        EXPECT_EQ(ParseReferenceTemperature(sz), std::nullopt) << sz;
        EXPECT_EQ(CalibrateOffset(sz, 20.0, 0.0).nError, CAL_REFERENCE_NOT_SET) << sz;
    }
    for (const char* sz : {"   nan", "  -inf"})
        EXPECT_EQ(MaintenanceTemperature(MaintenanceLine(sz)), std::nullopt) << sz;
}

TEST(TempCalibration, TheNewOffsetAndItsLimits)
{
    CalibrationResult r = CalibrateOffset("20.0", 21.3, 0.5);
    EXPECT_EQ(r.nError, CAL_OK);
    EXPECT_DOUBLE_EQ(r.dNewOffset, 1.8);
    EXPECT_EQ(r.nOffsetTenths, 18);
    EXPECT_EQ(CalibrationFileText(r.nOffsetTenths), "OSNVW5\nV63,18\nOSNVW0\n#\n");
    EXPECT_EQ(CalibrateOffset("20.25", 20.0, 0.0).nOffsetTenths, -2) << "-0.25 written as V63,-2";
    EXPECT_EQ(CalibrateOffset("60.0", 20.0, 0.0).nError, CAL_OK);
    EXPECT_EQ(CalibrateOffset("-40.0", -30.0, 0.0).nError, CAL_OK);
    EXPECT_EQ(CalibrateOffset("60.1", 20.0, 0.0).nError, CAL_OUT_OF_RANGE);
    EXPECT_EQ(CalibrateOffset("50.0", 0.0, 0.0).nError, CAL_OK) << "a difference of exactly 50.0";
    EXPECT_EQ(CalibrateOffset("50.5", 0.0, 0.0).nError, CAL_CHECK_REFERENCE);
    EXPECT_EQ(CalibrateOffset("abc", 20.0, 0.0).nError, CAL_REFERENCE_NOT_SET);
    EXPECT_EQ(CalibrationErrorText(CAL_REFERENCE_NOT_SET), "Reference Temperature Not Set");
}

TEST(TempCalibration, AFailedUploadSaysWhyAndNeverThatTheOffsetWasWritten)
{
    std::set<std::string> texts;
    for (int nEnd : {SEQ_CANCELLED, SEQ_NO_REPLY, SEQ_CONNECTION_CLOSED, SEQ_CONNECTION_LOST, SEQ_FILE_ERROR, SEQ_DONE}) {
        const std::string strText = CalibrationFailedText(nEnd);
        EXPECT_NE(strText.find(": the new offset may not have been written"), std::string::npos) << strText;
        texts.insert(strText);
    }
    EXPECT_EQ(texts.size(), 6u) << "each cause in its own words";
    EXPECT_EQ(CalibrationFailedText(SEQ_NO_REPLY),
              "Calibration failed, the sensor did not answer: the new offset may not have been written");
}

}  // namespace
}  // namespace halyard::test
