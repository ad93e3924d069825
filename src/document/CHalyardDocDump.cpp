// CHalyardDoc: the diagnostic dumps of the sensor and of its ALS. Each sends
// its queries one after the other, the next when the last was answered
// (timer 8), and records every command with its reply in a text file; the
// sensor's dump also switches it to polled output while it reads the values,
// to automatic output for six timed waits (paced by timer 2), and back to the
// state it read at the end. A dump never writes a state that was not read.
#include <filesystem>

#include "document/CHalyardDoc.h"

namespace halyard {

namespace {

constexpr int kFirstVarStep = 14;
constexpr int kLastVarStep = 163;
constexpr int kSerialStep = 13;
constexpr int kDumpEndStep = DUMP_END_STEP;
constexpr int kAlsSerialStep = 3;
constexpr int kAlsFirstVarStep = 10;
constexpr int kAlsLastVarStep = 47;
constexpr int kReplyTicks = 75;  // a reply satisfies any timed wait
constexpr uint16_t kAutoOutput = 0x0001;
constexpr uint16_t kCalcAtPeriodEnd = 0x0002;

bool StartsWith(const std::string& str, const char* szStart)
{
    return str.rfind(szStart, 0) == 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Starting, recording and ending

void CHalyardDoc::StartDumpFile(bool bALS, const std::string& szPathName)
{
    const std::string strName = std::filesystem::path(szPathName).filename().string();
    const char* szFirst = bALS ? "ALS-D?" : "D?";
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
    if (bALS)
        PostToViews(WM_ALS_DUMP, SEQUENCE_STARTED, 1);
    else
        PostToViews(WM_START_SEQ, SEQUENCE_STARTED, 0);
}

void CHalyardDoc::DumpAll(const std::string& szPathName)
{
    if (!CanStartSequence() || !OpenSequenceFile(szPathName, true, "Cannot Open File Error %d"))
        return;
    m_bDumpAll = true;
    StartDumpFile(false, szPathName);
}

void CHalyardDoc::DumpALS(const std::string& szPathName)
{
    if (!CanStartSequence() || !OpenSequenceFile(szPathName, true, "Cannot Open File Error %d"))
        return;
    m_bALSDump = true;
    StartDumpFile(true, szPathName);
}

bool CHalyardDoc::WriteDump(const std::string& strText)
{
    if (!m_File.IsOpen())
        return true;
    try {
        m_File.WriteString(strText);
        if (!strText.empty())
            m_bDumpLineOpen = strText.back() != '\n';
        return true;
    } catch (const CFileException& error) {
        // A dump that cannot be recorded ends at once, and says why.
        m_SeqOutcome.strFileError = error.ErrorMessage();
        RestoreSensor();
        EndDump(m_bALSDump, SEQ_FILE_ERROR);
        m_host.MessageBox(error.ErrorMessage(), MB_OK | MB_ICONERROR);
        return false;
    }
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
    (bALS ? m_bALSDump : m_bDumpAll) = false;
    m_SeqOutcome.nEnd = nEnd;
    if (bALS)
        PostToViews(WM_ALS_DUMP, SEQUENCE_FINISHED, 1);
    else
        PostToViews(WM_START_SEQ, SEQUENCE_FINISHED, 0);
    if (!m_File.IsOpen())
        return;
    try {
        // A dump cut short keeps the end lines that tools look for, and says
        // before them, in a comment line of its own, that it is incomplete.
        if (nEnd != SEQ_DONE)
            m_File.WriteString(std::string(m_bDumpLineOpen ? "\n" : "") +
                               ":Incomplete: " + DumpIncompleteReason(m_SeqOutcome) + "\n");
        m_File.WriteString(bALS ? "#\nALS Diagnostic Save Finished\n" : "#\nDiagnostic Save Finished\n");
        m_File.Close();
    } catch (const CFileException&) {
        // The failure that ended the dump is being reported already.
        if (m_File.IsOpen())
            m_File.Close();
    }
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
// The sensor's dump

bool CHalyardDoc::RequestNextDumpSetting()
{
    m_bAwaitDataMsg = false;
    const int nStep = ++m_nSeqStep;
    if (nStep >= kFirstVarStep && nStep <= kLastVarStep) {
        m_nVarIndex = nStep - kFirstVarStep;
        if (nStep > kFirstVarStep)
            m_bOSDecimal = false;
        const std::string strVar = "V" + std::to_string(m_nVarIndex);
        DumpQuery(strVar + "?", strVar + ",");
        return false;
    }
    if (nStep >= kDumpEndStep) {
        EndDump(false, SEQ_DONE);
        return true;
    }
    if (IsDumpTimedWait(nStep)) {
        if (m_nWaitTicks < DumpWaitLimit(nStep)) {
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
    switch (nStep) {
    case 2:
        m_bAwaitOS = true;
        m_bOSDecimal = true;
        DumpQuery("V9?", "V9?\n");
        break;
    case 3:
        m_bOSDecimal = false;
        m_nWaitTicks = 0;
        m_wReadOpState = m_wOpState;
        m_bReadOpStateIsValue = m_bOpStateIsValue;
        DumpOpState(static_cast<uint16_t>(m_wReadOpState & ~kAutoOutput), true);
        break;
    case 8:
        m_bAwaitOP = true;
        DumpQuery("OP?", "OP?\n");
        break;
    case 164:
        m_nVarIndex = 150;
        break;
    case 171:
        m_bAwaitOS = false;
        m_bOSDecimal = false;
        m_nWaitTicks = 0;
        DumpOpState(static_cast<uint16_t>((m_wReadOpState | kAutoOutput) & ~kCalcAtPeriodEnd), true);
        break;
    case 192:
        // Back to the state read at the start; the wait count runs on.
        DumpOpState(m_wReadOpState, false);
        break;
    default:
        if (const char* szQuery = DumpQueryAt(nStep))
            DumpQuery(szQuery, std::string(szQuery) + "\n");
        break;
    }
    if (IsDumpDataWaitStep(nStep))
        m_bAwaitDataMsg = true;
    return false;
}

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
    if (m_nSeqStep == 0 || m_nSeqStep == kSerialStep) {
        ++m_nWaitTicks;
        if (m_nSeqStep == kSerialStep && m_nWaitTicks > SERIAL_NUMBER_TICKS && m_File.IsOpen()) {
            m_strCapture += "\nSERIAL NUMBER NOT SET\n";
            if (!WriteDump(m_strCapture))
                return;
            m_strCapture.clear();
            RequestNextDumpSetting();
        } else if (m_nSeqStep == 0 && m_nWaitTicks > DUMP_FIRST_REPLY_TICKS) {
            EndDumpUnanswered(false);
        }
        return;
    }
    if (m_bAwaitDataMsg)
        return;  // timer 2 paces the timed waits
    if (++m_nWaitTicks > DUMP_REPLY_TICKS)
        EndDumpUnanswered(false);
}

void CHalyardDoc::OnDumpClockTick()
{
    // A data message taken but not yet read ends the wait once it has been.
    if (m_bDumpAll && m_bAwaitDataMsg && IsDumpDataWaitStep(m_nSeqStep) && !LinesUnread()) {
        ++m_nWaitTicks;
        RequestNextDumpSetting();
    }
}

void CHalyardDoc::EndDumpUnanswered(bool bALS)
{
    m_SeqOutcome.nStep = m_nSeqStep;
    RestoreSensor();
    EndDump(bALS, SEQ_NO_REPLY);
    m_host.MessageBox("No Reply from Sensor, Check connections", MB_OK | MB_ICONWARNING);
}

// ---------------------------------------------------------------------------
// The ALS dump

bool CHalyardDoc::RequestNextALSDumpSetting()
{
    m_bAwaitDataMsg = false;
    const int nStep = ++m_nSeqStep;
    auto query = [this](const std::string& strCommand) { DumpQuery(strCommand, strCommand + "\n"); };
    auto variable = [this](const char* szName, int nIndex) {
        m_nVarIndex = nIndex;
        const std::string strVar = std::string("ALS-") + szName + std::to_string(nIndex);
        DumpQuery(strVar + "?", strVar + ",");
    };
    // Variables 4 to 41; derived from the step, so that a step sent again
    // asks for the same variable.
    if (nStep >= kAlsFirstVarStep && nStep <= kAlsLastVarStep) {
        variable("V", nStep - kAlsFirstVarStep + 4);
        return false;
    }
    switch (nStep) {
    case 1:
        query("ALS-R?");
        break;
    case 2:
        query("ALS-PV?");
        break;
    case kAlsSerialStep:
        query("ALS-S?");
        break;
    case 4:
        query("ALS-OS?");
        break;
    case 5:
        query("ALS-C?");
        break;
    case 6:
        query("ALS-XF?");
        break;
    case 7:
        variable("V", 0);
        break;
    case 8:
        variable("VF", 1);
        break;
    case 9:
        variable("V", 3);  // variable 2 is not queried
        break;
    case 48:
        query("ALS-D?");
        m_bAwaitDataMsg = true;
        break;
    case 49:
        query("ALS-R?");
        m_bAwaitDataMsg = true;
        break;
    default:
        EndDump(true, SEQ_DONE);
        return true;
    }
    return false;
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
    if (m_nSeqStep == kAlsSerialStep) {
        if (m_nWaitTicks > SERIAL_NUMBER_TICKS && m_File.IsOpen()) {
            m_strCapture += "\nSERIAL NUMBER NOT SET\n";
            if (!WriteDump(m_strCapture))
                return;
            m_strCapture.clear();
            RequestNextALSDumpSetting();
        }
    } else if (m_nSeqStep == 0) {
        if (m_nWaitTicks > DUMP_FIRST_REPLY_TICKS)
            EndDumpUnanswered(true);
    } else if (m_bAwaitDataMsg) {
        if (m_nWaitTicks > SERIAL_NUMBER_TICKS)
            m_bAwaitDataMsg = false;
    } else if (++m_nSilentTicks > DUMP_REPLY_TICKS) {
        // The query is sent again on every tick, but not for ever.
        EndDumpUnanswered(true);
    } else {
        --m_nSeqStep;
        RequestNextALSDumpSetting();
    }
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
    if (m_bALSNVRAMLoad)
        SendCommand("ALS-OSNVW0", true);
    else if (m_bParamLoad)
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
    if (m_bNVRAMLoad)
        EndLoad(false, nEnd);
    if (m_bALSNVRAMLoad)
        EndLoad(true, nEnd);
    if (m_bDumpAll)
        EndDump(false, nEnd);
    if (m_bALSDump)
        EndDump(true, nEnd);
    if (m_bParamLoad)
        EndParamLoad(nEnd);
}

}  // namespace halyard
