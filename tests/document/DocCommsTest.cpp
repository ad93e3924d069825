// The document's protocol engine on a fake port: framing on the wire, the
// command ring's flow control, and what received lines do.
#include <fstream>

#include "DocFixture.h"
#include "TempFolder.h"
#include "DocTestAccess.h"
#include "document/DocMessages.h"

namespace halyard::test {
namespace {

using DocComms = DocFixture;

TEST_F(DocComms, NothingIsQueuedWhileDisconnectedOrEmpty)
{
    EXPECT_FALSE(Doc().SendCommand("R?", true));
    Connect();
    EXPECT_FALSE(Doc().SendCommand("", true));
    EXPECT_TRUE(m_pPort->Sent().empty());
    EXPECT_EQ(m_host.ViewCount(WM_COMMS_COMMAND), 0u);
}

TEST_F(DocComms, AddressedCommandOnTheWireAndItsEcho)
{
    Connect();
    Doc().SetAddress(7);
    Doc().EnableRS485(1);
    ASSERT_TRUE(Doc().SendCommand("R?", true));
    const std::string strExpected = FrameCommand("R?", true, 7, false);
    EXPECT_EQ(m_pPort->Sent(), strExpected + "\r\n");
    EXPECT_EQ(strExpected.substr(0, 5), ":07R?");

    const auto commands = ViewMessagesOf(WM_COMMS_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, strExpected.size() + 2);
    EXPECT_EQ(commands[0].lParam, 0);
    EXPECT_EQ(CollectEcho(), strExpected);
    const auto rs485 = ViewMessagesOf(WM_RS485_ENABLE);
    ASSERT_EQ(rs485.size(), 1u);
    EXPECT_EQ(rs485[0], (PostedMessage{WM_RS485_ENABLE, 1, 7}));
}

TEST_F(DocComms, QueuedCommandsGoOutOnePerReply)
{
    Connect();
    ASSERT_TRUE(Doc().SendCommand("A1", true));
    ASSERT_TRUE(Doc().SendCommand("B2", true));
    ASSERT_TRUE(Doc().SendCommand("C3", true));
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"A1"}));

    EXPECT_EQ(CollectEcho(), "A1");
    EXPECT_EQ(m_pPort->SentLines().size(), 1u);
    Receive({"reply1\r\n"});
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"A1", "B2"}));
    EXPECT_EQ(CollectEcho(), "B2");
    Receive({"reply2\r\n"});
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"A1", "B2", "C3"}));
    EXPECT_EQ(CollectEcho(), "C3");
    Receive({"reply3\r\n"});
    EXPECT_EQ(m_pPort->SentLines().size(), 3u);
    EXPECT_EQ(Doc().PendingCommands(), 0);

    // Slots carry their index in lParam.
    const auto commands = ViewMessagesOf(WM_COMMS_COMMAND);
    ASSERT_EQ(commands.size(), 3u);
    for (size_t i = 0; i < commands.size(); ++i)
        EXPECT_EQ(commands[i].lParam, static_cast<intptr_t>(i));
}

TEST_F(DocComms, AReplyBeforeTheEchoIsCollectedSendsNothingTwice)
{
    Connect();
    ASSERT_TRUE(Doc().SendCommand("A1", true));
    ASSERT_TRUE(Doc().SendCommand("B2", true));
    // The answer is taken while A1 is still in flight: A1 is not sent again.
    Receive({"reply0\r\n"});
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"A1"}));
    // Collecting the echo then lets B2 go, since its reply is already in.
    EXPECT_EQ(CollectEcho(), "A1");
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"A1", "B2"}));
    EXPECT_EQ(CollectEcho(), "B2");
    EXPECT_EQ(m_pPort->SentLines().size(), 2u);
    EXPECT_EQ(Doc().PendingCommands(), 0);
}

TEST_F(DocComms, TheRingRefusesA25thUnsentCommandAndOverlongText)
{
    Connect();
    int nAccepted = 0;
    for (int i = 0; i < 30; ++i)
        nAccepted += Doc().SendCommand("C" + std::to_string(i), true) ? 1 : 0;
    EXPECT_EQ(nAccepted, CMD_QUEUE_SLOTS - 1);
    EXPECT_EQ(Doc().PendingCommands(), CMD_QUEUE_SLOTS - 1);

    // Nothing was overwritten: every accepted command goes out in order.
    for (int i = 0; i < nAccepted; ++i) {
        EXPECT_EQ(CollectEcho(), "C" + std::to_string(i));
        Receive({"ok\r\n"});
    }
    EXPECT_EQ(m_pPort->SentLines().size(), static_cast<size_t>(nAccepted));
    EXPECT_EQ(m_pPort->SentLines().back(), "C23");

    EXPECT_TRUE(Doc().SendCommand(std::string(MAX_COMMAND_TEXT, 'x'), true));
    CollectEcho();
    EXPECT_FALSE(Doc().SendCommand(std::string(MAX_COMMAND_TEXT + 1, 'x'), true));
    Doc().EnableRS485(1);
    Receive({"ok\r\n"});
    m_pPort->ClearSent();
    EXPECT_TRUE(Doc().SendCommand(std::string(MAX_COMMAND_TEXT, 'y'), true));
    EXPECT_EQ(m_pPort->Sent().size(), CMD_SLOT_SIZE);
}

TEST_F(DocComms, ShortCollectDoesNotAdvance)
{
    Connect();
    Doc().SendCommand("R?", true);
    std::string strEcho = "unchanged";
    Doc().GetCommsCommand(strEcho, 2);
    EXPECT_EQ(strEcho, "unchanged");
    EXPECT_EQ(Doc().GetCmdRead(), 0);
    EXPECT_TRUE(Doc().IsSending());
}

TEST_F(DocComms, AddressedReplySwitchesModeAndIsStripped)
{
    Connect();
    ASSERT_FALSE(Doc().IsRS485());
    const std::string strReply = FrameCommand("PW 1234", true, 3, true);
    const auto lines = Receive({strReply});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], strReply.substr(0, strReply.size() - 2));  // listed with prefix and LRC
    EXPECT_TRUE(Doc().IsRS485());
    EXPECT_EQ(Doc().GetAddress(), 3);
    EXPECT_TRUE(Doc().GotDataMessage());  // classified after stripping
    const auto rs485 = ViewMessagesOf(WM_RS485_ENABLE);
    ASSERT_EQ(rs485.size(), 1u);
    EXPECT_EQ(rs485[0], (PostedMessage{WM_RS485_ENABLE, 1, 3}));
}

TEST_F(DocComms, BadChecksumAndBadFormatAreListed)
{
    Connect();
    std::string strReply = FrameCommand("PW 1234", true, 3, true);
    strReply[strReply.size() - 3] = static_cast<char>(std::tolower(strReply[strReply.size() - 3]));
    strReply[strReply.size() - 4] = '9';
    auto lines = Receive({strReply});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "Bad Checksum\n");
    EXPECT_EQ(Doc().GetAddress(), 3);  // still stripped and taken

    Doc().EnableRS485(1);
    lines = Receive({"PW 12\r\n"});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "PW 12");
    EXPECT_EQ(lines[1], "Bad Data Format\n");
    EXPECT_TRUE(Doc().GotDataMessage());  // classified unstripped

    lines = Receive({":03R?\r\n"});  // LF before index 8
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "Bad Data Format\n");
}

TEST_F(DocComms, TwoLinesInOnePacketAndControlBytes)
{
    Connect();
    // "BAD CMD" is watched for while an NVRAM load runs.
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    std::ofstream(folder.Path("a.NVM")) << "V12,5\r\n";
    Doc().LoadNVRAM(folder.Path("a.NVM"));
    ASSERT_EQ(Doc().RunningSequence(), Sequence::NVRAMLoad);
    auto lines = Receive({"BAD CMD\r\nPW 1\x01\xff\r\n"});
    EXPECT_EQ(lines, (std::vector<std::string>{"BAD CMD", "PW 1"}));
    EXPECT_TRUE(Doc().GotDataMessage());
    EXPECT_FALSE(Doc().IsBadCmd());  // only the packet's last line is watched

    lines = Receive({"PW 1\r\nBAD CMD\r\n"});
    EXPECT_TRUE(Doc().IsBadCmd());
    Doc().CancelSequence();

    lines = Receive({"no end"});
    EXPECT_EQ(lines, (std::vector<std::string>{"no end"}));
}

TEST_F(DocComms, FirstDataMessageIsAnnouncedOnceWithThePqdFlag)
{
    Connect();
    Receive({"TPQD015 1\r\n", "Orvan Sensor Startup\r\n"});
    EXPECT_EQ(m_host.ViewCount(WM_FIRST_DATA_MSG), 0u);
    EXPECT_TRUE(Doc().IsSensorStartup());
    EXPECT_FALSE(Doc().IsPQDSensor());  // the test form leaves the flag alone

    Receive({"PQD025 1 2\r\n"});
    Receive({"PW 1\r\n", "PQD025 3\r\n"});
    const auto first = ViewMessagesOf(WM_FIRST_DATA_MSG);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0], (PostedMessage{WM_FIRST_DATA_MSG, 1, 0}));
    EXPECT_TRUE(Doc().IsPQDSensor());
}

TEST_F(DocComms, DataNoticeCarriesTheLastLengthAndElevenPacketsAtMost)
{
    Connect();
    for (int i = 0; i < 13; ++i)
        m_pPort->SupplyLine("line" + std::to_string(i));
    m_pPort->SupplyLine("last12345");
    Doc().CommsDataReceived(true);
    EXPECT_EQ(m_pPort->PacketsWaiting(), 3u);
    auto data = ViewMessagesOf(WM_COMMS_DATA);
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data[0].wParam, 8u);  // "line10\r\n"
    EXPECT_EQ(CollectLines().size(), 11u);
    // The port signalled once for the whole burst: the frame is asked to come
    // back for the rest rather than leave it until the sensor's next line.
    EXPECT_EQ(m_host.FrameMessages().Messages(), (std::vector<PostedMessage>{{WM_COMMS_EVENT, 1, 0}}));

    Doc().CommsDataReceived(false);
    EXPECT_EQ(m_pPort->PacketsWaiting(), 3u);
    Doc().CommsDataReceived(true);
    EXPECT_EQ(ViewMessagesOf(WM_COMMS_DATA).back().wParam, 11u);
    EXPECT_EQ(CollectLines(), (std::vector<std::string>{"line11", "line12", "last12345"}));
    EXPECT_EQ(m_host.FrameCount(WM_COMMS_EVENT), 1u);  // all taken: no second call-back

    Doc().CommsDataReceived(true);  // nothing waiting: no notice
    EXPECT_EQ(ViewMessagesOf(WM_COMMS_DATA).size(), 2u);
}

TEST_F(DocComms, LinesTheQueueHadNoRoomForAreToldOncePerBurst)
{
    Connect();
    for (int i = 0; i < 50; ++i)
        m_pPort->SupplyLine("line" + std::to_string(i));
    m_pPort->Supply("two\r\nlines\r\n");  // one packet of two lines
    // A busy UI thread: the frame takes five helpings before the view reads any.
    for (int n = 0; n < 5; ++n)
        Doc().CommsDataReceived(true);
    ASSERT_EQ(m_pPort->PacketsWaiting(), 0u);
    const auto lines = TakeReceivedLines(Doc(), 0);
    ASSERT_EQ(lines.size(), 40u);
    EXPECT_EQ(lines.back(), "line39");
    EXPECT_EQ(TakeLinesDroppedNotice(Doc()),
              "(12 lines not shown: they came in faster than they could be shown)");
    EXPECT_EQ(TakeLinesDroppedNotice(Doc()), "") << "told once";

    // A burst the queue can hold loses nothing; the next one too large has its own count.
    EXPECT_EQ(Receive({"after\r\n"}), (std::vector<std::string>{"after"}));
    EXPECT_EQ(TakeLinesDroppedNotice(Doc()), "");
    for (int i = 0; i < 41; ++i)
        m_pPort->SupplyLine("again" + std::to_string(i));
    for (int n = 0; n < 4; ++n)
        Doc().CommsDataReceived(true);
    EXPECT_EQ(TakeReceivedLines(Doc(), 0).size(), 40u);
    EXPECT_EQ(TakeLinesDroppedNotice(Doc()), "(1 line not shown: it came in faster than it could be shown)");
}

TEST_F(DocComms, AddressReplyOnlyWhenNoRegisterIsAwaited)
{
    Connect();
    Doc().SendCommand("OS?", true);
    CollectEcho();
    Doc().SendCommand("ADR?", true);
    Receive({"00000000,00100001\r\n"});
    EXPECT_TRUE(Doc().IsOpStateValid());
    EXPECT_EQ(Doc().GetOpState(), 0x0021);
    EXPECT_TRUE(Doc().IsAwaitADR());
    EXPECT_EQ(m_host.ViewCount(WM_RS485_ENABLE), 0u);

    CollectEcho();
    Receive({"42\r\n"});
    EXPECT_FALSE(Doc().IsAwaitADR());
    EXPECT_EQ(Doc().GetAddress(), 42);
    const auto rs485 = ViewMessagesOf(WM_RS485_ENABLE);
    ASSERT_EQ(rs485.size(), 1u);
    EXPECT_EQ(rs485[0], (PostedMessage{WM_RS485_ENABLE, 0, 42}));
}

TEST_F(DocComms, RegisterReplyLengthRules)
{
    Connect();
    Doc().SendCommand("OP?", true);
    CollectEcho();
    Receive({"00000000,00100001123456789\r\n"});  // 26: ignored
    EXPECT_TRUE(Doc().IsAwaitOP());
    Receive({" 00000000,00100001xyz\r\n"});  // blank off, cut to 17
    EXPECT_FALSE(Doc().IsAwaitOP());
    EXPECT_TRUE(Doc().IsOptionsValid());
    EXPECT_EQ(Doc().GetOptions(), 0x0021);

    // Both awaited: the options word answers first.
    Doc().SendCommand("OS?OP?", true);
    CollectEcho();
    Receive({"00000000,00000011\r\n"});
    EXPECT_EQ(Doc().GetOptions(), 0x0003);
    EXPECT_TRUE(Doc().IsAwaitOS());
    Receive({"PW 1 data\r\n"});  // a data message is never a register reply
    EXPECT_TRUE(Doc().IsAwaitOS());
    Receive({"1234\r\n"});  // too short: still outstanding
    EXPECT_TRUE(Doc().IsAwaitOS());
    Receive({"12345\r\n"});
    EXPECT_FALSE(Doc().IsAwaitOS());
    EXPECT_EQ(Doc().GetOpState(), 12345);  // decimal while connected
}

TEST_F(DocComms, DecimalOperatingStateOnlyWhileDecimalIsOn)
{
    Connect();
    DocTestAccess::SetOpState(Doc(), 0x00FF);
    DocTestAccess::SetOSDecimal(Doc(), false);
    Doc().SendCommand("V9?", true);
    CollectEcho();
    Receive({"12345\r\n"});
    EXPECT_TRUE(Doc().IsOpStateValid());
    EXPECT_EQ(Doc().GetOpState(), 0x00FF);

    DocTestAccess::SetOSDecimal(Doc(), true);
    Doc().SendCommand("V9?", true);
    CollectEcho();
    Receive({"BAD CMD\r\n"});  // cut to five characters, ends the request
    EXPECT_FALSE(Doc().IsAwaitOS());
    EXPECT_EQ(Doc().GetOpState(), 0);
}

TEST_F(DocComms, GettersForcedAndUnforced)
{
    Connect();
    uint16_t w = 0xFFFF;
    EXPECT_FALSE(Doc().GetOperatingState(&w, false));
    EXPECT_EQ(w, 0);
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"V9?"}));
    EXPECT_FALSE(Doc().GetOperatingState(&w, true));  // outstanding: nothing more sent
    EXPECT_EQ(m_pPort->SentLines().size(), 1u);

    CollectEcho();
    Receive({"10100000,00000001\r\n"});
    EXPECT_TRUE(Doc().GetOperatingState(&w, false));
    EXPECT_EQ(w, 0xA001);
    EXPECT_EQ(m_pPort->SentLines().size(), 1u);

    w = 0;
    EXPECT_FALSE(Doc().GetOperatingState(&w, true));  // forced: old value copied, asks again
    EXPECT_EQ(w, 0xA001);
    EXPECT_EQ(m_pPort->SentLines().back(), "V9?");

    CollectEcho();
    Receive({"10100000,00000011\r\n"});
    EXPECT_TRUE(Doc().GetOperatingState(&w, false));
    EXPECT_EQ(w, 0xA003);

    uint16_t wOpt = 1;
    EXPECT_FALSE(Doc().GetOptionsWord(&wOpt, false));
    EXPECT_EQ(wOpt, 0);
    CollectEcho();
    Receive({"00000000,10000000\r\n"});
    EXPECT_TRUE(Doc().GetOptionsWord(&wOpt, false));
    EXPECT_EQ(wOpt, OPT_RS485);
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"V9?", "V9?", "OP?"}));
}

TEST_F(DocComms, LrcOfTheSlotBeingFilled)
{
    Connect();
    Doc().SetAddress(1);
    Doc().EnableRS485(1);
    // Slot 0 holds the framed command after sending; fill slot 1 by hand.
    const std::string strFrame = ":01OS?";
    DocTestAccess::FillCommandSlot(Doc(), 1, strFrame);
    uint8_t byLrc = 0;
    Doc().CalculateLRCChecksum(static_cast<uint32_t>(strFrame.size()), byLrc);
    EXPECT_EQ(byLrc, 0xBE);
}

}  // namespace
}  // namespace halyard::test
