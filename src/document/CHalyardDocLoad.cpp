// CHalyardDoc: loading NVRAM settings files into the sensor and into its ALS,
// one line per reply, paced by timer 8. The file holds commands, one a line;
// a line starting with ':' is a comment and one starting with '#' ends the
// settings.
//
// The main load reads the operating state, sends a write-enabling "OS" with
// polled output, the file's lines, and finally the state it read. It never
// writes a state that was not read: when the sensor's answer to "V9?" is no
// register value the load ends as failed before any "OS" goes out.
#include <cstdio>

#include "document/CHalyardDoc.h"
#include "document/LogFiles.h"

namespace halyard {

namespace {

constexpr int kLastLineStep = 998;
constexpr int kRestoreStep = 999;
constexpr uint16_t kPolledOutputMask = 0x0001;
constexpr uint16_t kWriteMask = 0xE000;
constexpr uint16_t kWriteEnabled = 0xA000;

bool IsComment(const std::string& strLine)
{
    return !strLine.empty() && strLine[0] == ':';
}

bool IsEnd(const std::string& strLine)
{
    return !strLine.empty() && strLine[0] == '#';
}

}  // namespace

bool CHalyardDoc::SequenceRunning() const
{
    return m_bNVRAMLoad || m_bALSNVRAMLoad || m_bDumpAll || m_bALSDump || m_bParamLoad;
}

bool CHalyardDoc::CanStartSequence()
{
    if (!m_bConnected) {
        m_host.MessageBox("Sensor Not Connected", MB_OK | MB_ICONWARNING);
        return false;
    }
    // Starting over a running sequence would abandon it half-way, the
    // sensor perhaps write-enabled and in polled output.
    if (SequenceRunning()) {
        m_host.MessageBox("A diagnostic save or parameter load is already running", MB_OK | MB_ICONWARNING);
        return false;
    }
    // The sequence takes the file.
    StopLogging(LOG_FILE_TAKEN);
    m_SeqOutcome = SequenceOutcome{};
    m_bSensorChanged = false;
    m_bStepFailed = false;
    m_bBadCmd = false;
    m_nRetryCount = 0;
    m_nWaitTicks = 0;
    m_nSilentTicks = 0;
    m_nSeqStep = 0;
    m_bAwaitDataMsg = false;
    m_bLoadFileEnded = false;
    // A refusal before the first line must not send a line of an earlier load again.
    m_strLoadLine.clear();
    return true;
}

bool CHalyardDoc::OpenSequenceFile(const std::string& strPath, bool bWrite, const char* szError)
{
    if (m_File.IsOpen()) {
        try {
            m_File.Close();
        } catch (const CFileException&) {
            // The file in use before is given up for this one.
        }
    }
    CFileException error;
    const unsigned nFlags = bWrite ? CTextFile::modeCreate | CTextFile::modeWrite : CTextFile::modeRead;
    if (m_File.Open(strPath, nFlags, &error))
        return true;
    char szText[64];
    std::snprintf(szText, sizeof szText, szError, error.m_cause);
    m_host.MessageBox(szText, MB_OK | MB_ICONERROR);
    return false;
}

void CHalyardDoc::LoadNVRAM(const std::string& szPathName)
{
    StartLoad(false, szPathName);
}

void CHalyardDoc::LoadALSNVRAM(const std::string& szPathName)
{
    StartLoad(true, szPathName);
}

void CHalyardDoc::StartLoad(bool bALS, const std::string& szPathName)
{
    if (!CanStartSequence())
        return;
    m_bOpStateValid = false;
    m_bOpStateIsValue = false;
    m_wOpState = 0;
    m_bAwaitOS = false;
    if (!OpenSequenceFile(szPathName, false, "Cannot Load NVRAM Error %d"))
        return;
    if (bALS) {
        // NVRAM writing on now, off at the end.
        m_bALSNVRAMLoad = true;
        m_bSensorChanged = true;
        SendCommand("ALS-OSNVW5", true);
    } else {
        m_bNVRAMLoad = true;
        SendCommand("V9?", true);
    }
    PostToViews(WM_INIT_START, SEQUENCE_STARTED, 0);
}

void CHalyardDoc::ReSendInitLine()
{
    if (m_strLoadLine.empty())
        return;
    SendCommand(m_strLoadLine, true);
    m_bBadCmd = false;
}

void CHalyardDoc::NVRAMLoadTick()
{
    if (m_bBadCmd) {
        if (++m_nRetryCount < 2) {
            ReSendInitLine();
            return;
        }
        // Refused twice: the line is given up and the load goes on.
        m_bStepFailed = true;
        if (!m_strLoadLine.empty())
            ++m_SeqOutcome.nLinesRefused;
    } else if (!m_bReplyReceived) {
        return;  // a load waits for its reply; Cancel ends it
    }
    m_nRetryCount = 0;
    m_bBadCmd = false;
    if (m_File.IsOpen())
        SendNextNVRAMSetting();
}

void CHalyardDoc::ALSNVRAMLoadTick()
{
    if (m_bReplyReceived && m_File.IsOpen())
        SendNextALSNVRAMSetting();
}

void CHalyardDoc::SendNextNVRAMSetting()
{
    ++m_nSeqStep;
    if (m_nSeqStep == 1) {
        m_bAwaitOS = true;
        m_bOSDecimal = true;
        SendCommand("V9?", true);
    } else if (m_nSeqStep == 2) {
        if (!m_bOpStateIsValue) {
            m_SeqOutcome.strOpStateReply = m_strOpStateReply;
            EndLoad(false, SEQ_OPSTATE_UNREAD);
            return;
        }
        m_wReadOpState = m_wOpState;
        const auto wEnabled =
            static_cast<uint16_t>(((m_wReadOpState & ~kPolledOutputMask) & ~kWriteMask) | kWriteEnabled);
        SendCommand("OS" + BinaryCommandForm(wEnabled), true);
        m_bOSDecimal = false;
        m_bSensorChanged = true;
    } else if (m_nSeqStep < kRestoreStep) {
        ReadLoadLine();
    } else {
        m_SeqOutcome.nLinesNotSent = CountLinesLeft();
        m_SeqOutcome.nLineLimit = NVRAM_LOAD_LINES;
        SendCommand("OS" + BinaryCommandForm(m_wReadOpState), true);
        m_bAwaitOS = false;
        m_bOSDecimal = false;
        m_bSensorChanged = false;
        EndLoad(false, SEQ_DONE);
    }
}

void CHalyardDoc::SendNextALSNVRAMSetting()
{
    m_bAwaitDataMsg = false;
    ++m_nSeqStep;
    if (m_nSeqStep < kRestoreStep) {
        ReadLoadLine();
        return;
    }
    m_SeqOutcome.nLinesNotSent = CountLinesLeft();
    m_SeqOutcome.nLineLimit = ALS_NVRAM_LOAD_LINES;
    SendCommand("ALS-OSNVW0", true);
    m_nWaitTicks = 0;
    m_bSensorChanged = false;
    EndLoad(true, SEQ_DONE);
}

CHalyardDoc::FileLine CHalyardDoc::ReadCommandLine(std::string& strLine)
{
    try {
        do {
            if (!m_File.ReadString(strLine))
                return FileLine::End;
        } while (IsComment(strLine));
    } catch (const CFileException& error) {
        m_SeqOutcome.strFileError = error.ErrorMessage();
        return FileLine::Error;
    }
    if (IsEnd(strLine)) {
        m_strLoadLine.clear();
        return FileLine::End;
    }
    // A line that cannot be one command is not cut short: it is not sent.
    if (strLine.size() > MAX_COMMAND_TEXT) {
        m_bStepFailed = true;
        ++m_SeqOutcome.nLinesTooLong;
        return FileLine::TooLong;
    }
    return FileLine::Command;
}

bool CHalyardDoc::SendLoadLine(const std::string& strLine)
{
    m_strLoadLine = strLine;
    return SendCommand(strLine, true);
}

void CHalyardDoc::ReadLoadLine()
{
    std::string strLine;
    switch (ReadCommandLine(strLine)) {
    case FileLine::Command:
        SendLoadLine(strLine);
        break;
    case FileLine::End:
        m_nSeqStep = kLastLineStep;
        m_bLoadFileEnded = true;
        break;
    case FileLine::Error:
        RestoreSensor();
        EndLoad(m_bALSNVRAMLoad, SEQ_FILE_ERROR);
        break;
    case FileLine::TooLong:
        break;
    }
}

// ---------------------------------------------------------------------------
// Parameter upload: the lines of a parameter file, one per reply or after
// 3 s of silence, without touching the operating state.

void CHalyardDoc::LoadParamFile(const std::string& szPathName)
{
    if (!CanStartSequence())
        return;
    if (!OpenSequenceFile(szPathName, false, "Cannot Load NVRAM Error %d"))
        return;
    m_bParamLoad = true;
    SendNextParam(true);
}

void CHalyardDoc::SendNextParam(bool bFirstLine)
{
    std::string strLine;
    FileLine line;
    // Lines that send nothing (too long for a command, counted; empty) are
    // passed over at once: whenever the upload waits, a line is in flight.
    do {
        line = ReadCommandLine(strLine);
    } while (line == FileLine::TooLong || (line == FileLine::Command && strLine.empty()));
    if (line == FileLine::Command) {
        // NVRAM writing switched on by the file is switched off again if the
        // upload ends before the file does so itself.
        if (const std::string strCommand = UpperCaseCommand(strLine); strCommand == "OSNVW5")
            m_bSensorChanged = true;
        else if (strCommand == "OSNVW0")
            m_bSensorChanged = false;
        SendLoadLine(strLine);
        m_nWaitTicks = 0;
    } else if (line == FileLine::Error) {
        m_SeqOutcome.nEnd = SEQ_FILE_ERROR;
    }
    if (bFirstLine)
        PostToViews(WM_PARAM_LOAD, SEQUENCE_STARTED, 0);
    // The end clears m_bParamLoad, after putting NVRAM writing back if need be.
    if (line != FileLine::Command)
        EndParamLoad(m_SeqOutcome.nEnd);
}

void CHalyardDoc::ParamLoadTick()
{
    // A line that is not answered within 3 s is followed by the next one, but
    // the upload no longer counts as finished: the sensor may not have it.
    const bool bUnanswered = !m_bReplyReceived && ++m_nWaitTicks > PARAM_REPLY_TICKS;
    if (bUnanswered && m_SeqOutcome.nEnd == SEQ_DONE)
        m_SeqOutcome.nEnd = SEQ_NO_REPLY;
    if ((m_bReplyReceived || bUnanswered) && m_File.IsOpen())
        SendNextParam(false);
    m_nRetryCount = 0;
    m_bBadCmd = false;
}

void CHalyardDoc::EndParamLoad(int nEnd)
{
    if (nEnd != SEQ_DONE)
        m_bStepFailed = true;
    if (m_bStepFailed)
        RestoreSensor();
    m_bParamLoad = false;
    m_SeqOutcome.nEnd = nEnd;
    PostToViews(WM_PARAM_LOAD, m_bStepFailed ? SEQUENCE_FAILED : SEQUENCE_FINISHED, 0);
    CloseSequenceFile();
}

int CHalyardDoc::CountLinesLeft()
{
    // Only a load stopped by its line limit has lines left before the end.
    int nLeft = 0;
    if (m_bLoadFileEnded)
        return nLeft;
    std::string strLine;
    try {
        while (m_File.IsOpen() && m_File.ReadString(strLine) && !IsEnd(strLine))
            nLeft += IsComment(strLine) ? 0 : 1;
    } catch (const CFileException&) {
        // What could not be read was not sent either; the count says so.
        ++nLeft;
    }
    if (nLeft > 0)
        m_bStepFailed = true;
    return nLeft;
}

void CHalyardDoc::EndLoad(bool bALS, int nEnd)
{
    (bALS ? m_bALSNVRAMLoad : m_bNVRAMLoad) = false;
    if (nEnd != SEQ_DONE)
        m_bStepFailed = true;
    m_SeqOutcome.nEnd = nEnd;
    PostToViews(WM_INIT_START, m_bStepFailed ? SEQUENCE_FAILED : SEQUENCE_FINISHED, 0);
    CloseSequenceFile();
}

void CHalyardDoc::CloseSequenceFile()
{
    if (m_File.IsOpen()) {
        try {
            m_File.Close();
        } catch (const CFileException&) {
            // A file that was only read has nothing to lose.
        }
    }
}

}  // namespace halyard
