#pragma once
// The single document: the sensor connection and its protocol engine.
//
// It owns the document's serial port (m_Serial), the 25-slot command ring, the
// 40-slot received-line queue, the watcher thread and the file shared by
// logging, dumps and loads. It tells the views and the main frame everything
// by messages posted through its IDocHost.
//
// Every member function runs on the UI thread: the pages call SendCommand and
// the getters, the frame calls CommsDataReceived / CommsTimeout /
// CommsThreadFinished, the view calls GetCommsCommand, GetCommsData and
// OnTimer. The watcher thread touches only m_pCommsThreadData's block.
//
// Its state is its own: the frame, the view, the pages and the console read it
// through the const getters below and change it only through the named
// operations (SetAddress, SetLogParameters, StartLogging ...).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "document/Framing.h"
#include "document/IDocHost.h"
#include "document/LogFiles.h"
#include "document/Registers.h"
#include "document/Sequences.h"
#include "platform/Clock.h"
#include "platform/TextFile.h"
#include "serial/CPacketBuffer.h"
#include "serial/CSerial_IF.h"
#include "serial/CommsCheckThread.h"
#include "serial/ISerialLink.h"

namespace halyard {

constexpr int CMD_QUEUE_SLOTS = 25;
constexpr uint32_t DOC_PACKET_SLOTS = 40;
constexpr int MAX_PACKETS_PER_EVENT = 11;
constexpr int DEFAULT_COMMS_TIMEOUT_TICKS = 6000;  // 50 ms waits: 300 seconds

// The data capture's choices for SetLogParameters. Paths are in the file
// system's encoding; nHour and nMinute are the time of the daily change.
struct LogSettings {
    std::string strPathName;
    std::string strPrefix;
    bool bAutoR = false;
    bool bTimestamp = false;
    bool bAutoM = false;
    bool bAutoXW = false;
    bool bDailyCapture = false;
    bool bResetA = false;
    bool bCaptureA = false;
    int16_t nHour = 0;
    int16_t nMinute = 0;
};

// How StartLogging begins a log.
enum class LogStart {
    Fresh,   // the user's Start: the file is emptied; "AC" (and its marker) when wanted
    Append,  // as Fresh, but the file is appended to
    Daily,   // the daily change of file: appended to; "AC" once, without a marker
    Resume,  // a lost connection made again: appended to, the accumulation not reset again
};

struct CommandSlot {
    uint32_t dwLength = 0;  // bytes used; 0 = empty
    std::array<uint8_t, CMD_SLOT_SIZE> byData{};
};

struct DocTestAccess;

class CHalyardDoc {
    // Tests start some cases from states only a long conversation reaches.
    friend struct DocTestAccess;

public:
    // pSerial replaces the document's own CPortLink (tests pass a fake port).
    explicit CHalyardDoc(IDocHost& host, std::unique_ptr<ISerialLink> pSerial = nullptr);
    virtual ~CHalyardDoc();
    CHalyardDoc(const CHalyardDoc&) = delete;
    CHalyardDoc& operator=(const CHalyardDoc&) = delete;

    // --- Document life ---------------------------------------------------
    // Clears the title and makes a fresh received-line queue.
    bool OnNewDocument();

    // --- Command framing and reply parsing ------------------------------
    // Frames szCommand into the next ring slot and starts sending if nothing is
    // in flight. False (nothing queued) when not connected, for an empty text, a
    // text longer than MAX_COMMAND_TEXT, or when the ring holds 24 unsent commands.
    bool SendCommand(const std::string& szCommand, bool bAddCRLF);
    void SendNextMessage();
    // With the WM_COMMS_COMMAND wParam: the sent command without CR LF.
    void GetCommsCommand(std::string& szData, uint32_t dwNumBytes);
    void CommsDataReceived(bool bChanged);
    // Appends the lines of one received packet; false when none is waiting.
    bool GetCommsData(std::vector<std::string>& szDataList, uint32_t& dwNumBytes);
    // LRC over bytes 1 .. dwBytes-1 of the slot being filled.
    void CalculateLRCChecksum(uint32_t dwBytes, uint8_t& byCkSum);
    bool CheckLRCChecksum(const uint8_t* pbyData, uint32_t dwNumBytes);
    // Classification; a data message also sets m_bPQDSensor.
    bool IsDataMessage(const std::string& szData);
    void EnableRS485(bool bEnable);
    // The sensor address that addressed commands carry (0 to 99).
    void SetAddress(uint16_t wAddress);
    // Commands queued but not yet collected by the views.
    int PendingCommands() const;
    // Lines taken off the port that the received-line queue had no room for
    // since the last call; the count starts again at 0.
    int TakeLinesDropped();

    // --- Connection lifecycle -------------------------------------------
    void SetUpPortAndBaudRate(int nPort, uint32_t dwBaud);
    bool ConnectToSensor();
    void CloseConnection(bool bInDtor);
    void StartStopAllThreads(bool bStart);
    void CommsTimeout();
    void CommsThreadFinished();
    // How many 50 ms waits of silence make the watcher report a time-out; for
    // the next connection.
    void SetCommsTimeoutTicks(int nTicks);

    // --- Timers -----------------------------------------------------------
    void OnTimer(uint32_t nIDEvent);

    // --- Logging and polling ---------------------------------------------
    // The data capture's settings, before StartLogging.
    void SetLogParameters(const LogSettings& settings);
    // Opens m_strLogPathName and starts logging as start says. False when the
    // file could not be opened: m_LogError says why and WM_LOG_ERROR was posted.
    bool StartLogging(LogStart start);
    // nReason (a LogStopReason) other than the user's own is posted as
    // WM_LOG_ERROR when logging was on.
    void StopLogging(int32_t nReason = -1);
    // Writes the received line in m_byRxData as a record (while logging).
    void LogData();
    // False, after telling the user, for an empty command or a period under 1 s.
    bool StartPolling(const std::string& szPollText, int16_t nPollTime);
    void StopPolling();
    // Called on the UI thread after each line went to the log file, with the
    // line as written (without its CR LF) and what it is; none by default.
    using LogRecordObserver = std::function<void(const std::string& strRecord, LoggedKind kind)>;
    void SetLogRecordObserver(LogRecordObserver observer) { m_logRecordObserver = std::move(observer); }

    // --- Long sequences: NVRAM loads and diagnostic dumps ------------------
    // Only one runs at a time: a start while one runs (or while not connected)
    // is refused with a message. A start stops logging, which shares m_File.
    // Paths are in the file system's encoding.
    void LoadNVRAM(const std::string& szPathName);
    void SendNextNVRAMSetting();
    void ReSendInitLine();
    void DumpAll(const std::string& szPathName);
    // True when the dump has just ended.
    bool RequestNextDumpSetting();
    void DumpALS(const std::string& szPathName);
    bool RequestNextALSDumpSetting();
    void LoadALSNVRAM(const std::string& szPathName);
    void SendNextALSNVRAMSetting();
    // The lines of a parameter file, one per reply or after 3 s of silence; a
    // line left unanswered makes the upload end as failed, SEQ_NO_REPLY.
    void LoadParamFile(const std::string& szPathName);
    void SendNextParam(bool bFirstLine);
    // The user's Cancel: the running sequence ends (a load as failed) after
    // putting the sensor's operating state or NVRAM writing back as it was.
    // A closing connection does the same while the link still takes it.
    void CancelSequence();
    bool SequenceRunning() const;
    // The sequence running (NVRAMLoad, ALSNVRAMLoad, DumpAll, ALSDump or
    // ParamLoad), or None.
    Sequence RunningSequence() const { return m_Sequence; }
    // The running sequence's step, as its table numbers it.
    int32_t GetSeqStep() const { return m_nSeqStep; }
    // A dump step waits for the data message that follows its query.
    bool IsAwaitingDataMsg() const { return m_bAwaitDataMsg; }

    // --- Operating state and options word --------------------------------
    bool GetOperatingState(uint16_t* punState, bool bForce);
    bool GetOptionsWord(uint16_t* punValue, bool bForce);
    static bool ConvertBinaryStringtoData(const std::string& szData, uint16_t* punValue);
    static void ConvertDatatoBinaryString(std::string& szData, uint16_t unValue);

    IDocHost& Host() { return m_host; }

    // --- Reading the document's state ---------------------------------------
    bool IsConnected() const { return m_bConnected; }
    int GetPort() const { return m_nPort; }
    uint32_t GetBaudRate() const { return m_dwBaudRate; }
    int GetCommsTimeoutTicks() const { return m_nCommsTimeoutTicks; }
    const std::string& GetPortStatus() const { return m_strPortStatus; }
    const std::string& GetModelName() const { return m_strModelName; }
    int GetModelNumber() const { return m_nModelNumber; }
    bool IsSending() const { return m_bSending; }
    int32_t GetCmdRead() const { return m_nCmdRead; }
    bool IsReplyReceived() const { return m_bReplyReceived; }
    bool IsBadCmd() const { return m_bBadCmd; }
    bool IsRS485() const { return m_bRS485; }
    uint16_t GetAddress() const { return m_wAddress; }
    bool IsAwaitADR() const { return m_bAwaitADR; }
    bool GotDataMessage() const { return m_bDataMessage; }
    bool IsSensorStartup() const { return m_bSensorStartup; }
    bool IsPQDSensor() const { return m_bPQDSensor; }
    int GetLinesDropped() const { return m_nLinesDropped; }
    uint16_t GetOpState() const { return m_wOpState; }
    uint16_t GetOptions() const { return m_wOptions; }
    bool IsOpStateValid() const { return m_bOpStateValid; }
    bool IsOptionsValid() const { return m_bOptionsValid; }
    bool IsAwaitOS() const { return m_bAwaitOS; }
    bool IsAwaitOP() const { return m_bAwaitOP; }
    bool IsOSDecimal() const { return m_bOSDecimal; }
    bool IsOpStateValue() const { return m_bOpStateIsValue; }
    const std::string& GetOpStateReply() const { return m_strOpStateReply; }
    bool IsLogging() const { return m_bLogging; }
    bool IsAutoR() const { return m_bAutoR; }
    bool IsTimestamp() const { return m_bTimestamp; }
    bool IsDailyCapture() const { return m_bDailyCapture; }
    bool IsResetA() const { return m_bResetA; }
    bool IsCaptureA() const { return m_bCaptureA; }
    const std::string& GetLogPathName() const { return m_strLogPathName; }
    const std::string& GetLogPrefix() const { return m_strLogPrefix; }
    uint32_t GetRecords() const { return m_nRecords; }
    const std::string& GetLogTime() const { return m_strLogTime; }
    const std::string& GetTime() const { return m_strTime; }
    const std::string& GetPollText() const { return m_strPollText; }
    const CFileException& GetLogError() const { return m_LogError; }
    // The log, dump or command file is open.
    bool IsFileOpen() const { return m_File.IsOpen(); }
    const SequenceOutcome& GetSeqOutcome() const { return m_SeqOutcome; }


private:
    // --- Connection -------------------------------------------------------
    bool m_bConnected = false;
    int m_nPort = 1;
    uint32_t m_dwBaudRate = 1200;
    bool m_bCommsTimedOut = false;
    // The watcher ended with lines still for the views: the close follows them.
    bool m_bCloseAfterLines = false;
    int m_nCommsTimeoutTicks = DEFAULT_COMMS_TIMEOUT_TICKS;
    std::string m_strPortStatus;
    std::string m_strModelName;
    int m_nModelNumber = -1;

    // --- Protocol engine --------------------------------------------------
    std::array<uint8_t, CMD_SLOT_SIZE> m_byRxData{};
    std::array<CommandSlot, CMD_QUEUE_SLOTS> m_CmdQueue{};
    int32_t m_nCmdWrite = 0;
    int32_t m_nCmdRead = 0;
    uint32_t m_dwRxLength = 0;
    bool m_bSending = false;
    bool m_bReplyReceived = false;
    bool m_bBadCmd = false;
    std::unique_ptr<CPacketBuffer> m_pRxPackets;
    bool m_bRS485 = false;
    uint16_t m_wAddress = 0;
    bool m_bAwaitADR = false;
    bool m_bDataMessage = false;
    bool m_bSensorStartup = false;
    bool m_bPQDSensor = false;
    bool m_bFirstDataSeen = false;
    // Lines lost because m_pRxPackets was full, not yet told to the views.
    int m_nLinesDropped = 0;

    // --- Registers --------------------------------------------------------
    uint16_t m_wOpState = 0;
    uint16_t m_wOptions = 0;
    bool m_bOpStateValid = false;
    bool m_bOptionsValid = false;
    bool m_bAwaitOS = false;
    bool m_bAwaitOP = false;
    bool m_bOSDecimal = false;
    // The last operating-state reply taken, and whether it was a register
    // value (and not, say, "BAD CMD" cut to five characters).
    bool m_bOpStateIsValue = false;
    std::string m_strOpStateReply;

    // --- Logging and polling ----------------------------------------------
    bool m_bLogging = false;
    bool m_bAutoR = false;
    bool m_bAutoM = false;
    bool m_bAutoXW = false;
    bool m_bTimestamp = false;
    bool m_bDailyCapture = false;
    bool m_bCaptureA = false;
    bool m_bResetA = false;
    int16_t m_nDailyHour = 0;
    int16_t m_nDailyMinute = 0;
    std::string m_strLogPathName;
    std::string m_strLogPrefix;
    CTextFile m_File;
    uint32_t m_nRecords = 0;
    std::string m_strLogTime;
    std::string m_strTime;
    int16_t m_nLogSeconds = 0;
    int16_t m_nLogMinutes = 0;
    int16_t m_nLogHours = 0;
    std::string m_strPollText;
    bool m_bDailyDone = false;
    bool m_bCaptureADone = false;
    bool m_bResetADone = false;
    // The last failure to create or write the log file.
    CFileException m_LogError;
    LogRecordObserver m_logRecordObserver;

    // --- Sequences (NVRAM load, dumps, parameter upload) -------------------
    bool m_bAwaitDataMsg = false;
    int32_t m_nRetryCount = 0;
    bool m_bStepFailed = false;
    int32_t m_nWaitTicks = 0;
    int32_t m_nSeqStep = 0;
    int32_t m_nVarIndex = 0;
    std::string m_strCapture;
    // The dump file's last line has no line end yet (the first query waits
    // for the data message that completes it).
    bool m_bDumpLineOpen = false;
    std::string m_strLoadLine;
    // How the last sequence ended, for the user.
    SequenceOutcome m_SeqOutcome;
    // A load sent its write-enable ("OS", or "ALS-OSNVW5"), a parameter upload
    // an "OSNVW5" of its file not yet followed by its "OSNVW0"; a dump changed
    // the sensor's output mode: an early end puts it back.
    bool m_bSensorChanged = false;
    // The operating state a load or dump read before changing it; what it
    // writes back. Kept apart from m_wOpState, which a dump's own "V9?"
    // among the variables reads again once the state was changed.
    uint16_t m_wReadOpState = 0;
    // That state was a register value: what a dump's writes go by, and not
    // the value flag of the last reply, which the dump's own "V9?" sets again.
    bool m_bReadOpStateIsValue = false;
    // Ticks since the ALS dump last heard the sensor.
    int32_t m_nSilentTicks = 0;
    // A load has read its file to the end or to its '#'.
    bool m_bLoadFileEnded = false;

protected:
    // A step of a sequence paced by timer 8: the sequence and its step.
    struct SequenceBlock {
        Sequence sequence;
        void (CHalyardDoc::*pfnStep)();
    };
    // The timer-8 blocks in the order they run; sequences add their rows here.
    static const std::vector<SequenceBlock>& SequenceBlocks();

private:
    // Each received packet's last line, while a dump runs (the dump's capture).
    void CaptureDumpLine(const std::string& strText, bool bDataMessage, bool bStartup);

    // Sequences: the timer-8 blocks, starting, reading, writing and ending.
    void NVRAMLoadTick();
    void ALSNVRAMLoadTick();
    void DumpTick();
    void ALSDumpTick();
    bool CanStartSequence();
    void StartLoad(bool bALS, const std::string& szPathName);
    bool OpenSequenceFile(const std::string& strPath, bool bWrite, const char* szError);
    enum class FileLine { Command, End, TooLong, Error };
    // The next command line of m_File: comments skipped, End at '#' or at the
    // end of the file, a line too long for a command counted and not sent.
    FileLine ReadCommandLine(std::string& strLine);
    bool SendLoadLine(const std::string& strLine);
    void ReadLoadLine(const SequenceStep& step);
    void SendWriteEnable();
    // A load's last step: the lines it left unsent counted, strCommand sent.
    void EndLoadLines(const SequenceTable& table, const std::string& strCommand);
    void ParamLoadTick();
    void EndParamLoad(int nEnd);
    void CloseSequenceFile();
    int CountLinesLeft();
    void EndLoad(int nEnd);
    void EndDump(bool bALS, int nEnd);
    void EndSequences(int nEnd);
    void StartDumpFile(bool bALS, const std::string& szPathName);
    bool WriteDump(const std::string& strText);
    void DumpQuery(const std::string& strCommand, const std::string& strRecord);
    void DumpOpState(uint16_t wValue, bool bChangesOutput);
    // The next step of the dump or of the ALS dump, as its table has it.
    bool RequestNextDumpStep(bool bALS);
    void DumpStepQuery(const SequenceStep& step);
    void DumpOpStateStep(StepSends sends);
    bool DumpTimedWait(const SequenceStep& step);
    // The step has waited for its reply as long as it may.
    void DumpStepUnanswered(bool bALS, const SequenceStep& step);
    void RestoreSensor();
    void EndDumpUnanswered(bool bALS);
    void OnDumpClockTick();
    bool DumpRunning() const;
    // The sequence's start or end message.
    void PostSequence(const SequenceTable& table, uintptr_t wParam);

    void PostToViews(uint32_t nMsg, uintptr_t wParam = 0, intptr_t lParam = 0);
    void PostToFrame(uint32_t nMsg, uintptr_t wParam = 0, intptr_t lParam = 0);
    void SetTitle(const std::string& strTitle);
    void ResetRegisterState();
    void ResetCommandRing();
    bool CommandRingFull() const;
    // Lines taken off the port that GetCommsData has not read yet. A step of a
    // sequence waits for them: it goes by a reply only once the reply has been
    // classified (a "BAD CMD" seen) and recorded (by a dump, under its command).
    bool LinesUnread();
    void HandleLine(std::string& strText, const uint8_t* pbyPacket, uint32_t nLFIndex, bool bAddressed,
                    std::vector<std::string>& szDataList);
    void OfferRegisterReply(const std::string& strText);
    void OnClockTick();
    void OnDailyLogTick();
    void CheckDailyChange(TimePoint now);
    // Writes text (one line ending in "\n") to the log and hands it to the
    // observer; a failure stops logging and is reported.
    bool WriteLogLine(const std::string& strText, LoggedKind kind);
    // Opens the log (emptied or appended to) and shows logging as started; a
    // file that cannot be opened is posted with nFailReason.
    bool OpenLogFile(bool bAppend, int32_t nFailReason);
    void CloseLogFile();
    // One accumulation step of the daily change: the command and its marker
    // line when wanted, then the next step's timer.
    void DailyAccumStep(bool& bDone, bool bWanted, const char* szCommand);
    // Sends the command and writes it to the log as a marker line.
    bool SendWithMarker(const char* szCommand);
    // Zero records and elapsed time on the status bar, no automatic commands.
    void ShowLoggingStopped();
    void OnSequenceTick();
    bool StartWatcherThread();
    void StopWatcherThread();

    IDocHost& m_host;
    std::unique_ptr<ISerialLink> m_pSerialOwned;
    // The sequence running: only one runs at a time.
    Sequence m_Sequence = Sequence::None;
    ISerialLink& m_Serial;
    // The watcher thread and its block. The block is shared with the thread so
    // that a thread that missed its stop still has it to read.
    std::unique_ptr<std::thread> m_pCommsCheckThread;
    std::shared_ptr<CommsThreadData> m_pCommsThreadData;
};

}  // namespace halyard
