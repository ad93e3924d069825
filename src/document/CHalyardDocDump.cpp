// CHalyardDoc: the diagnostic dumps of the sensor and of its ALS. Each sends
// its queries one after the other, the next when the last was answered
// (timer 8), and records every command with its reply in a text file; the
// sensor's dump also switches it to polled output while it reads the values,
// to automatic output for six timed waits (paced by timer 2), and back to the
// state it read at the end. A dump never writes a state that was not read.
#include <cstdio>
#include <filesystem>

#include "document/CHalyardDoc.h"
#include "platform/FileCalls.h"

namespace halyard {

namespace {

constexpr int kReplyTicks = 75;  // a reply satisfies any timed wait
constexpr uint16_t kAutoOutput = 0x0001;
constexpr uint16_t kCalcAtPeriodEnd = 0x0002;

const SequenceTable& DumpTable(bool bALS)
{
    return SequenceTableOf(bALS ? Sequence::ALSDump : Sequence::DumpAll);
}

bool StartsWith(const std::string& str, const char* szStart)
{
    return str.rfind(szStart, 0) == 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Starting, recording and ending

void CHalyardDoc::StartDumpFile(bool bALS, const std::string& szPathName)
{
    const SequenceTable& table = DumpTable(bALS);
    // The path is UTF-8 text on every system (a narrow path would be read in
    // Windows's ANSI code page).
    const std::u8string strFileName = SystemPath(szPathName).filename().u8string();
    const std::string strName(strFileName.begin(), strFileName.end());
    const char* szFirst = StepAt(table, 0).szCommand;
    const bool bWritten =
        WriteDump(std::string(bALS ? ":Orvan Diagnostic capture for ALS Serial Number "
                                   : ":Orvan Diagnostic capture for sensor Serial Number ") +
                  strName + "\n") &&
        WriteDump(FormatTime(": %H:%M:%S, %d/%m/%Y", Clock().Now()) + "\n") && WriteDump(szFirst);
    if (!bWritten)
        return;  // ended and reported
    m_nVarIndex = 0;
    m_nSeqStep = 0;
    m_bOpStateValid = m_bOptionsValid = m_bAwaitOS = m_bAwaitOP = false;
    m_wOpState = m_wOptions = 0;
    m_bOpStateIsValue = false;
    m_bReadOpStateIsValue = false;
    m_bOSDecimal = true;
    DumpQuery(szFirst, szFirst);
    PostSequence(table, SEQUENCE_STARTED);
}

void CHalyardDoc::DumpAll(const std::string& szPathName)
{
    if (!CanStartSequence() || !OpenSequenceFile(szPathName, true, "Cannot Open File Error %d"))
        return;
    m_Sequence = Sequence::DumpAll;
    StartDumpFile(false, szPathName);
}

void CHalyardDoc::DumpALS(const std::string& szPathName)
{
    if (!CanStartSequence() || !OpenSequenceFile(szPathName, true, "Cannot Open File Error %d"))
        return;
    m_Sequence = Sequence::ALSDump;
    StartDumpFile(true, szPathName);
}

bool CHalyardDoc::WriteDump(const std::string& strText)
{
    if (!m_File.IsOpen())
        return true;
    if (m_File.WriteString(strText)) {
        if (!strText.empty())
            m_bDumpLineOpen = strText.back() != '\n';
        return true;
    }
    // A dump that cannot be recorded ends at once, and says why (taken
    // before the end lines try the file again).
    const std::string strError = m_File.LastError().ErrorMessage();
    m_SeqOutcome.strFileError = strError;
    RestoreSensor();
    EndDump(m_Sequence == Sequence::ALSDump, SEQ_FILE_ERROR);
    m_host.MessageBox(strError, MB_OK | MB_ICONERROR);
    return false;
}

void CHalyardDoc::CaptureDumpLine(const std::string& strText, bool bDataMessage, bool bStartup)
{
    if (!m_File.IsOpen())
        return;
    if (!bDataMessage && !bStartup) {
        if (StartsWith(m_strCapture, "V")) {
            // A variable's record stays: a further reply line writes it again.
            m_strCapture += strText + "\n";
            WriteDump(m_strCapture);
        } else if (WriteDump(m_strCapture)) {
            WriteDump(strText + "\n");
            m_strCapture.clear();
        }
        return;
    }
    if (bStartup && StartsWith(m_strCapture, "OS")) {
        m_strCapture += "\n";
        if (!WriteDump(m_strCapture))
            return;
        m_strCapture.clear();
    }
    WriteDump(strText + "\n");
}

void CHalyardDoc::EndDump(bool bALS, int nEnd)
{
    m_Sequence = Sequence::None;
    m_SeqOutcome.nEnd = nEnd;
    PostSequence(DumpTable(bALS), SEQUENCE_FINISHED);
    if (!m_File.IsOpen())
        return;
    // A dump cut short keeps the end lines that tools look for, and says
    // before them, in a comment line of its own, that it is incomplete. A
    // failure here stops the end lines and is not told again: the failure
    // that ended the dump is being reported already.
    SysResult written;
    if (nEnd != SEQ_DONE)
        written = m_File.WriteString(std::string(m_bDumpLineOpen ? "\n" : "") +
                                     ":Incomplete: " + DumpIncompleteReason(m_SeqOutcome) + "\n");
    if (written)
        static_cast<void>(
            m_File.WriteString(bALS ? "#\nALS Diagnostic Save Finished\n" : "#\nDiagnostic Save Finished\n"));
    static_cast<void>(m_File.Close());
}

void CHalyardDoc::DumpQuery(const std::string& strCommand, const std::string& strRecord)
{
    m_strCapture = strRecord;
    m_nWaitTicks = 0;
    m_SeqOutcome.strQuery = strCommand;
    SendCommand(strCommand, true);
}

void CHalyardDoc::DumpOpState(uint16_t wValue, bool bChangesOutput)
{
    // Only a state that was read is written back in any form.
    if (!m_bReadOpStateIsValue) {
        m_SeqOutcome.bOpStateKept = true;
        m_SeqOutcome.strOpStateReply = m_strOpStateReply;
        m_strCapture.clear();
        return;
    }
    const std::string strCommand = "OS" + BinaryCommandForm(wValue);
    m_strCapture = strCommand + "\n";
    m_SeqOutcome.strQuery = strCommand;
    SendCommand(strCommand, true);
    m_bSensorChanged = bChangesOutput;
}

// ---------------------------------------------------------------------------
// The steps of both dumps, as their tables give them

bool CHalyardDoc::RequestNextDumpSetting()
{
    return RequestNextDumpStep(false);
}

bool CHalyardDoc::RequestNextALSDumpSetting()
{
    return RequestNextDumpStep(true);
}

bool CHalyardDoc::RequestNextDumpStep(bool bALS)
{
    m_bAwaitDataMsg = false;
    const SequenceStep& step = StepAt(DumpTable(bALS), ++m_nSeqStep);
    switch (step.sends) {
    case StepSends::End:
        EndDump(bALS, SEQ_DONE);
        return true;
    case StepSends::TimedWait:
        return DumpTimedWait(step);
    case StepSends::Nothing:
        m_nVarIndex = step.nVarBase;
        break;
    case StepSends::PolledOutput:
    case StepSends::AutoOutput:
    case StepSends::RestoreState:
        DumpOpStateStep(step.sends);
        break;
    default:
        DumpStepQuery(step);
        break;
    }
    m_bAwaitDataMsg = step.bAwaitData;
    return false;
}

void CHalyardDoc::DumpStepQuery(const SequenceStep& step)
{
    if (step.sends == StepSends::Variable) {
        // Derived from the step, so that a step sent again asks for the same variable.
        m_nVarIndex = step.nVarBase + m_nSeqStep - step.nFirst;
        char szQuery[32];
        std::snprintf(szQuery, sizeof szQuery, step.szCommand, m_nVarIndex);
        std::string strRecord = szQuery;
        strRecord.back() = ',';
        DumpQuery(szQuery, strRecord);
        return;
    }
    if (step.sends == StepSends::ReadOpState) {
        m_bAwaitOS = true;
        m_bOSDecimal = true;
    } else if (step.sends == StepSends::ReadOptions) {
        m_bAwaitOP = true;
    }
    DumpQuery(step.szCommand, std::string(step.szCommand) + "\n");
}

void CHalyardDoc::DumpOpStateStep(StepSends sends)
{
    if (sends == StepSends::RestoreState) {
        // Back to the state read at the start; the wait count runs on.
        DumpOpState(m_wReadOpState, false);
        return;
    }
    m_bOSDecimal = false;
    m_nWaitTicks = 0;
    if (sends == StepSends::PolledOutput) {
        m_wReadOpState = m_wOpState;
        m_bReadOpStateIsValue = m_bOpStateIsValue;
        DumpOpState(static_cast<uint16_t>(m_wReadOpState & ~kAutoOutput), true);
    } else {
        m_bAwaitOS = false;
        DumpOpState(static_cast<uint16_t>((m_wReadOpState | kAutoOutput) & ~kCalcAtPeriodEnd), true);
    }
}

bool CHalyardDoc::DumpTimedWait(const SequenceStep& step)
{
    if (m_nWaitTicks < step.nWait) {
        m_strCapture.clear();
        --m_nSeqStep;
        m_bAwaitDataMsg = true;
        m_bReplyReceived = false;
        return false;
    }
    // The wait is over and asked the sensor nothing: there is no reply to
    // wait for before the next query.
    return RequestNextDumpSetting();
}

// ---------------------------------------------------------------------------
// Pacing: timer 8 for replies and silence, timer 2 for the timed waits

void CHalyardDoc::DumpTick()
{
    if (m_bReplyReceived) {
        if (m_bAwaitDataMsg)
            m_bReplyReceived = false;
        else
            m_nWaitTicks = kReplyTicks;
        if (m_File.IsOpen())
            RequestNextDumpSetting();
        return;
    }
    if (m_bAwaitDataMsg)
        return;  // timer 2 paces the timed waits
    const SequenceStep& step = StepAt(DumpTable(false), m_nSeqStep);
    if (++m_nWaitTicks > step.nWait)
        DumpStepUnanswered(false, step);
}

void CHalyardDoc::OnDumpClockTick()
{
    // A data message taken but not yet read ends the wait once it has been.
    if (m_Sequence == Sequence::DumpAll && m_bAwaitDataMsg &&
        StepAt(DumpTable(false), m_nSeqStep).bAwaitData && !LinesUnread()) {
        ++m_nWaitTicks;
        RequestNextDumpSetting();
    }
}

void CHalyardDoc::ALSDumpTick()
{
    if (m_bReplyReceived) {
        m_nWaitTicks = kReplyTicks;
        m_nSilentTicks = 0;
        if (m_File.IsOpen())
            RequestNextALSDumpSetting();
        return;
    }
    ++m_nWaitTicks;
    const SequenceStep& step = StepAt(DumpTable(true), m_nSeqStep);
    if (step.silence != Silence::Resends) {
        if (m_nWaitTicks > step.nWait)
            DumpStepUnanswered(true, step);
    } else if (m_bAwaitDataMsg) {
        if (m_nWaitTicks > ALS_DATA_WAIT_TICKS)
            m_bAwaitDataMsg = false;
    } else if (++m_nSilentTicks > step.nWait) {
        // The query is sent again on every tick, but not for ever.
        EndDumpUnanswered(true);
    } else {
        --m_nSeqStep;
        RequestNextALSDumpSetting();
    }
}

void CHalyardDoc::DumpStepUnanswered(bool bALS, const SequenceStep& step)
{
    if (step.silence != Silence::NotSet) {
        EndDumpUnanswered(bALS);
        return;
    }
    if (!m_File.IsOpen())
        return;
    m_strCapture += "\nSERIAL NUMBER NOT SET\n";
    if (!WriteDump(m_strCapture))
        return;
    m_strCapture.clear();
    RequestNextDumpStep(bALS);
}

void CHalyardDoc::EndDumpUnanswered(bool bALS)
{
    m_SeqOutcome.nStep = m_nSeqStep;
    RestoreSensor();
    EndDump(bALS, SEQ_NO_REPLY);
    m_host.MessageBox("No Reply from Sensor, Check connections", MB_OK | MB_ICONWARNING);
}

// ---------------------------------------------------------------------------
// Ends of every sequence

void CHalyardDoc::RestoreSensor()
{
    if (!m_bSensorChanged)
        return;
    m_bSensorChanged = false;
    // A link that hung up takes nothing more.
    if (m_Serial.IsHungUp())
        return;
    if (m_Sequence == Sequence::ALSNVRAMLoad)
        SendCommand(SequenceTableOf(Sequence::ALSNVRAMLoad).steps.back().szCommand, true);
    else if (m_Sequence == Sequence::ParamLoad)
        SendCommand("OSNVW0", true);
    else
        SendCommand("OS" + BinaryCommandForm(m_wReadOpState), true);
}

void CHalyardDoc::CancelSequence()
{
    EndSequences(SEQ_CANCELLED);
}

void CHalyardDoc::EndSequences(int nEnd)
{
    // Cancelled or cut off by a closing connection: the sensor is put back
    // first, while the line may still take it.
    RestoreSensor();
    switch (m_Sequence) {
    case Sequence::NVRAMLoad:
    case Sequence::ALSNVRAMLoad:
        EndLoad(nEnd);
        break;
    case Sequence::DumpAll:
    case Sequence::ALSDump:
        EndDump(m_Sequence == Sequence::ALSDump, nEnd);
        break;
    case Sequence::ParamLoad:
        EndParamLoad(nEnd);
        break;
    case Sequence::None:
        break;
    }
}

bool CHalyardDoc::DumpRunning() const
{
    return m_Sequence == Sequence::DumpAll || m_Sequence == Sequence::ALSDump;
}

void CHalyardDoc::PostSequence(const SequenceTable& table, uintptr_t wParam)
{
    PostToViews(table.nMsg, wParam, table.lParam);
}

}  // namespace halyard
