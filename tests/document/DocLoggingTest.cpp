// Logging received lines to files, the daily change of file, the automatic
// commands and polling, with the view's timers played by a CTimerSchedule over
// manual timers: the clock moves only when the test says, so a day's change
// is crossed without waiting.
#include <filesystem>
#include <fstream>
#include <memory>
#include <tuple>

#include "DocLoggingFixture.h"
#include "document/LogFiles.h"

namespace halyard::test {
namespace {

namespace fs = std::filesystem;

TEST_F(DocLogging, UserStartWritesTheResetMarkerFirstAndCountsStampedRecords)
{
    const std::string strPath = m_folder.Path("data.LOG");
    ASSERT_TRUE(StartLog(strPath, {.bResetA = true, .bCaptureA = true, .bTimestamp = true}));
    EXPECT_EQ(Doc().GetLogTime(), " 00:00:00");
    Line("PW1");
    Line("PW\x01"
         "2");
    Line("PW3");
    EXPECT_EQ(Doc().GetRecords(), 3u + 2u);  // the two answers to "AC" are records too
    EXPECT_EQ(m_host.FrameMessages().Count(WM_RECORD_UPDATE, 5), 1u);
    // The sensor hears "AC" twice as the user starts.
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"AC", "AC"}));
    EXPECT_EQ(ReadWholeFile(strPath), "AC\r\n"
                                      "0000.00,08/12/2026,01:30:05\r\n"
                                      "0000.00,08/12/2026,01:30:05\r\n"
                                      "PW1,08/12/2026,01:30:05\r\n"
                                      "PW2,08/12/2026,01:30:05\r\n"
                                      "PW3,08/12/2026,01:30:05\r\n");
    Wait(61000);
    EXPECT_EQ(Doc().GetLogTime(), " 00:01:01");

    // Stop closes the file, then asks for the accumulation; its answer is not logged.
    const std::string strLogged = ReadWholeFile(strPath);
    Doc().StopLogging();
    Deliver();
    EXPECT_EQ(m_pPort->SentLines().back(), "A?");
    EXPECT_EQ(ReadWholeFile(strPath), strLogged);
    EXPECT_EQ(Doc().GetRecords(), 0u);
    EXPECT_EQ(Doc().GetLogTime(), "");
    EXPECT_TRUE(LogErrors().empty()) << "the user's own Stop reports nothing";
}

TEST_F(DocLogging, AFileThatCannotBeCreatedIsReportedAndLoggingStaysOff)
{
    std::ofstream(m_folder.Path("plain-file")) << "x";
    for (const std::string& strPath :
         {m_folder.Path("missing/data.LOG"), m_folder.Path("plain-file/data.LOG")}) {
        m_host.ClearMessages();
        m_pPump->Restart();
        EXPECT_FALSE(StartLog(strPath, {.bResetA = true}));
        EXPECT_FALSE(Doc().IsLogging());
        EXPECT_EQ(Doc().GetLogError().m_strFileName, strPath);
        const auto errors = LogErrors();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].lParam, LOG_CREATE_FAILED);
        EXPECT_NE(errors[0].wParam, 0u) << "the cause of the failure";
        EXPECT_TRUE(m_pPort->SentLines().empty()) << "no AC for a log that did not start";
    }
}

TEST_F(DocLogging, AWriteErrorStopsLoggingOnceAndTellsWhy)
{
    ASSERT_TRUE(StartLog("/dev/full", {}));
    Line("PW1");
    EXPECT_FALSE(Doc().IsLogging());
    Line("PW2");
    Line("PW3");
    const auto errors = LogErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], (PostedMessage{WM_LOG_ERROR, CFileException::diskFull, LOG_WRITE_FAILED}));
    EXPECT_EQ(Doc().GetLogError().m_strFileName, "/dev/full");
    EXPECT_EQ(Doc().GetRecords(), 0u);
    // The status bar and the view's automatic commands are told, as for Stop.
    EXPECT_EQ(m_host.FrameMessages().Messages().back(), (PostedMessage{WM_LOGTIME_UPDATE, 0, 0}));
    EXPECT_EQ(m_schedule.m_bAutoR, false);

    // The reset marker at Start is the first write that fails.
    m_host.ClearMessages();
    m_pPump->Restart();
    EXPECT_FALSE(StartLog("/dev/full", {.bResetA = true}));
    ASSERT_EQ(LogErrors().size(), 1u);
    EXPECT_EQ(LogErrors()[0].lParam, LOG_WRITE_FAILED);
}

TEST_F(DocLogging, AnAppendingStartKeepsTheRecordsAndALogResumedAfterAReconnectionResetsNothing)
{
    const std::string strPath = m_folder.Path("station.LOG");
    std::ofstream(strPath, std::ios::binary) << "PW 0\r\n";
    // "AC" as at any start by the user: sent twice, the marker first in the new records.
    ASSERT_TRUE(StartLog(strPath, {.bResetA = true, .bAppend = true}));
    Line("PW 1");
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"AC", "AC"}));
    const std::string strFirst = "PW 0\r\nAC\r\n0000.00\r\n0000.00\r\nPW 1\r\n";
    EXPECT_EQ(ReadWholeFile(strPath), strFirst);

    Doc().CloseConnection(false);
    Deliver();
    Connect();
    ASSERT_TRUE(Doc().StartLogging(LogStart::Resume));
    Deliver();
    Line("PW 2");
    EXPECT_EQ(ReadWholeFile(strPath), strFirst + "PW 2\r\n");
    EXPECT_TRUE(m_pPort->SentLines().empty()) << "the accumulation is not reset again";
    EXPECT_EQ(Doc().GetRecords(), 1u);

    // A log that cannot be opened again after the next reconnection says it
    // stopped, not that it never started.
    Doc().CloseConnection(false);
    Deliver();
    std::filesystem::remove(strPath);
    std::filesystem::create_directory(strPath);
    Connect();
    EXPECT_FALSE(Doc().StartLogging(LogStart::Resume));
    Deliver();
    ASSERT_FALSE(LogErrors().empty());
    EXPECT_EQ(LogErrors().back().lParam, LOG_REOPEN_FAILED);
    EXPECT_EQ(LogStopText(LOG_REOPEN_FAILED), "Logging stopped: the log file could not be opened again");
}

TEST_F(DocLogging, AnAppendingStartAfterATornLastLineBeginsALineOfItsOwn)
{
    // A file cut off mid-record (a power cut, or copied in from elsewhere).
    const std::string strPath = m_folder.Path("torn.LOG");
    std::ofstream(strPath, std::ios::binary) << "PW 0\r\nPW 1 cut";
    ASSERT_TRUE(StartLog(strPath, {.bAppend = true}));
    Line("PW 2");
    EXPECT_EQ(ReadWholeFile(strPath), "PW 0\r\nPW 1 cut\r\nPW 2\r\n");

    // A whole last line gets nothing added.
    Doc().StopLogging();
    ASSERT_TRUE(StartLog(strPath, {.bAppend = true}));
    Line("PW 3");
    EXPECT_EQ(ReadWholeFile(strPath), "PW 0\r\nPW 1 cut\r\nPW 2\r\nPW 3\r\n");
}

TEST_F(DocLogging, ClosingTheConnectionStopsLoggingAndSaysSo)
{
    ASSERT_TRUE(StartLog(m_folder.Path("a.LOG"), {}));
    Line("PW1");
    Doc().CloseConnection(false);
    Deliver();
    EXPECT_FALSE(Doc().IsLogging());
    EXPECT_EQ(LogErrors(), (std::vector<PostedMessage>{{WM_LOG_ERROR, 0, LOG_CONNECTION_CLOSED}}));
    EXPECT_EQ(ReadWholeFile(m_folder.Path("a.LOG")), "PW1\r\n");
}

// The daily change at 01:31, for each choice of "A?" at the end and "AC" at
// the start: the order of markers, commands and answers in the old file, the
// time the new file opens, and what the sensor hears.
class DailyChange : public DocLogging, public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(DailyChange, MarkersCommandsAndTheNewFileComeInOrderFiveSecondsApart)
{
    const auto [bCaptureA, bResetA] = GetParam();
    const std::string strFirst = m_folder.Path("first.LOG");
    ASSERT_TRUE(StartLog(
        strFirst, {.bDaily = true, .bResetA = bResetA, .bCaptureA = bCaptureA, .nHour = 1, .nMinute = 31}));
    m_pPort->ClearSent();
    Line("PW 1");  // 01:30:05, before the change time
    WaitUntil(1, 31, 10);
    Line("PW 2");  // triggers the change
    std::string strOld = ReadWholeFile(strFirst);
    std::string strExpected = bResetA ? "AC\r\n0000.00\r\n0000.00\r\nPW 1\r\nPW 2\r\n" : "PW 1\r\nPW 2\r\n";
    EXPECT_EQ(strOld, strExpected + (bCaptureA ? "A?\r\n" : ""));

    std::vector<std::string> expectedSent;
    if (bCaptureA) {
        expectedSent.push_back("A?");
        strExpected += "A?\r\nA?\r\n0012.50\r\n";  // the trigger's marker, the step's marker, the answer
    }
    if (bResetA) {
        expectedSent.push_back("AC");
        strExpected += "AC\r\n0000.00\r\n";
    }
    const int nSteps = 1 + (bCaptureA ? 1 : 0) + (bResetA ? 1 : 0);
    const std::string strNew = m_folder.Path("LogFile 08Dec2026 01.31.LOG");
    Wait(nSteps * 5000 - 1);
    EXPECT_TRUE(Doc().IsLogging());
    EXPECT_FALSE(fs::exists(strNew)) << "the new file opens " << nSteps * 5 << " s after the trigger";
    EXPECT_EQ(m_pPort->SentLines(), expectedSent);
    EXPECT_EQ(ReadWholeFile(strFirst), strExpected);

    Wait(1);
    ASSERT_TRUE(fs::exists(strNew));
    EXPECT_EQ(Doc().GetLogPathName(), strNew);
    EXPECT_TRUE(Doc().IsLogging());
    if (bResetA)
        expectedSent.push_back("AC");  // the new file starts with a reset, without a marker
    EXPECT_EQ(m_pPort->SentLines(), expectedSent);
    EXPECT_EQ(ReadWholeFile(strFirst), strExpected) << "the old file is finished";
    Line("PW 3");
    EXPECT_EQ(ReadWholeFile(strNew), std::string(bResetA ? "0000.00\r\n" : "") + "PW 3\r\n");
    EXPECT_EQ(Doc().GetRecords(), bResetA ? 2u : 1u);
    EXPECT_TRUE(LogErrors().empty());
}

INSTANTIATE_TEST_SUITE_P(EndAndStart, DailyChange, ::testing::Combine(::testing::Bool(), ::testing::Bool()));

TEST_F(DocLogging, TheDailyWindowIsFourMinutesFromTheChangeTime)
{
    m_clock.Set(MakeLocalTime(2026, 12, 8, 23, 59, 0));
    ASSERT_TRUE(StartLog(m_folder.Path("first.LOG"), {.bDaily = true}));
    // The first line after midnight comes too late: no change that day, and it
    // re-arms the change for the next.
    WaitUntil(0, 4, 1, 9);
    Line("PW late");
    Wait(20000);
    EXPECT_EQ(Doc().GetLogPathName(), m_folder.Path("first.LOG"));
    EXPECT_EQ(m_host.ViewMessages().Count(WM_ACCUM_START, 1), 0u);

    WaitUntil(0, 3, 59, 10);
    Line("PW in time");
    Line("PW again");  // one change per window
    Wait(5000);
    EXPECT_EQ(Doc().GetLogPathName(), m_folder.Path("LogFile 10Dec2026 00.04.LOG"));
    EXPECT_EQ(m_host.ViewMessages().Count(WM_ACCUM_START, 1), 1u);
    EXPECT_EQ(ReadWholeFile(m_folder.Path("first.LOG")), "PW late\r\nPW in time\r\nPW again\r\n");
}

TEST_F(DocLogging, ADailyChangeToATakenNameAppends)
{
    // Started in the minute of the change: the daily name is the file in use.
    m_clock.Set(MakeLocalTime(2026, 12, 8, 6, 0, 2));
    const std::string strName = m_folder.Path("LogFile 08Dec2026 06.00.LOG");
    ASSERT_TRUE(StartLog(strName, {.bDaily = true, .nHour = 6}));
    Line("PW 1");
    Wait(5000);
    EXPECT_EQ(Doc().GetLogPathName(), strName);
    Line("PW 2");
    EXPECT_EQ(ReadWholeFile(strName), "PW 1\r\nPW 2\r\n");
}

TEST_F(DocLogging, ADailyFileThatCannotBeCreatedEndsLoggingAndIsReported)
{
    ASSERT_TRUE(StartLog(m_folder.Path("first.LOG"), {.bDaily = true, .nHour = 1, .nMinute = 30},
                         "no-such-folder/LogFile"));
    Line("PW 1");
    Wait(5000);
    EXPECT_FALSE(Doc().IsLogging());
    const auto errors = LogErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].lParam, LOG_DAILY_CREATE_FAILED);
    EXPECT_EQ(Doc().GetLogError().m_strFileName, m_folder.Path("no-such-folder/LogFile 08Dec2026 01.30.LOG"));
    EXPECT_EQ(m_host.FrameMessages().Messages().back(), (PostedMessage{WM_LOGTIME_UPDATE, 0, 0}));
    EXPECT_EQ(Doc().GetRecords(), 0u);
    Line("PW 2");
    EXPECT_EQ(ReadWholeFile(m_folder.Path("first.LOG")), "PW 1\r\n");
}

TEST_F(DocLogging, StoppingDuringADailyChangeCancelsIt)
{
    ASSERT_TRUE(
        StartLog(m_folder.Path("first.LOG"), {.bDaily = true, .bCaptureA = true, .nHour = 1, .nMinute = 30}));
    Line("PW 1");
    EXPECT_TRUE(m_timers.IsRunning(TIMER_DAILY_LOG));
    Doc().StopLogging();
    Deliver();
    EXPECT_FALSE(m_timers.IsRunning(TIMER_DAILY_LOG));
    // Started again at once with other settings: the old change must not run.
    ASSERT_TRUE(StartLog(m_folder.Path("second.LOG"), {}));
    Wait(30000);
    EXPECT_TRUE(Doc().IsLogging());
    EXPECT_EQ(Doc().GetLogPathName(), m_folder.Path("second.LOG"));
    EXPECT_EQ(ReadWholeFile(m_folder.Path("second.LOG")), "");
    // Stop asked for the accumulation after closing the file: the answer is in neither.
    EXPECT_EQ(ReadWholeFile(m_folder.Path("first.LOG")), "PW 1\r\nA?\r\n");
}

TEST_F(DocLogging, AutoRFollowsDataMessagesOnlyWhileLogging)
{
    ASSERT_TRUE(StartLog(m_folder.Path("a.LOG"), {.bAutoR = true}));
    Line("PW 1 00 12.5");
    Wait(499);
    EXPECT_TRUE(m_pPort->SentLines().empty());
    Wait(1);
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"R?"}));
    Line("OK");  // not a data message
    Wait(2000);
    EXPECT_EQ(m_pPort->SentLines().size(), 1u);
    EXPECT_EQ(ReadWholeFile(m_folder.Path("a.LOG")), "PW 1 00 12.5\r\nR 00,21.8,00\r\nOK\r\n");

    Doc().StopLogging();
    Deliver();
    Line("PW 2 00 12.5");
    Wait(2000);
    EXPECT_EQ(m_pPort->SentLines().size(), 1u);
}

TEST_F(DocLogging, PollingRepeatsUntilTheConnectionCloses)
{
    ASSERT_TRUE(Doc().StartPolling("D?", 30));
    Deliver();
    Wait(60000);
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"D?", "D?", "D?"}));
    Doc().CloseConnection(false);
    Deliver();
    EXPECT_FALSE(m_timers.IsRunning(TIMER_POLL));
}

}  // namespace
}  // namespace halyard::test
