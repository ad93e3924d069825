// Connecting, closing, time-outs and the watcher thread's end, on a fake port.
#include <cstdio>
#include <thread>

#include "DocFixture.h"
#include "WaitUntil.h"
#include "document/DocMessages.h"

namespace halyard::test {
namespace {

using DocConnection = DocFixture;

TEST_F(DocConnection, ConnectOpensThePortAndTellsViewsThenFrame)
{
    m_strModelReply = "00025";
    Doc().SetUpPortAndBaudRate(12, 1200);
    ASSERT_TRUE(Doc().ConnectToSensor());
    EXPECT_EQ(m_pPort->m_strOpenedName, "\\\\.\\COM12");
    EXPECT_TRUE(Doc().IsConnected());
    EXPECT_EQ(Doc().GetPortStatus(), " COM12 1200,n,8,1");
    EXPECT_EQ(m_host.m_titles.back(), "COM12");
    EXPECT_EQ(Doc().GetModelName(), "PQD-025");
    EXPECT_EQ(Doc().GetModelNumber(), 25);
    EXPECT_TRUE(Doc().IsPQDSensor());
    EXPECT_TRUE(Doc().IsOSDecimal());

    const auto log = m_host.Log();
    std::vector<LoggedMessage> opens;
    for (const auto& logged : log)
        if (logged.message.nMsg == WM_COMMS_OPEN)
            opens.push_back(logged);
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].target, Target::Views);
    EXPECT_EQ(opens[1].target, Target::Frame);
    EXPECT_EQ(opens[0].message, (PostedMessage{WM_COMMS_OPEN, 0, 1}));
    EXPECT_EQ(opens[1].message, (PostedMessage{WM_COMMS_OPEN, 0, 1}));
}

TEST_F(DocConnection, PortBelowTenUsesTheShortName)
{
    Doc().SetUpPortAndBaudRate(9, 9600);
    ASSERT_TRUE(Doc().ConnectToSensor());
    EXPECT_EQ(m_pPort->m_strOpenedName, "COM9:");
    EXPECT_EQ(Doc().GetPortStatus(), " COM9 9600,n,8,1");
    EXPECT_FALSE(Doc().IsPQDSensor());
}

TEST_F(DocConnection, NoSensorMeansNoConnectAndAnEmptyTitle)
{
    m_strModelReply.clear();
    EXPECT_FALSE(Doc().ConnectToSensor());
    EXPECT_FALSE(Doc().IsConnected());
    EXPECT_EQ(m_host.ViewCount(WM_COMMS_NO_CONNECT), 1u);
    EXPECT_EQ(m_host.ViewCount(WM_COMMS_OPEN), 0u);
    EXPECT_EQ(m_pPort->m_nInitCalls, 0);
    EXPECT_EQ(m_host.m_titles.back(), "");
    EXPECT_FALSE(Doc().SendCommand("R?", true));
}

TEST_F(DocConnection, PortThatWillNotOpenAfterIdentificationIsReported)
{
    m_pPort->m_bOpenSucceeds = false;
    EXPECT_FALSE(Doc().ConnectToSensor());
    EXPECT_EQ(m_host.ViewCount(WM_COMMS_NO_CONNECT), 1u);
    EXPECT_EQ(m_host.ViewCount(WM_COMMS_OPEN), 0u);
    EXPECT_EQ(m_host.m_titles.back(), "");
}

TEST_F(DocConnection, ConnectResetsRingAndRegisters)
{
    Connect();
    Doc().SendCommand("V9?", true);
    CollectEcho();
    Receive({"00000000,00000101\r\n"});
    ASSERT_TRUE(Doc().IsOpStateValid());
    ASSERT_EQ(Doc().GetOpState(), 5);
    Doc().SendCommand("OS?", true);
    Doc().SendCommand("OP?", true);
    Doc().CloseConnection(false);
    Connect();
    EXPECT_EQ(Doc().PendingCommands(), 0);
    EXPECT_FALSE(Doc().IsSending());
    EXPECT_FALSE(Doc().IsAwaitOS());
    EXPECT_FALSE(Doc().IsAwaitOP());
    EXPECT_EQ(Doc().GetOpState(), 0);
    EXPECT_FALSE(Doc().IsOpStateValid());
    EXPECT_TRUE(Doc().SendCommand("R?", true));
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"R?"}));
}

TEST_F(DocConnection, CloseResetsStateTellsEveryoneAndPauses)
{
    Connect();
    Doc().SendCommand("V9?", true);
    const auto slept = m_clock.Slept();
    Doc().CloseConnection(false);
    EXPECT_EQ(m_clock.Slept() - slept, std::chrono::milliseconds(1000));
    EXPECT_FALSE(Doc().IsConnected());
    EXPECT_FALSE(Doc().IsAwaitOS());
    EXPECT_FALSE(Doc().IsOSDecimal());
    EXPECT_EQ(Doc().GetPortStatus(), "");
    EXPECT_EQ(m_host.m_titles.back(), "");
    EXPECT_EQ(m_pPort->m_nCloseCalls, 1);

    std::vector<LoggedMessage> opens;
    for (const auto& logged : m_host.Log())
        if (logged.message.nMsg == WM_COMMS_OPEN)
            opens.push_back(logged);
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].target, Target::Views);
    EXPECT_EQ(opens[0].message, (PostedMessage{WM_COMMS_OPEN, 1, 0}));
    EXPECT_EQ(opens[1].target, Target::Frame);
    EXPECT_EQ(m_host.ViewCount(WM_POLL_STOP), 1u);

    uint32_t dwBytes = 0;
    std::vector<std::string> lines;
    EXPECT_FALSE(Doc().GetCommsData(lines, dwBytes));  // the queue went with the connection
}

TEST_F(DocConnection, CloseWhileLoggingStopsTheLogAndClosesTheFile)
{
    Connect();
    StartTestLog();
    Receive({"PW 1\r\n", "PW 2\r\n", "PW 3\r\n"});
    ASSERT_EQ(Doc().GetRecords(), 3u);
    m_host.ClearMessages();
    Doc().CloseConnection(false);
    EXPECT_FALSE(Doc().IsLogging());
    EXPECT_FALSE(Doc().IsFileOpen());
    EXPECT_EQ(Doc().GetRecords(), 0u);
    EXPECT_EQ(m_host.FrameCount(WM_RECORD_UPDATE), 1u);
    EXPECT_EQ(m_host.ViewMessages().Count(WM_AUTO_R_START, 0), 1u);
}

TEST_F(DocConnection, NoResponseTextNamesTheTimeOut)
{
    EXPECT_EQ(NoResponseText(Doc()), "No Response from Sensor in last 5 minutes");
    Doc().SetCommsTimeoutTicks(1800);
    EXPECT_EQ(NoResponseText(Doc()), "No Response from Sensor in last 90 seconds");
    Doc().SetCommsTimeoutTicks(4);
    EXPECT_EQ(NoResponseText(Doc()), "No Response from Sensor in last 1 seconds");
}

TEST_F(DocConnection, OneTimeoutPerSilence)
{
    Doc().CommsTimeout();  // not connected: nothing
    EXPECT_EQ(m_host.ViewCount(WM_COMMS_TIMEOUT), 0u);
    Connect();
    Doc().CommsTimeout();
    Doc().CommsTimeout();
    EXPECT_EQ(m_host.ViewCount(WM_COMMS_TIMEOUT), 1u);
    Receive({"PW 1\r\n"});
    Doc().CommsTimeout();
    EXPECT_EQ(m_host.ViewCount(WM_COMMS_TIMEOUT), 2u);

    // A reconnect after a time-out reports the next silence again.
    Doc().CloseConnection(false);
    Connect();
    Doc().CommsTimeout();
    EXPECT_EQ(m_host.ViewCount(WM_COMMS_TIMEOUT), 1u);
}

TEST_F(DocConnection, WatcherThreadEndingEndsTheConnection)
{
    Connect();
    Doc().CommsThreadFinished();
    EXPECT_FALSE(Doc().IsConnected());
    EXPECT_EQ(m_host.ViewMessages().Count(WM_COMMS_OPEN, 1), 1u);
    Doc().CommsThreadFinished();  // already closed: nothing more
    EXPECT_EQ(m_host.ViewMessages().Count(WM_COMMS_OPEN, 1), 1u);
}

TEST_F(DocConnection, LinesReadWithTheHangUpReachTheViewsBeforeTheConnectionCloses)
{
    Connect();
    // The sensor's last answer is in the link; the frame hears of the
    // watcher's end before it took the line.
    m_pPort->Supply("V25,1234\r\n");
    Doc().CommsThreadFinished();
    EXPECT_TRUE(Doc().IsConnected()) << "the close waits for the views' turn";
    EXPECT_EQ(m_host.FrameMessages().Count(WM_THREAD_END, 0), 1u) << "and goes behind it";
    EXPECT_EQ(CollectLines(), std::vector<std::string>{"V25,1234"});
    Doc().CommsThreadFinished();
    EXPECT_FALSE(Doc().IsConnected()) << "closed on the second turn";
}

TEST_F(DocConnection, HangUpEventEndsTheWatcherThread)
{
    Connect();
    // What the serial object does when its port hangs up; the fake's event has
    // no name, so the watcher can only hear it through the link's handle.
    m_pPort->HangUp();
    ASSERT_TRUE(WaitUntil([&] { return m_host.FrameCount(WM_THREAD_END) == 1; }));
    Doc().CommsThreadFinished();
    EXPECT_FALSE(Doc().IsConnected());
    EXPECT_EQ(m_host.ViewMessages().Count(WM_COMMS_OPEN, 1), 1u);
}

TEST_F(DocConnection, WatcherStartedOnAHungUpLinkEndsAtOnce)
{
    Connect();
    m_pPort->HangUp();
    ASSERT_TRUE(WaitUntil([&] { return m_host.FrameCount(WM_THREAD_END) == 1; }));
    // The first watcher took the signal; the link still says it hung up.
    Doc().StartStopAllThreads(false);
    Doc().StartStopAllThreads(true);
    ASSERT_TRUE(WaitUntil([&] { return m_host.FrameCount(WM_THREAD_END) == 2; }));
}

TEST_F(DocConnection, DataEventBecomesCommsEventForTheFrame)
{
    Connect();
    m_pPort->SignalDataIn();
    ASSERT_TRUE(WaitUntil([&] { return m_host.FrameMessages().Count(WM_COMMS_EVENT, 1) == 1; }));

    // After a reconnect the watcher waits on the events of the port opened anew.
    Doc().CloseConnection(false);
    Connect();
    m_pPort->SignalDataIn();
    ASSERT_TRUE(WaitUntil([&] { return m_host.FrameMessages().Count(WM_COMMS_EVENT, 1) == 1; }));
}

TEST_F(DocConnection, DestroyingWhileConnectedClosesQuietlyAndWaits)
{
    Connect();
    const auto slept = m_clock.Slept();
    m_pDoc.reset();
    EXPECT_EQ(m_clock.Slept() - slept, std::chrono::milliseconds(6000));
    EXPECT_EQ(m_host.ViewCount(WM_COMMS_OPEN), 0u);
    EXPECT_EQ(m_host.ViewCount(WM_POLL_STOP), 0u);
}

TEST_F(DocConnection, EnableRS485TellsTheViews)
{
    Doc().SetAddress(12);
    Doc().EnableRS485(1);
    Doc().EnableRS485(0);
    const auto rs485 = ViewMessagesOf(WM_RS485_ENABLE);
    ASSERT_EQ(rs485.size(), 2u);
    EXPECT_EQ(rs485[0], (PostedMessage{WM_RS485_ENABLE, 1, 12}));
    EXPECT_EQ(rs485[1], (PostedMessage{WM_RS485_ENABLE, 0, 12}));
}

TEST_F(DocConnection, IdentificationUsesRS485SettingsOfTheDocument)
{
    std::vector<std::string> sent;
    m_host.m_connectSerial = [&] {
        auto pFake = std::make_unique<CFakeSerial>();
        pFake->m_responder = [&](const std::string& strLine) {
            sent.push_back(strLine);
            return strLine == ":07JM?FF" ? std::vector<std::string>{":0700630xx\r\n"}
                                         : std::vector<std::string>{};
        };
        return pFake;
    };
    Doc().SetAddress(7);
    Doc().EnableRS485(1);
    ASSERT_TRUE(Doc().ConnectToSensor());
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0], ":07OKFF");
    EXPECT_EQ(Doc().GetModelNumber(), 630);
}

}  // namespace
}  // namespace halyard::test
