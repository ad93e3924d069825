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
    return m_Sequence != Sequence::None;
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
    // Open gives up the file in use before for this one.
    const unsigned nFlags = bWrite ? CTextFile::modeCreate | CTextFile::modeWrite : CTextFile::modeRead;
    if (m_File.Open(strPath, nFlags))
        return true;
    char szText[64];
    std::snprintf(szText, sizeof szText, szError, m_File.LastError().m_cause);
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
    m_Sequence = bALS ? Sequence::ALSNVRAMLoad : Sequence::NVRAMLoad;
    // The ALS's NVRAM writing goes on now, off at the end.
    m_bSensorChanged = bALS;
    const SequenceTable& table = SequenceTableOf(m_Sequence);
    SendCommand(StepAt(table, 0).szCommand, true);
    PostSequence(table, SEQUENCE_STARTED);
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
    const SequenceTable& table = SequenceTableOf(Sequence::NVRAMLoad);
    const SequenceStep& step = StepAt(table, ++m_nSeqStep);
    switch (step.sends) {
    case StepSends::ReadOpState:
        m_bAwaitOS = true;
        m_bOSDecimal = true;
        SendCommand(step.szCommand, true);
        break;
    case StepSends::WriteEnable:
        SendWriteEnable();
        break;
    case StepSends::FileLine:
        ReadLoadLine(step);
        break;
    default:
        EndLoadLines(table, "OS" + BinaryCommandForm(m_wReadOpState));
        m_bAwaitOS = false;
        m_bOSDecimal = false;
        EndLoad(SEQ_DONE);
        break;
    }
}

void CHalyardDoc::SendWriteEnable()
{
    if (!m_bOpStateIsValue) {
        m_SeqOutcome.strOpStateReply = m_strOpStateReply;
        EndLoad(SEQ_OPSTATE_UNREAD);
        return;
    }
    m_wReadOpState = m_wOpState;
    const auto wEnabled =
        static_cast<uint16_t>(((m_wReadOpState & ~kPolledOutputMask) & ~kWriteMask) | kWriteEnabled);
    SendCommand("OS" + BinaryCommandForm(wEnabled), true);
    m_bOSDecimal = false;
    m_bSensorChanged = true;
}

void CHalyardDoc::SendNextALSNVRAMSetting()
{
    m_bAwaitDataMsg = false;
    const SequenceTable& table = SequenceTableOf(Sequence::ALSNVRAMLoad);
    const SequenceStep& step = StepAt(table, ++m_nSeqStep);
    if (step.sends == StepSends::FileLine) {
        ReadLoadLine(step);
        return;
    }
    EndLoadLines(table, step.szCommand);
    m_nWaitTicks = 0;
    EndLoad(SEQ_DONE);
}

void CHalyardDoc::EndLoadLines(const SequenceTable& table, const std::string& strCommand)
{
    m_SeqOutcome.nLinesNotSent = CountLinesLeft();
    m_SeqOutcome.nLineLimit = StepsSending(table, StepSends::FileLine);
    SendCommand(strCommand, true);
    m_bSensorChanged = false;
}

CHalyardDoc::FileLine CHalyardDoc::ReadCommandLine(std::string& strLine)
{
    do {
        const Result<bool> read = m_File.ReadString(strLine);
        if (!read.Ok()) {
            m_SeqOutcome.strFileError = m_File.LastError().ErrorMessage();
            return FileLine::Error;
        }
        if (!read.Value())
            return FileLine::End;
    } while (IsComment(strLine));
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

void CHalyardDoc::ReadLoadLine(const SequenceStep& step)
{
    std::string strLine;
    switch (ReadCommandLine(strLine)) {
    case FileLine::Command:
        SendLoadLine(strLine);
        break;
    case FileLine::End:
        m_nSeqStep = step.nLast;
        m_bLoadFileEnded = true;
        break;
    case FileLine::Error:
        RestoreSensor();
        EndLoad(SEQ_FILE_ERROR);
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
    m_Sequence = Sequence::ParamLoad;
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
        PostSequence(SequenceTableOf(Sequence::ParamLoad), SEQUENCE_STARTED);
    // The end clears the sequence, after putting NVRAM writing back if need be.
    if (line != FileLine::Command)
        EndParamLoad(m_SeqOutcome.nEnd);
}

void CHalyardDoc::ParamLoadTick()
{
    // A line that is not answered within 3 s is followed by the next one, but
    // the upload no longer counts as finished: the sensor may not have it.
    const int nWait = StepAt(SequenceTableOf(Sequence::ParamLoad), m_nSeqStep).nWait;
    const bool bUnanswered = !m_bReplyReceived && ++m_nWaitTicks > nWait;
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
    m_Sequence = Sequence::None;
    m_SeqOutcome.nEnd = nEnd;
    PostSequence(SequenceTableOf(Sequence::ParamLoad), m_bStepFailed ? SEQUENCE_FAILED : SEQUENCE_FINISHED);
    CloseSequenceFile();
}

int CHalyardDoc::CountLinesLeft()
{
    // Only a load stopped by its line limit has lines left before the end.
    int nLeft = 0;
    if (m_bLoadFileEnded)
        return nLeft;
    std::string strLine;
    while (m_File.IsOpen()) {
        const Result<bool> read = m_File.ReadString(strLine);
        if (!read.Ok()) {
            // What could not be read was not sent either; the count says so.
            ++nLeft;
            break;
        }
        if (!read.Value() || IsEnd(strLine))
            break;
        nLeft += IsComment(strLine) ? 0 : 1;
    }
    if (nLeft > 0)
        m_bStepFailed = true;
    return nLeft;
}

void CHalyardDoc::EndLoad(int nEnd)
{
    const SequenceTable& table = SequenceTableOf(m_Sequence);
    m_Sequence = Sequence::None;
    if (nEnd != SEQ_DONE)
        m_bStepFailed = true;
    m_SeqOutcome.nEnd = nEnd;
    PostSequence(table, m_bStepFailed ? SEQUENCE_FAILED : SEQUENCE_FINISHED);
    CloseSequenceFile();
}

void CHalyardDoc::CloseSequenceFile()
{
    // A file that was only read has nothing to lose.
    static_cast<void>(m_File.Close());
}

}  // namespace halyard
