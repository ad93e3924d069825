#include "document/LogFiles.h"

#include <cstdio>

namespace halyard {

namespace {

bool IsPrintable(uint8_t by)
{
    return (by >= 0x20 && by <= 0x7E) || (by >= 0xA0 && by <= 0xFE);
}

bool EndsWith(const std::string& str, const char* szEnd)
{
    const std::string strEnd(szEnd);
    return str.size() >= strEnd.size() && str.compare(str.size() - strEnd.size(), strEnd.size(), strEnd) == 0;
}

}  // namespace

std::string LogRecord(const uint8_t* pbyData, uint32_t dwLength, bool bTimestamp, TimePoint now)
{
    std::string strRecord;
    strRecord.reserve(dwLength + 24);
    for (uint32_t n = 0; n < dwLength && pbyData[n] != '\n'; ++n)
        if (IsPrintable(pbyData[n]))
            strRecord += static_cast<char>(pbyData[n]);
    if (bTimestamp)
        strRecord += FormatTime(",%d/%m/%Y,%H:%M:%S", now);
    strRecord += '\n';
    return strRecord;
}

namespace {

// The two digits at text[n], or -1.
int TwoDigits(std::string_view text, size_t n)
{
    const auto digit = [&](size_t i) { return text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -100; };
    const int nValue = digit(n) * 10 + digit(n + 1);
    return nValue < 0 ? -1 : nValue;
}

// The local time of a stamp's calendar fields. A log holds thousands of
// records an hour, so the hour's start is worked out once and kept.
TimePoint StampTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond)
{
    thread_local int nLastHourKey = -1;
    thread_local TimePoint lastHour;
    const int nHourKey = ((nYear * 13 + nMonth) * 32 + nDay) * 24 + nHour;
    if (nHourKey != nLastHourKey) {
        lastHour = MakeLocalTime(nYear, nMonth, nDay, nHour, 0, 0);
        nLastHourKey = nHourKey;
    }
    return lastHour + std::chrono::seconds(nMinute * 60 + nSecond);
}

}  // namespace

ReadRecord ParseLogRecord(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    // ",dd/mm/yyyy,HH:MM:SS" at the end.
    constexpr size_t kStamp = 20;
    ReadRecord record{line, std::nullopt};
    if (line.size() < kStamp)
        return record;
    const std::string_view stamp = line.substr(line.size() - kStamp);
    if (stamp[0] != ',' || stamp[3] != '/' || stamp[6] != '/' || stamp[11] != ',' || stamp[14] != ':' ||
        stamp[17] != ':')
        return record;
    const int nDay = TwoDigits(stamp, 1);
    const int nMonth = TwoDigits(stamp, 4);
    const int nCentury = TwoDigits(stamp, 7);
    const int nYearInCentury = TwoDigits(stamp, 9);
    const int nHour = TwoDigits(stamp, 12);
    const int nMinute = TwoDigits(stamp, 15);
    const int nSecond = TwoDigits(stamp, 18);
    // Years the clock's nanoseconds can hold (a system clock set wildly wrong
    // stamps records with a year that cannot be a time here).
    const int nYear = nCentury * 100 + nYearInCentury;
    if (nDay < 1 || nDay > 31 || nMonth < 1 || nMonth > 12 || nCentury < 0 || nYearInCentury < 0 || nYear < 1970 ||
        nYear > 2200 || nHour < 0 || nHour > 23 || nMinute < 0 || nMinute > 59 || nSecond < 0 || nSecond > 60)
        return record;
    record.text = line.substr(0, line.size() - kStamp);
    record.time = StampTime(nYear, nMonth, nDay, nHour, nMinute, nSecond);
    return record;
}

std::string LogTimeText(int nHours, int nMinutes, int nSeconds)
{
    char sz[40];
    std::snprintf(sz, sizeof sz, " %02d:%02d:%02d", nHours, nMinutes, nSeconds);
    return sz;
}

std::string LogFileStem(const std::string& strPrefix, TimePoint now)
{
    return strPrefix + FormatTime(" %d%b%Y %H.%M", now);
}

std::string DailyLogFileName(const std::string& strPrefix, TimePoint now)
{
    return LogFileStem(strPrefix, now) + ".LOG";
}

int SecondsSinceDailyChange(TimePoint now, int nHour, int nMinute)
{
    const std::tm local = LocalTime(now);
    const int nSinceMidnight = (local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec;
    return nSinceMidnight - (nHour * 60 + nMinute) * 60;
}

std::string DailyLogPrefix(const std::string& strFirstFile, const std::string& strFilePrefix)
{
    const size_t nSlash = strFirstFile.rfind('/');
    return (nSlash == std::string::npos ? std::string() : strFirstFile.substr(0, nSlash + 1)) + strFilePrefix;
}

LogFileChoice ChooseLogFile(const std::string& strChosen, bool bDailyCapture,
                            const std::string& strFilePrefix)
{
    LogFileChoice choice;
    if (bDailyCapture) {
        choice.strLogFile = strChosen;
        if (!EndsWith(strChosen, ".LOG") && !EndsWith(strChosen, ".log"))
            choice.strLogFile += ".LOG";
        choice.strPrefix = DailyLogPrefix(strChosen, strFilePrefix);
        return choice;
    }
    const size_t nExt = strChosen.find(".LOG");
    choice.strLogFile = strChosen;
    if (nExt != std::string::npos) {
        choice.strPrefix = strChosen.substr(0, nExt);
    } else {
        choice.strPrefix = strChosen;
        choice.strLogFile += ".LOG";
    }
    return choice;
}

std::string LogStopText(int32_t nReason)
{
    switch (nReason) {
    case LOG_WRITE_FAILED:
        return "Logging stopped: the log file could not be written";
    case LOG_CREATE_FAILED:
        return "Logging not started: the log file could not be created";
    case LOG_DAILY_CREATE_FAILED:
        return "Logging stopped: the next daily log file could not be created";
    case LOG_CONNECTION_CLOSED:
        return "Logging stopped: connection closed";
    case LOG_FILE_TAKEN:
        return "Logging stopped: the file is needed for a load or dump";
    case LOG_REOPEN_FAILED:
        return "Logging stopped: the log file could not be opened again";
    default:
        return "Logging stopped";
    }
}

bool IsLogFileFailure(int32_t nReason)
{
    return nReason == LOG_WRITE_FAILED || nReason == LOG_CREATE_FAILED || nReason == LOG_DAILY_CREATE_FAILED ||
           nReason == LOG_REOPEN_FAILED;
}

std::string LogFailureMessage(int32_t nReason, const CFileException& error, const char* szSeparator)
{
    return LogStopText(nReason) + szSeparator + error.ErrorMessage();
}

}  // namespace halyard
