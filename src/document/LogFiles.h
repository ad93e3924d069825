#pragma once
// The log's records, its file names and the texts that say why logging ended:
// pure functions shared by the document and every front end.
//
// Paths are byte strings in the file system's encoding; the front ends convert
// what the user typed or chose before they call in.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/TextFile.h"

namespace halyard {

// The record for one received line: its bytes without CR, LF, 0xFF or any
// byte that is not printable (0x20 to 0x7E and 0xA0 to 0xFE are), up to its
// first LF; with bTimestamp the local time as ",%d/%m/%Y,%H:%M:%S"; then "\n".
std::string LogRecord(const uint8_t* pbyData, uint32_t dwLength, bool bTimestamp, TimePoint now);

// What a line written to the log is: a record of a data message, a marker
// line ("AC" or "A?" where the accumulation was reset or captured), or any
// other line the sensor sent.
enum class LoggedKind { Data, Marker, Line };

// A record read back from a log: its text without the line end and without
// the stamp, and the stamp's local time when it has a well-formed one.
struct ReadRecord {
    std::string_view text;
    std::optional<TimePoint> time;
};
ReadRecord ParseLogRecord(std::string_view line);

// The elapsed logging time as the status bar shows it: " %02d:%02d:%02d".
std::string LogTimeText(int nHours, int nMinutes, int nSeconds);

// strPrefix + " %d%b%Y %H.%M" of now (English month names): the name the
// data capture suggests for a log, and without ".LOG" the stem of a daily file.
std::string LogFileStem(const std::string& strPrefix, TimePoint now);
// The file a daily change opens: LogFileStem + ".LOG".
std::string DailyLogFileName(const std::string& strPrefix, TimePoint now);

// Seconds from the daily change time (nHour:nMinute) to now, both counted
// from local midnight; negative before the change time.
int SecondsSinceDailyChange(TimePoint now, int nHour, int nMinute);
// The daily change triggers on the first line logged in this many seconds
// after the change time.
constexpr int DAILY_WINDOW_SECONDS = 240;

// The prefix of the daily files that follow a first log file: the file's
// folder followed by strFilePrefix.
std::string DailyLogPrefix(const std::string& strFirstFile, const std::string& strFilePrefix);

// The log file and the prefix of the daily files for a path chosen by the user.
struct LogFileChoice {
    std::string strLogFile;
    std::string strPrefix;
};
// With daily capture the chosen file is the first log (".LOG" is added when it
// does not end in ".LOG" or ".log") and the daily files are named from its
// folder and strFilePrefix. Without, the prefix is the path up to the first
// ".LOG" in it (upper case only); a path without one gets ".LOG" appended and
// is its own prefix.
LogFileChoice ChooseLogFile(const std::string& strChosen, bool bDailyCapture,
                            const std::string& strFilePrefix);

// Why logging ended or did not start (the lParam of WM_LOG_ERROR); the user's
// own Stop posts nothing.
enum LogStopReason : int32_t {
    LOG_STOPPED_BY_USER = -1,
    LOG_WRITE_FAILED = 0,         // a record or marker could not be written
    LOG_CREATE_FAILED = 1,        // the file chosen at Start could not be created
    LOG_DAILY_CREATE_FAILED = 2,  // the next daily file could not be created
    LOG_CONNECTION_CLOSED = 3,
    LOG_FILE_TAKEN = 4,  // a load or dump needs the file
    LOG_REOPEN_FAILED = 5  // the log could not be opened again after a reconnection
};

// One line for the received-data list: "Logging stopped: connection closed".
std::string LogStopText(int32_t nReason);
// Whether the reason is a file failure, which the user is told in a message box.
bool IsLogFileFailure(int32_t nReason);
// The message box text for a file failure: what happened, the file and the
// system's reason.
std::string LogFailureMessage(int32_t nReason, const CFileException& error, const char* szSeparator = ".\n\n");

}  // namespace halyard
