// The long sequences on a fake port with a scripted sensor and the settable
// clock: NVRAM loads, the diagnostic dump and the ALS dump, step by step,
// with their files, their ends and their faults.
#include <map>
#include <set>

#include "DocLoopFixture.h"
#include "DumpCommands.h"
#include "document/Registers.h"
#include "document/Sequences.h"

namespace halyard::test {
namespace {

// Answers every command the way a sensor would, with faults on demand.
struct CScriptedSensor {
    uint16_t wOpState = 0x0001;                  // automatic output
    std::map<std::string, int> badCmd;           // "BAD CMD" so many times for a command
    std::set<std::string> unanswered;            // no answer at all
    std::map<std::string, std::string> replies;  // fixed answers
    bool bSilent = false;
    std::vector<std::string> heard;

    std::vector<std::string> Answer(const std::string& strCommand)
    {
        heard.push_back(strCommand);
        if (bSilent || unanswered.count(strCommand) != 0)
            return {};
        if (auto it = badCmd.find(strCommand); it != badCmd.end() && it->second > 0) {
            --it->second;
            return {"BAD CMD\r\n"};
        }
        if (auto it = replies.find(strCommand); it != replies.end())
            return {it->second + "\r\n"};
        return {Reply(strCommand) + "\r\n"};
    }

    std::string Reply(const std::string& strCommand)
    {
        if (strCommand == "V9?" || strCommand == "OS?")
            return BinaryDisplayForm(wOpState);
        if (strCommand == "OP?")
            return BinaryDisplayForm(0x0021);
        if (strCommand.size() == 18 && strCommand.rfind("OS", 0) == 0) {
            ConvertBinaryStringtoData(strCommand.substr(2, 8) + "," + strCommand.substr(10), &wOpState);
            return BinaryDisplayForm(wOpState);
        }
        if (strCommand == "D?")
            return "PW 00,0060,12345,12000";
        if (strCommand.size() > 2 && strCommand[0] == 'V' && strCommand.back() == '?')
            return std::to_string(std::stoi(strCommand.substr(1)) * 10);
        if (strCommand.rfind("ALS-V", 0) == 0 && strCommand.back() == '?')
            return std::to_string(std::stoi(strCommand.substr(strCommand.find_first_of("0123456789"))));
        return strCommand.substr(0, strCommand.size() - (strCommand.back() == '?' ? 1 : 0)) + " OK";
    }
};

class DocSequences : public DocLoopFixture {
protected:
    void SetUp() override
    {
        DocLoopFixture::SetUp();
        m_pPort->m_responder = [this](const std::string& strLine) { return m_sensor.Answer(strLine); };
    }

    std::string WriteFile(const std::string& strName, const std::string& strText)
    {
        const std::string strPath = m_folder.Path(strName);
        std::ofstream(strPath, std::ios::binary) << strText;
        return strPath;
    }

    // Ticks until no sequence runs, at most nMaxMs of the settable clock.
    bool RunToEnd(int nMaxMs = 600000)
    {
        Deliver();
        for (int n = 0; n < nMaxMs / 500 && Doc().SequenceRunning(); ++n)
            Wait(500);
        return !Doc().SequenceRunning();
    }

    std::vector<std::string> Sent() { return m_pPort->SentLines(); }
    static std::vector<std::string> LastLines(const std::string& strPath, size_t nCount)
    {
        const auto lines = ReadLines(strPath);
        return {lines.end() - static_cast<std::ptrdiff_t>(std::min(nCount, lines.size())), lines.end()};
    }
    std::vector<uintptr_t> Ends(uint32_t nMsg)
    {
        std::vector<uintptr_t> ends;
        for (const PostedMessage& m : ViewMessagesOf(nMsg))
            ends.push_back(m.wParam);
        return ends;
    }

    CScriptedSensor m_sensor;
};

const std::string kEnable = "OS1010000000000000";   // 0x0001 without auto output, NVRAM writes on
const std::string kRestore = "OS0000000000000001";  // as read

// ---------------------------------------------------------------------------
// NVRAM load

TEST_F(DocSequences, NvramLoadReadsEnablesSendsTheLinesAndRestores)
{
    const std::string strPath = WriteFile(
        "settings.NVM", ":saved 08/12/2026\r\nV12,5\nV13,7\r\nOS0000000000000011\r\n\r\n#\r\nV14,1\r\n");
    Doc().LoadNVRAM(strPath);
    ASSERT_TRUE(RunToEnd());
    // The empty line sends nothing; nothing after '#' is read.
    EXPECT_EQ(Sent(), (std::vector<std::string>{"V9?", "V9?", kEnable, "V12,5", "V13,7", "OS0000000000000011",
                                                kRestore}));
    EXPECT_EQ(Ends(WM_INIT_START), (std::vector<uintptr_t>{1, 0}));
    EXPECT_FALSE(Doc().IsFileOpen());
    EXPECT_EQ(m_sensor.wOpState, 0x0001) << "the file's own OS line is undone";

    // A file of comments only: read, enable, restore, finished.
    m_pPort->ClearSent();
    Doc().LoadNVRAM(WriteFile("empty.NVM", ":only\r\n:comments\r\n"));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Sent(), (std::vector<std::string>{"V9?", "V9?", kEnable, kRestore}));
    EXPECT_EQ(Ends(WM_INIT_START), (std::vector<uintptr_t>{1, 0, 1, 0}));
}

TEST_F(DocSequences, NvramLineRefusedOnceIsResentAndTwiceIsGivenUp)
{
    m_sensor.badCmd["V12,5"] = 1;
    Doc().LoadNVRAM(WriteFile("a.NVM", "V12,5\r\nV13,7\r\n"));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Sent(), (std::vector<std::string>{"V9?", "V9?", kEnable, "V12,5", "V12,5", "V13,7", kRestore}));
    EXPECT_EQ(Ends(WM_INIT_START).back(), 0u);

    m_pPort->ClearSent();
    m_sensor.badCmd["V12,5"] = 2;
    Doc().LoadNVRAM(WriteFile("b.NVM", "V12,5\r\nV13,7\r\n"));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Sent(), (std::vector<std::string>{"V9?", "V9?", kEnable, "V12,5", "V12,5", "V13,7", kRestore}));
    EXPECT_EQ(Ends(WM_INIT_START).back(), 2u);
    EXPECT_EQ(Doc().GetSeqOutcome().nLinesRefused, 1);
    EXPECT_EQ(SequenceOutcomeLines(Doc().GetSeqOutcome()),
              (std::vector<std::string>{"1 line refused twice by the sensor (BAD CMD)"}));
}

TEST_F(DocSequences, NvramLoadWritesNoStateItDidNotRead)
{
    m_sensor.replies["V9?"] = "BAD CMD";
    Doc().LoadNVRAM(WriteFile("a.NVM", "V12,5\r\n"));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Sent(), (std::vector<std::string>{"V9?", "V9?"}));
    EXPECT_EQ(Ends(WM_INIT_START), (std::vector<uintptr_t>{1, 2}));
    EXPECT_EQ(Doc().GetSeqOutcome().nEnd, SEQ_OPSTATE_UNREAD);
    const auto lines = SequenceOutcomeLines(Doc().GetSeqOutcome());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("\"BAD C\""), std::string::npos) << lines[0];

    // Five digits beyond 16 bits are no state either: writing them back would
    // give the sensor a state it never had.
    m_pPort->ClearSent();
    m_sensor.replies["V9?"] = "70000";
    Doc().LoadNVRAM(WriteFile("b.NVM", "V12,5\r\n"));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Sent(), (std::vector<std::string>{"V9?", "V9?"}));
    EXPECT_EQ(Doc().GetSeqOutcome().nEnd, SEQ_OPSTATE_UNREAD);
}

TEST_F(DocSequences, NvramLinesBeyondTheLimitOrTooLongAreCountedNotDropped)
{
    std::string strText = "V0," + std::string(MAX_COMMAND_TEXT, '9') + "\r\n";  // too long for a command
    for (int n = 1; n <= NVRAM_LOAD_LINES + 3; ++n)
        strText += (n % 100 == 0 ? ":comment\r\n" : "") + ("V1," + std::to_string(n) + "\r\n");
    Doc().LoadNVRAM(WriteFile("big.NVM", strText));
    ASSERT_TRUE(RunToEnd(3600000));
    const auto sent = Sent();
    // The long line takes a step of its own without being sent.
    EXPECT_EQ(sent.size(), 3u + (NVRAM_LOAD_LINES - 1) + 1u);
    EXPECT_EQ(sent[3], "V1,1");
    EXPECT_EQ(sent[sent.size() - 2], "V1," + std::to_string(NVRAM_LOAD_LINES - 1));
    EXPECT_EQ(sent.back(), kRestore);
    EXPECT_EQ(Ends(WM_INIT_START).back(), 2u);
    EXPECT_EQ(Doc().GetSeqOutcome().nLinesTooLong, 1);
    EXPECT_EQ(Doc().GetSeqOutcome().nLinesNotSent, 4);
}

TEST_F(DocSequences, CancelAndCloseEndALoadThatWaitsForItsSensor)
{
    Doc().LoadNVRAM(WriteFile("a.NVM", "V12,5\r\nV13,7\r\n"));
    m_sensor.unanswered.insert("V12,5");
    Wait(5000);
    ASSERT_EQ(Doc().RunningSequence(), Sequence::NVRAMLoad) << "a load waits for its reply";
    ASSERT_EQ(Sent().back(), "V12,5");
    Doc().CancelSequence();
    Deliver();
    EXPECT_FALSE(Doc().SequenceRunning());
    EXPECT_EQ(Sent().back(), kRestore) << "the write-enable is undone";
    EXPECT_EQ(Ends(WM_INIT_START).back(), 2u);
    EXPECT_FALSE(m_timers.IsRunning(TIMER_SEQUENCE));

    // Closed while waiting: ended as failed, and a later load can start.
    Doc().LoadNVRAM(WriteFile("b.NVM", "V12,5\r\n"));
    Wait(5000);
    Doc().CloseConnection(false);
    Deliver();
    EXPECT_NE(Doc().RunningSequence(), Sequence::NVRAMLoad);
    EXPECT_EQ(Ends(WM_INIT_START).back(), 2u);
    EXPECT_EQ(Doc().GetSeqOutcome().nEnd, SEQ_CONNECTION_CLOSED);
    EXPECT_FALSE(Doc().IsFileOpen());
    EXPECT_FALSE(m_timers.IsRunning(TIMER_SEQUENCE));
    Connect();
    m_pPump->Restart();
    m_sensor.unanswered.clear();
    Doc().LoadNVRAM(WriteFile("c.NVM", "V12,5\r\n"));
    EXPECT_TRUE(RunToEnd());
    EXPECT_EQ(Ends(WM_INIT_START).back(), 0u);
}

// A busy UI thread: the frame took the sensor's reply off the port, but before
// the view read it (WM_COMMS_DATA), a sequence tick came. The step must not go
// by a reply it has not read.
class DocSequencesTickBeforeRead : public DocSequences {
protected:
    // Runs until strCommand went out unanswered, then hands its reply to the
    // document as the frame does and lets timer nTimer tick before the view
    // reads it; the sensor answers again from then on.
    void ReplyAfterATick(const std::string& strCommand, const std::string& strReply, uint32_t nTimer)
    {
        m_sensor.unanswered.insert(strCommand);
        for (int n = 0; n < 400 && (Sent().empty() || Sent().back() != strCommand); ++n)
            Wait(500);
        ASSERT_EQ(Sent().back(), strCommand);
        m_pPort->SupplyLine(strReply);
        Doc().CommsDataReceived(true);
        Doc().OnTimer(nTimer);
        m_sensor.unanswered.erase(strCommand);
        Deliver();
    }
};

TEST_F(DocSequencesTickBeforeRead, ALoadLineRefusedIsSentAgainNotTheNextOne)
{
    Doc().LoadNVRAM(WriteFile("a.NVM", "V12,5\r\nV13,7\r\n"));
    ReplyAfterATick("V12,5", "BAD CMD", TIMER_SEQUENCE);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Sent(), (std::vector<std::string>{"V9?", "V9?", kEnable, "V12,5", "V12,5", "V13,7", kRestore}));
    EXPECT_EQ(Ends(WM_INIT_START).back(), 0u) << "accepted on the repeat";
}

TEST_F(DocSequencesTickBeforeRead, ADumpReplyIsRecordedUnderItsOwnCommand)
{
    const std::string strPath = m_folder.Path("d.TXT");
    Doc().DumpAll(strPath);
    ReplyAfterATick("R?", "R 12 34", TIMER_SEQUENCE);
    Wait(2000);
    Doc().CancelSequence();
    Deliver();
    const auto lines = ReadLines(strPath);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.begin() + 7),
              (std::vector<std::string>{"R?", "R 12 34", "V9?", BinaryDisplayForm(0x0001)}));
}

TEST_F(DocSequencesTickBeforeRead, ADataMessageEndsATimedWaitWhateverTheClockDid)
{
    Doc().DumpAll(m_folder.Path("d.TXT"));
    Deliver();
    for (int n = 0; n < 400 && Sent().size() < 173; ++n)
        Wait(500);
    ASSERT_EQ(Sent().back(), "BB?");
    Wait(3000);
    ASSERT_TRUE(Doc().IsAwaitingDataMsg()) << "in the first timed wait";
    // The one-second clock ticks between the data message's arrival and its reading.
    m_pPort->SupplyLine("PW 00,0060,22222,12000");
    Doc().CommsDataReceived(true);
    Doc().OnTimer(TIMER_CLOCK);
    Deliver();
    Wait(500);
    EXPECT_EQ(Sent().back(), "R?") << "the data message ended the wait";
    Doc().CancelSequence();
}

TEST_F(DocSequences, OneSequenceAtATime)
{
    Doc().LoadNVRAM(WriteFile("a.NVM", "V12,5\r\n"));
    Doc().DumpAll(m_folder.Path("dump.TXT"));
    Doc().LoadNVRAM(WriteFile("b.NVM", "V13,5\r\n"));
    EXPECT_EQ(m_host.m_messageBoxes.size(), 2u);
    EXPECT_EQ(m_host.m_messageBoxes[0].first, "A diagnostic save or parameter load is already running");
    EXPECT_EQ(Doc().RunningSequence(), Sequence::NVRAMLoad);
    EXPECT_NE(Doc().RunningSequence(), Sequence::DumpAll);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Sent(), (std::vector<std::string>{"V9?", "V9?", kEnable, "V12,5", kRestore}));

    // A missing file is said and starts nothing.
    Doc().LoadNVRAM(m_folder.Path("missing.NVM"));
    EXPECT_EQ(m_host.m_messageBoxes.back().first, "Cannot Load NVRAM Error 2");
    EXPECT_FALSE(Doc().SequenceRunning());
}

TEST_F(DocSequences, StartingASequenceStopsLogging)
{
    LogSettings settings;
    settings.strPathName = m_folder.Path("a.LOG");
    Doc().SetLogParameters(settings);
    ASSERT_TRUE(Doc().StartLogging(LogStart::Fresh));
    Doc().DumpAll(m_folder.Path("dump.TXT"));
    EXPECT_FALSE(Doc().IsLogging());
    EXPECT_EQ(ViewMessagesOf(WM_LOG_ERROR).back().lParam, 4);
    EXPECT_EQ(Doc().RunningSequence(), Sequence::DumpAll);
}

TEST_F(DocSequences, AlsNvramLoadSwitchesWritingOnAndOff)
{
    Doc().LoadALSNVRAM(WriteFile("als.NVM", ":c\r\nALS-V5,12\r\n"));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Sent(), (std::vector<std::string>{"ALS-OSNVW5", "ALS-V5,12", "ALS-OSNVW0"}));
    EXPECT_EQ(Ends(WM_INIT_START), (std::vector<uintptr_t>{1, 0}));

    m_pPort->ClearSent();
    m_sensor.unanswered.insert("ALS-V5,12");
    Doc().LoadALSNVRAM(WriteFile("als.NVM", "ALS-V5,12\r\n"));
    Wait(3000);
    Doc().CancelSequence();
    Deliver();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"ALS-OSNVW5", "ALS-V5,12", "ALS-OSNVW0"}));
    EXPECT_EQ(Ends(WM_INIT_START).back(), 2u);
}

// ---------------------------------------------------------------------------
// Parameter upload

TEST_F(DocSequences, ParamUploadSendsALinePerReply)
{
    Doc().LoadParamFile(WriteFile("none.txt", ":only a comment\r\n#\r\nOSNVW5\r\n"));
    EXPECT_EQ(Ends(WM_PARAM_LOAD), (std::vector<uintptr_t>{1, 0})) << "start and end at once";
    EXPECT_TRUE(Sent().empty());
    EXPECT_FALSE(Doc().IsFileOpen());

    Doc().LoadParamFile(WriteFile("cal.txt", "OSNVW5\r\nV63,18\r\nOSNVW0\r\n#\r\n"));
    Deliver();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"OSNVW5"}));
    Doc().LoadParamFile(WriteFile("other.txt", "V1,1\r\n"));
    EXPECT_EQ(m_host.m_messageBoxes.back().first, "A diagnostic save or parameter load is already running");
    Wait(500);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"OSNVW5", "V63,18"}));
    Wait(500);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"OSNVW5", "V63,18", "OSNVW0"}));
    Wait(500);
    EXPECT_NE(Doc().RunningSequence(), Sequence::ParamLoad);
    EXPECT_EQ(Ends(WM_PARAM_LOAD), (std::vector<uintptr_t>{1, 0, 1, 0}));
    EXPECT_FALSE(m_timers.IsRunning(TIMER_SEQUENCE));
}

TEST_F(DocSequences, ParamUploadToASilentSensorGoesOnEveryThreeSecondsAndEndsAsUnanswered)
{
    m_sensor.bSilent = true;
    Doc().LoadParamFile(WriteFile("cal.txt", "OSNVW5\r\nV63,18\r\nOSNVW0\r\n"));
    Deliver();
    Wait(2999);
    EXPECT_EQ(Sent().size(), 1u);
    Wait(1);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"OSNVW5", "V63,18"}));
    Wait(6000);
    EXPECT_NE(Doc().RunningSequence(), Sequence::ParamLoad);
    // Nothing the sensor confirmed: the file's own "OSNVW0" went out, and
    // the upload did not finish.
    EXPECT_EQ(Sent(), (std::vector<std::string>{"OSNVW5", "V63,18", "OSNVW0"}));
    EXPECT_EQ(Ends(WM_PARAM_LOAD), (std::vector<uintptr_t>{1, 2}));
    EXPECT_EQ(Doc().GetSeqOutcome().nEnd, SEQ_NO_REPLY);
    EXPECT_TRUE(m_host.m_messageBoxes.empty());
}

TEST_F(DocSequences, ParamLinesThatSendNothingArePassedOverAndAreNoSilence)
{
    // One too long for a command, one empty.
    Doc().LoadParamFile(
        WriteFile("long.txt", "V0," + std::string(MAX_COMMAND_TEXT, '9') + "\r\n\r\nV1,1\r\n"));
    Deliver();
    EXPECT_EQ(Sent(), std::vector<std::string>{"V1,1"}) << "the next line goes in their place";
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Ends(WM_PARAM_LOAD), (std::vector<uintptr_t>{1, 2}));
    EXPECT_EQ(Doc().GetSeqOutcome().nEnd, SEQ_DONE) << "the sensor answered every line sent";
    EXPECT_EQ(Doc().GetSeqOutcome().nLinesTooLong, 1);
}

// Where, in the order posted, the views heard of the first command sent and
// of the upload's end.
struct CommandAndEnd {
    size_t nCommand = SIZE_MAX;
    size_t nEnd = SIZE_MAX;
};

class DocParamUploadEnds : public DocSequences {
protected:
    // An upload that stops at its "V63,18" (the calibration's file unless
    // told): the sensor has switched NVRAM writing on and does not answer the
    // value. What was posted so far is forgotten.
    void StartStuckUpload(const std::string& strFile = "OSNVW5\r\nV63,18\r\nOSNVW0\r\n#\r\n")
    {
        m_sensor.unanswered.insert("V63,18");
        Doc().LoadParamFile(WriteFile("cal.txt", strFile));
        Deliver();
        Wait(500);
        ASSERT_EQ(Sent(), (std::vector<std::string>{"OSNVW5", "V63,18"}));
        m_host.ClearMessages();
        m_pPump->Restart();
    }

    CommandAndEnd Order(uintptr_t wEnd)
    {
        CommandAndEnd order;
        const auto messages = m_host.ViewMessages().Messages();
        for (size_t n = 0; n < messages.size(); ++n) {
            if (messages[n].nMsg == WM_COMMS_COMMAND && order.nCommand == SIZE_MAX)
                order.nCommand = n;
            if (messages[n].nMsg == WM_PARAM_LOAD && messages[n].wParam == wEnd)
                order.nEnd = n;
        }
        return order;
    }

    void ExpectWritingSwitchedOffBeforeTheEnd(int nEnd)
    {
        EXPECT_NE(Doc().RunningSequence(), Sequence::ParamLoad);
        EXPECT_EQ(Sent(), (std::vector<std::string>{"OSNVW5", "V63,18", "OSNVW0"}));
        EXPECT_EQ(Doc().GetSeqOutcome().nEnd, nEnd);
        const CommandAndEnd order = Order(2);
        ASSERT_NE(order.nEnd, SIZE_MAX) << "ended as failed";
        EXPECT_LT(order.nCommand, order.nEnd) << "the views hear of the OSNVW0 first";
        EXPECT_FALSE(Doc().IsFileOpen());
    }
};

TEST_F(DocParamUploadEnds, ACancelAfterTheWriteEnableSwitchesWritingOff)
{
    StartStuckUpload();
    Doc().CancelSequence();
    Deliver();
    ExpectWritingSwitchedOffBeforeTheEnd(SEQ_CANCELLED);

    // A file that never switched writing on, or switched it off already,
    // gets no "OSNVW0" of the document's own.
    for (const char* szFile : {"V1,1\r\nV2,2\r\n", "OSNVW5\r\nOSNVW0\r\nV2,2\r\n"}) {
        m_pPort->ClearSent();
        m_sensor.unanswered = {"V1,1", "V2,2"};
        Doc().LoadParamFile(WriteFile("other.txt", szFile));
        Deliver();
        Wait(1000);
        const auto sent = Sent();
        ASSERT_FALSE(sent.empty());
        ASSERT_EQ(sent.back().front(), 'V') << szFile;
        Doc().CancelSequence();
        Deliver();
        EXPECT_EQ(Sent(), sent) << szFile;
    }
}

TEST_F(DocParamUploadEnds, AConnectionClosedMidUploadSwitchesWritingOffFirst)
{
    StartStuckUpload();
    Doc().CloseConnection(false);
    ExpectWritingSwitchedOffBeforeTheEnd(SEQ_CONNECTION_CLOSED);
}

TEST_F(DocParamUploadEnds, AnUnansweredWriteEnableIsSwitchedOffWhenTheFileForgetsIt)
{
    StartStuckUpload("OSNVW5\r\nV63,18\r\n");
    Wait(3000);
    ExpectWritingSwitchedOffBeforeTheEnd(SEQ_NO_REPLY);
}

TEST_F(DocParamUploadEnds, AHungUpLinkIsNotWrittenTo)
{
    StartStuckUpload();
    m_pPort->HangUp();
    ASSERT_TRUE(m_pPump->PumpUntil([&] { return !Doc().IsConnected(); }));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"OSNVW5", "V63,18"}));
    EXPECT_EQ(Ends(WM_PARAM_LOAD), (std::vector<uintptr_t>{2}));
    EXPECT_EQ(Doc().GetSeqOutcome().nEnd, SEQ_CONNECTION_LOST);
}

// ---------------------------------------------------------------------------
// Diagnostic dump

TEST_F(DocSequences, DumpAsksEverythingInOrderAndRecordsEachReply)
{
    m_sensor.wOpState = 0x0003;  // automatic output, calculated on demand
    const std::string strPath = m_folder.Path("sensor 7.TXT");
    Doc().DumpAll(strPath);
    // The sensor gives no data messages of its own: every timed wait runs out.
    ASSERT_TRUE(RunToEnd());
    auto expected = ExpectedDumpCommands(true);
    expected[3] = "OS0000000000000010";
    expected[expected.size() - 2] = "OS0000000000000011";
    EXPECT_EQ(Sent(), expected);
    EXPECT_EQ(Ends(WM_START_SEQ), (std::vector<uintptr_t>{1, 0}));
    EXPECT_TRUE(m_host.m_messageBoxes.empty());

    const auto lines = ReadLines(strPath);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], ":Orvan Diagnostic capture for sensor Serial Number sensor 7.TXT");
    EXPECT_EQ(lines[1], ": 01:30:05, 08/12/2026");
    EXPECT_EQ(lines[2], "D?PW 00,0060,12345,12000");
    EXPECT_EQ(lines[3], "R?");
    EXPECT_EQ(lines[4], "R OK");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "V12,120"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "V149,1490"), lines.end());
    // A whole dump says nothing more before its end lines.
    EXPECT_EQ(LastLines(strPath, 4),
              (std::vector<std::string>{"V9?", BinaryDisplayForm(0x0003), "#", "Diagnostic Save Finished"}));
    EXPECT_EQ(m_sensor.wOpState, 0x0003) << "the state read is restored";

    // A second dump while one runs starts nothing.
    m_pPort->ClearSent();
    Doc().DumpAll(strPath);
    Doc().DumpAll(strPath);
    EXPECT_EQ(m_host.m_messageBoxes.size(), 1u);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"D?"}));
}

TEST_F(DocSequences, DumpWithoutAReadableStateWritesNoOs)
{
    m_sensor.replies["V9?"] = "BAD CMD";
    Doc().DumpAll(m_folder.Path("d.TXT"));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Sent(), ExpectedDumpCommands(false));
    EXPECT_TRUE(Doc().GetSeqOutcome().bOpStateKept);
    EXPECT_EQ(Ends(WM_START_SEQ).back(), 0u);
    const auto lines = ReadLines(m_folder.Path("d.TXT"));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "BAD CMD"), lines.end()) << "the reply is recorded";
}

TEST_F(DocSequences, DumpPutsBackTheStateItReadWhateverItsOwnV9QueryIsAnswered)
{
    // The dump asks "V9?" again among the variables, after it changed the
    // state: a 17-character answer there that is no register value must not
    // stop the state read at the start from being written back.
    m_sensor.wOpState = 0x0003;
    int nV9 = 0;
    m_pPort->m_responder = [this, &nV9](const std::string& strLine) {
        if (strLine == "V9?" && ++nV9 == 2)
            return std::vector<std::string>{"BAD CMD BAD CMD X\r\n"};
        return m_sensor.Answer(strLine);
    };
    Doc().DumpAll(m_folder.Path("d.TXT"));
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(nV9, 3);
    auto expected = ExpectedDumpCommands(true);
    expected[3] = "OS0000000000000010";
    expected[expected.size() - 2] = "OS0000000000000011";
    EXPECT_EQ(Sent(), expected);
    EXPECT_EQ(m_sensor.wOpState, 0x0003) << "the state read is restored";
    EXPECT_FALSE(Doc().GetSeqOutcome().bOpStateKept);
}

TEST_F(DocSequences, DumpSerialNumberStartupLinesAndDataMessages)
{
    m_sensor.unanswered.insert("SN?");
    m_sensor.replies["OS0000000000000000"] = "Sensor Startup";
    const std::string strPath = m_folder.Path("d.TXT");
    Doc().DumpAll(strPath);
    ASSERT_TRUE(RunToEnd());
    const auto lines = ReadLines(strPath);
    auto at = [&](const std::string& strLine) {
        return std::find(lines.begin(), lines.end(), strLine) - lines.begin();
    };
    const auto nSerial = at("SN?");
    ASSERT_LT(nSerial + 2, static_cast<std::ptrdiff_t>(lines.size()));
    EXPECT_EQ(lines[nSerial + 1], "");
    EXPECT_EQ(lines[nSerial + 2], "SERIAL NUMBER NOT SET");
    EXPECT_EQ(lines[nSerial + 3], "V0,0");
    const auto nOs = at("OS0000000000000000");
    EXPECT_EQ(lines[nOs + 1], "");
    EXPECT_EQ(lines[nOs + 2], "Sensor Startup");
}

TEST_F(DocSequences, DumpWaitsEndAtTheFirstDataMessage)
{
    const std::string strPath = m_folder.Path("d.TXT");
    Doc().DumpAll(strPath);
    Deliver();
    // Up to the first timed wait.
    for (int n = 0; n < 400 && Sent().size() < 173; ++n)
        Wait(500);
    ASSERT_EQ(Sent().back(), "BB?");
    Wait(10000);
    EXPECT_EQ(Sent().back(), "BB?") << "still waiting";
    Line("PW 00,0060,22222,12000");
    Wait(500);
    EXPECT_EQ(Sent().back(), "R?") << "the data message ended the wait";
    ASSERT_TRUE(RunToEnd());
    const auto lines = ReadLines(strPath);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "PW 00,0060,22222,12000"), lines.end());
}

TEST_F(DocSequences, DumpUnansweredEndsOnceWithItsEndLines)
{
    m_sensor.bSilent = true;
    const std::string strPath = m_folder.Path("d.TXT");
    Doc().DumpAll(strPath);
    Deliver();
    Wait(50 * 500);
    EXPECT_EQ(Doc().RunningSequence(), Sequence::DumpAll);
    Wait(1000);
    EXPECT_NE(Doc().RunningSequence(), Sequence::DumpAll);
    EXPECT_EQ(Ends(WM_START_SEQ), (std::vector<uintptr_t>{1, 0}));
    ASSERT_EQ(m_host.m_messageBoxes.size(), 1u);
    EXPECT_EQ(m_host.m_messageBoxes[0].first, "No Reply from Sensor, Check connections");
    // The comment takes a line of its own; the end lines stay as tools expect them.
    EXPECT_EQ(LastLines(strPath, 4),
              (std::vector<std::string>{"D?", ":Incomplete: no reply from the sensor at step 0 (D?)", "#",
                                        "Diagnostic Save Finished"}));
    // What the list and the console show instead of the finished line.
    EXPECT_EQ(
        SequenceEndLines(*SequenceProgressFor(WM_START_SEQ), 0, Doc().GetSeqOutcome()),
        (std::vector<std::string>{"Diagnostic Save Incomplete: no reply from the sensor at step 0 (D?)"}));

    // Silent at a later step: that step and its query are named.
    m_sensor.bSilent = false;
    m_sensor.unanswered.insert("V12?");
    Doc().DumpAll(strPath);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Doc().GetSeqOutcome().nEnd, SEQ_NO_REPLY);
    EXPECT_EQ(LastLines(strPath, 4),
              (std::vector<std::string>{"V11,110", ":Incomplete: no reply from the sensor at step 26 (V12?)",
                                        "#", "Diagnostic Save Finished"}));
}

TEST_F(DocSequences, CancelOrCloseMidDumpPutsTheStateBackAndEndsTheFile)
{
    const std::string strPath = m_folder.Path("d.TXT");
    Doc().DumpAll(strPath);
    Wait(5000);  // past the polled-output "OS"
    ASSERT_GT(Doc().GetSeqStep(), 4);
    Doc().CancelSequence();
    Deliver();
    EXPECT_NE(Doc().RunningSequence(), Sequence::DumpAll);
    EXPECT_EQ(Sent().back(), kRestore);
    EXPECT_EQ(m_sensor.wOpState, 0x0001);
    EXPECT_EQ(LastLines(strPath, 3),
              (std::vector<std::string>{":Incomplete: cancelled", "#", "Diagnostic Save Finished"}));
    EXPECT_TRUE(m_host.m_messageBoxes.empty()) << "a cancel is no missing reply";

    Doc().DumpAll(strPath);
    Wait(5000);
    Doc().CloseConnection(false);
    Deliver();
    EXPECT_NE(Doc().RunningSequence(), Sequence::DumpAll);
    EXPECT_EQ(Ends(WM_START_SEQ), (std::vector<uintptr_t>{1, 0, 1, 0}));
    EXPECT_EQ(LastLines(strPath, 3), (std::vector<std::string>{":Incomplete: the connection was closed", "#",
                                                               "Diagnostic Save Finished"}));
    EXPECT_FALSE(m_timers.IsRunning(TIMER_SEQUENCE));

    // The sensor's end hangs up.
    Connect();
    m_pPump->Restart();
    Doc().DumpAll(strPath);
    Wait(5000);
    m_pPort->HangUp();
    ASSERT_TRUE(m_pPump->PumpUntil([&] { return !Doc().IsConnected(); }));
    EXPECT_NE(Doc().RunningSequence(), Sequence::DumpAll);
    EXPECT_EQ(LastLines(strPath, 3), (std::vector<std::string>{":Incomplete: the connection was lost", "#",
                                                               "Diagnostic Save Finished"}));
}

// ---------------------------------------------------------------------------
// ALS dump

TEST_F(DocSequences, AlsDumpAsksItsTableAndRecordsVariablesOnOneLine)
{
    m_sensor.unanswered.insert("ALS-S?");
    // A name in the technician's language, in the file system and in the header.
    const std::string strPath = m_folder.Path("ALS Données.TXT");
    Doc().DumpALS(strPath);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Sent(), ExpectedAlsDumpCommands());
    EXPECT_EQ(Ends(WM_ALS_DUMP), (std::vector<uintptr_t>{1, 0}));
    const auto lines = ReadLines(strPath);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], ":Orvan Diagnostic capture for ALS Serial Number ALS Données.TXT");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "ALS-V5,5"), lines.end());
    const auto nSerial = std::find(lines.begin(), lines.end(), "ALS-S?") - lines.begin();
    EXPECT_EQ(lines[nSerial + 2], "SERIAL NUMBER NOT SET");
    EXPECT_EQ(lines.back(), "ALS Diagnostic Save Finished");
}

TEST_F(DocSequences, AlsDumpResendsASilentQueryButNotForEver)
{
    m_sensor.unanswered.insert("ALS-C?");
    Doc().DumpALS(m_folder.Path("als.TXT"));
    ASSERT_TRUE(RunToEnd(120000));
    const auto sent = Sent();
    const auto nResent = std::count(sent.begin(), sent.end(), "ALS-C?");
    EXPECT_GT(nResent, 40) << "sent again on every tick";
    EXPECT_LE(nResent, 82);
    EXPECT_EQ(Ends(WM_ALS_DUMP), (std::vector<uintptr_t>{1, 0}));
    EXPECT_EQ(Doc().GetSeqOutcome().nEnd, SEQ_NO_REPLY);
    EXPECT_EQ(m_host.m_messageBoxes.size(), 1u);
    EXPECT_EQ(LastLines(m_folder.Path("als.TXT"), 3),
              (std::vector<std::string>{":Incomplete: no reply from the sensor at step 5 (ALS-C?)", "#",
                                        "ALS Diagnostic Save Finished"}));
}

}  // namespace
}  // namespace halyard::test
