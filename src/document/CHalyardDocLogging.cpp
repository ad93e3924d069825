// CHalyardDoc: logging received lines to a file, the daily change of file,
// and polling.
//
// Every record reaches the operating system in one write as it is logged, so a
// program that is killed loses at most the line in flight. Whatever ends
// logging other than the user's Stop is posted as WM_LOG_ERROR (wParam: the
// file error's cause, lParam: the LogStopReason) so that the front end can go
// back to its idle state and say why.
#include "document/CHalyardDoc.h"
#include "document/LogFiles.h"

namespace halyard {

void CHalyardDoc::SetLogParameters(const LogSettings& settings)
{
    m_strLogPathName = settings.strPathName;
    m_strLogPrefix = settings.strPrefix;
    m_bAutoR = settings.bAutoR;
    m_bTimestamp = settings.bTimestamp;
    m_bAutoM = settings.bAutoM;
    m_bAutoXW = settings.bAutoXW;
    m_bDailyCapture = settings.bDailyCapture;
    m_bResetA = settings.bResetA;
    m_bCaptureA = settings.bCaptureA;
    m_nDailyHour = settings.nHour;
    m_nDailyMinute = settings.nMinute;
    m_bDailyDone = false;
    m_bCaptureADone = !settings.bCaptureA;
    m_bResetADone = !settings.bResetA;
}

bool CHalyardDoc::StartLogging(LogStart start)
{
    if (m_bLogging)
        return true;
    // The log a lost connection ended goes on where it was; the sensor's
    // accumulation is not reset again.
    if (start == LogStart::Resume)
        return OpenLogFile(true, LOG_REOPEN_FAILED);
    // The page's Start empties the chosen file (its file dialog asked first);
    // the console's appends, as nobody is there to ask; a daily change
    // appends, so that a name already taken keeps its records.
    const bool bUserStart = start != LogStart::Daily;
    if (!OpenLogFile(start != LogStart::Fresh, bUserStart ? LOG_CREATE_FAILED : LOG_DAILY_CREATE_FAILED))
        return false;
    if (m_bResetA)
        SendCommand("AC", true);
    // A file started by the user begins with the marker; the sensor hears "AC" twice.
    if (bUserStart && m_bResetA)
        SendWithMarker("AC");
    return m_bLogging;
}

bool CHalyardDoc::OpenLogFile(bool bAppend, int32_t nFailReason)
{
    const unsigned nFlags =
        CTextFile::modeCreate | CTextFile::modeWrite | (bAppend ? unsigned{CTextFile::modeNoTruncate} : 0u);
    SysResult opened = m_File.Open(m_strLogPathName, nFlags);
    if (opened && bAppend) {
        // A last line cut off (a power cut) is ended first, so that the
        // first new record starts a line of its own.
        const bool bTorn = EndsMidLine(m_strLogPathName);
        opened = m_File.SeekToEnd();
        if (opened && bTorn)
            opened = m_File.WriteString("\n");
    }
    if (!opened) {
        m_LogError = m_File.LastError();
        // A file that opened but cannot take records is given up.
        static_cast<void>(m_File.Close());
        PostToViews(WM_LOG_ERROR, static_cast<uintptr_t>(m_LogError.m_cause), nFailReason);
        return false;
    }
    m_bLogging = true;
    m_nRecords = 0;
    m_nLogSeconds = m_nLogMinutes = m_nLogHours = 0;
    m_strLogTime = LogTimeText(0, 0, 0);
    PostToFrame(WM_RECORD_UPDATE, 0);
    PostToFrame(WM_LOGTIME_UPDATE);
    PostToViews(WM_AUTO_R_START, m_bAutoR ? TIMER_MSG_ON : TIMER_MSG_OFF);
    PostToViews(WM_AUTO_M_START, m_bAutoM ? TIMER_MSG_ON : TIMER_MSG_OFF);
    PostToViews(WM_AUTO_XW_START, m_bAutoXW ? TIMER_MSG_ON : TIMER_MSG_OFF);
    return true;
}

void CHalyardDoc::StopLogging(int32_t nReason)
{
    if (m_bLogging) {
        CloseLogFile();
        m_bLogging = false;
        ShowLoggingStopped();
        // A daily change still under way is dropped with the log.
        PostToViews(WM_ACCUM_START, TIMER_MSG_OFF);
        if (nReason != LOG_STOPPED_BY_USER)
            PostToViews(WM_LOG_ERROR,
                        IsLogFileFailure(nReason) ? static_cast<uintptr_t>(m_LogError.m_cause) : 0, nReason);
        if (m_bCaptureA)
            SendCommand("A?", true);
    }
    m_bLogging = false;
}

void CHalyardDoc::ShowLoggingStopped()
{
    m_nRecords = 0;
    m_nLogSeconds = m_nLogMinutes = m_nLogHours = 0;
    m_strLogTime.clear();
    PostToFrame(WM_RECORD_UPDATE, 0);
    PostToFrame(WM_LOGTIME_UPDATE);
    PostToViews(WM_AUTO_R_START, TIMER_MSG_OFF);
    PostToViews(WM_AUTO_M_START, TIMER_MSG_OFF);
    PostToViews(WM_AUTO_XW_START, TIMER_MSG_OFF);
}

void CHalyardDoc::CloseLogFile()
{
    // Every record was written when it was logged; closing has nothing left
    // that could be lost.
    static_cast<void>(m_File.Close());
}

bool CHalyardDoc::WriteLogLine(const std::string& strText, LoggedKind kind)
{
    if (m_File.WriteString(strText)) {
        if (m_logRecordObserver)
            m_logRecordObserver(strText.substr(0, strText.find('\n')), kind);
        return true;
    }
    // The first failure ends logging, so the user is told once.
    m_LogError = m_File.LastError();
    StopLogging(LOG_WRITE_FAILED);
    return false;
}

void CHalyardDoc::LogData()
{
    const TimePoint now = Clock().Now();
    const std::string strRecord = LogRecord(m_byRxData.data(), m_dwRxLength, m_bTimestamp, now);
    if (!WriteLogLine(strRecord, ClassifyDataMessage(strRecord).bDataMessage ? LoggedKind::Data : LoggedKind::Line))
        return;
    ++m_nRecords;
    PostToFrame(WM_RECORD_UPDATE, m_nRecords);
    if (m_bDailyCapture)
        CheckDailyChange(now);
}

void CHalyardDoc::CheckDailyChange(TimePoint now)
{
    const int nSince = SecondsSinceDailyChange(now, m_nDailyHour, m_nDailyMinute);
    if (nSince < 0)
        return;
    if (nSince > DAILY_WINDOW_SECONDS) {
        m_bDailyDone = false;  // the window has passed: the next day may trigger
        return;
    }
    if (m_bDailyDone)
        return;
    m_bDailyDone = true;
    m_bCaptureADone = !m_bCaptureA;
    m_bResetADone = !m_bResetA;
    if (m_bCaptureA && !WriteLogLine("A?\n", LoggedKind::Marker))
        return;
    PostToViews(WM_ACCUM_START, TIMER_MSG_ON);
}

void CHalyardDoc::OnDailyLogTick()
{
    // Logging stopped since the change was triggered: there is nothing to change.
    if (!m_bLogging)
        return;
    if (!m_bCaptureADone) {
        // The answer arrives while the old file is still open and is logged there.
        DailyAccumStep(m_bCaptureADone, m_bCaptureA, "A?");
    } else if (!m_bResetADone) {
        DailyAccumStep(m_bResetADone, m_bResetA, "AC");
    } else {
        m_bDailyDone = true;
        CloseLogFile();
        m_bLogging = false;
        m_strLogPathName = DailyLogFileName(m_strLogPrefix, Clock().Now());
        if (!StartLogging(LogStart::Daily))
            ShowLoggingStopped();
    }
}

void CHalyardDoc::DailyAccumStep(bool& bDone, bool bWanted, const char* szCommand)
{
    bDone = true;
    if (bWanted && !SendWithMarker(szCommand))
        return;
    PostToViews(WM_ACCUM_START, TIMER_MSG_ON);
}

bool CHalyardDoc::SendWithMarker(const char* szCommand)
{
    SendCommand(szCommand, true);
    return WriteLogLine(std::string(szCommand) + "\n", LoggedKind::Marker);
}

bool CHalyardDoc::StartPolling(const std::string& szPollText, int16_t nPollTime)
{
    if (szPollText.empty()) {
        m_host.MessageBox("Enter the command to poll with in Poll Text.", MB_OK | MB_ICONWARNING);
        return false;
    }
    // A period of 0 would make the poll timer fire without pause.
    if (nPollTime < 1) {
        m_host.MessageBox("The poll time must be at least 1 second.", MB_OK | MB_ICONWARNING);
        return false;
    }
    m_strPollText = szPollText;
    SendCommand(szPollText, true);
    PostToViews(WM_POLL_START, static_cast<uintptr_t>(nPollTime), 0);
    return true;
}

void CHalyardDoc::StopPolling()
{
    PostToViews(WM_POLL_STOP);
}

}  // namespace halyard
