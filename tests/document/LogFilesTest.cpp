// The log's records, its file names and the choice of file at Start.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "GermanLocale.h"
#include "document/LogFiles.h"

namespace halyard::test {
namespace {

std::string Record(const std::string& strLine, bool bTimestamp, TimePoint now = {})
{
    return LogRecord(reinterpret_cast<const uint8_t*>(strLine.data()), static_cast<uint32_t>(strLine.size()),
                     bTimestamp, now);
}

TEST(LogRecord, KeepsPrintableBytesUpToTheLineFeedAndStampsWhenAsked)
{
    const TimePoint now = MakeLocalTime(2026, 12, 8, 1, 30, 5);
    EXPECT_EQ(Record("PW1\r\n", true, now), "PW1,08/12/2026,01:30:05\n");
    EXPECT_EQ(Record("PW1\r\n", false), "PW1\n");
    // Control bytes, DEL, C1 controls and 0xFF go; Latin-1 letters stay.
    EXPECT_EQ(Record("P\tW\x01"
                     "1\x7F\x85 \xE9t\xE9\xFF\r\n",
                     false),
              "PW1 \xE9t\xE9\n");
    // Nothing after the first line feed belongs to the record.
    EXPECT_EQ(Record("A\nB\n", false), "A\n");
    EXPECT_EQ(Record("\r\n", true, now), ",08/12/2026,01:30:05\n");
}

TEST(LogFileNames, DayMonthNameYearHourAndMinute)
{
    const TimePoint now = MakeLocalTime(2026, 12, 8, 0, 0, 59);
    EXPECT_EQ(LogFileStem("LogFile", now), "LogFile 08Dec2026 00.00");
    EXPECT_EQ(DailyLogFileName("/data/mast 3/LogFile", MakeLocalTime(2027, 1, 31, 23, 7, 0)),
              "/data/mast 3/LogFile 31Jan2027 23.07.LOG");
}

// Qt sets the program's locale from the environment: month names must stay English.
TEST(LogFileNames, MonthNamesAreEnglishInAnyLocale)
{
    const TimePoint now = MakeLocalTime(2026, 12, 8, 14, 5, 0);
    std::string strName;
    std::string strStamp;
    {
        CGermanLocale german;
        ASSERT_TRUE(german.IsActive()) << "localedef (package locales) is needed for this test";
        strName = DailyLogFileName("LogFile", now);
        strStamp = Record("x\n", true, now);
    }
    EXPECT_EQ(strName, "LogFile 08Dec2026 14.05.LOG");
    EXPECT_EQ(strStamp, "x,08/12/2026,14:05:00\n");
}

TEST(DailyChange, SecondsAreCountedFromTheChangeTimeWithinTheDay)
{
    EXPECT_EQ(SecondsSinceDailyChange(MakeLocalTime(2026, 12, 9, 0, 3, 59), 0, 0), 239);
    EXPECT_EQ(SecondsSinceDailyChange(MakeLocalTime(2026, 12, 9, 0, 4, 1), 0, 0), 241);
    EXPECT_EQ(SecondsSinceDailyChange(MakeLocalTime(2026, 12, 9, 6, 29, 0), 6, 30), -60);
    // The window does not reach past midnight.
    EXPECT_LT(SecondsSinceDailyChange(MakeLocalTime(2026, 12, 10, 0, 1, 0), 23, 58), 0);
}

TEST(ChooseLogFile, WithoutDailyCaptureLooksForUpperCaseLog)
{
    LogFileChoice choice = ChooseLogFile("/home/tech/data.log", false, "LogFile");
    EXPECT_EQ(choice.strLogFile, "/home/tech/data.log.LOG");
    EXPECT_EQ(choice.strPrefix, "/home/tech/data.log");
    choice = ChooseLogFile("/home/tech/run.LOG", false, "LogFile");
    EXPECT_EQ(choice.strLogFile, "/home/tech/run.LOG");
    EXPECT_EQ(choice.strPrefix, "/home/tech/run");
    // The first ".LOG" counts, wherever it is.
    choice = ChooseLogFile("/logs/a.LOG.old", false, "LogFile");
    EXPECT_EQ(choice.strLogFile, "/logs/a.LOG.old");
    EXPECT_EQ(choice.strPrefix, "/logs/a");
}

TEST(ChooseLogFile, WithDailyCaptureNamesLaterFilesFromTheFolderAndPrefix)
{
    LogFileChoice choice = ChooseLogFile("/mnt/Donn\xC3\xA9"
                                         "es/LogFile 08Dec2026 14.05",
                                         true, "Mast");
    EXPECT_EQ(choice.strLogFile, "/mnt/Donn\xC3\xA9"
                                 "es/LogFile 08Dec2026 14.05.LOG");
    EXPECT_EQ(choice.strPrefix, "/mnt/Donn\xC3\xA9"
                                "es/Mast");
    choice = ChooseLogFile("first.log", true, "LogFile");
    EXPECT_EQ(choice.strLogFile, "first.log");
    EXPECT_EQ(choice.strPrefix, "LogFile");
}

TEST(LogStop, FileFailuresNameTheFileAndTheReason)
{
    EXPECT_TRUE(IsLogFileFailure(LOG_WRITE_FAILED));
    EXPECT_TRUE(IsLogFileFailure(LOG_DAILY_CREATE_FAILED));
    EXPECT_FALSE(IsLogFileFailure(LOG_CONNECTION_CLOSED));
    const std::string strText =
        LogFailureMessage(LOG_WRITE_FAILED, CFileException(CFileException::diskFull,
                                                           static_cast<int>(SystemErrorCode(ENOSPC)), "/media/usb/a.LOG"));
    EXPECT_NE(strText.find("could not be written"), std::string::npos) << strText;
    EXPECT_NE(strText.find("/media/usb/a.LOG"), std::string::npos) << strText;
    // The system's own words for a full disk ("No space left on device").
    EXPECT_NE(strText.find(SystemErrorText(SystemErrorCode(ENOSPC))), std::string::npos) << strText;
}

}  // namespace
}  // namespace halyard::test
