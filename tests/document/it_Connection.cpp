// A whole connection over a pseudo-terminal: identification, opening, commands
// and replies through the real serial link and watcher thread, time-outs,
// closing, reconnecting and the sensor hanging up. The test's thread plays the
// UI thread: CDocPump answers what the document and its threads post.
#include <chrono>

#include "CommsWatcher.h"
#include "DocPump.h"
#include "RecordingHost.h"
#include "SimFixture.h"
#include "document/CHalyardDoc.h"
#include "platform/Clock.h"

namespace halyard::test {
namespace {

class Connection : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The document's deliberate pauses run on this clock; the serial link
        // and the sensor keep real time.
        SetClock(&m_clock);
        m_pPort = std::make_unique<CSimPort>(m_options);
        ASSERT_TRUE(m_pPort->Started());
        m_host.m_beforeTick = [this](CConnectLogic& logic, int nTick) {
            if (!logic.PortFailed() && !logic.IsIdentified() &&
                !m_pPort->Sim().GetFault(sim::Fault::Silent)) {
                EXPECT_TRUE(m_pPort->AwaitReply(static_cast<size_t>(nTick), true));
            }
        };
        m_pDoc = std::make_unique<CHalyardDoc>(m_host);
        ASSERT_TRUE(m_pDoc->OnNewDocument());
        m_pPump = std::make_unique<CDocPump>(*m_pDoc, m_host);
        m_pDoc->SetUpPortAndBaudRate(m_pPort->Port(), 9600);
    }

    void TearDown() override
    {
        m_pPump.reset();
        m_pDoc.reset();
        m_pPort.reset();
        SetClock(nullptr);
    }

    bool ConnectAndForget()
    {
        const bool bConnected = m_pDoc->ConnectToSensor();
        m_pPort->ForgetDataEvent();
        m_pPort->Sim().ClearReceivedCommands();
        return bConnected;
    }

    bool HasLine(const std::string& strText) const
    {
        for (const std::string& strLine : m_pPump->m_lines)
            if (strLine.find(strText) != std::string::npos)
                return true;
        return false;
    }

    CManualClock m_clock{MakeLocalTime(2026, 12, 8, 10, 0, 0)};
    sim::SimOptions m_options;
    CRecordingHost m_host;
    std::unique_ptr<CSimPort> m_pPort;
    std::unique_ptr<CHalyardDoc> m_pDoc;
    std::unique_ptr<CDocPump> m_pPump;
};

TEST_F(Connection, ConnectTalkCloseAndReconnect)
{
    CHalyardDoc& doc = *m_pDoc;
    ASSERT_TRUE(ConnectAndForget());
    EXPECT_TRUE(m_host.m_bConnectIdentified);
    EXPECT_EQ(doc.GetModelName(), "ZRT-630");
    EXPECT_EQ(doc.GetPortStatus(), " COM" + std::to_string(m_pPort->Port()) + " 9600,n,8,1");
    EXPECT_EQ(m_host.m_titles.back(), "COM" + std::to_string(m_pPort->Port()));
    EXPECT_EQ(m_host.ViewMessages().Count(WM_COMMS_OPEN, 0), 1u);
    EXPECT_EQ(m_host.FrameMessages().Count(WM_COMMS_OPEN, 0), 1u);

    // Three commands queued at once go out one per reply and all are answered.
    m_pPort->Sim().SetOptions(0x0021);
    ASSERT_TRUE(doc.SendCommand("OP?", true));
    ASSERT_TRUE(doc.SendCommand("ADR?", true));
    ASSERT_TRUE(doc.SendCommand("R?", true));
    ASSERT_TRUE(m_pPump->PumpUntil([&] {
        return m_pPump->m_echoes.size() == 3 && doc.PendingCommands() == 0;
    })) << m_pPump->m_echoes.size()
        << " echoes, " << m_pPump->m_lines.size()
        << " lines: " << (m_pPump->m_lines.empty() ? "" : m_pPump->m_lines.back());
    ASSERT_TRUE(m_pPort->Sim().WaitForCommands(3, std::chrono::seconds(5)));
    // The identification's last "JM?" may reach the sensor only after the
    // connection opened and the list was cleared: it is not one of these.
    std::vector<std::string> commands = m_pPort->Sim().ReceivedCommands();
    std::erase(commands, "JM?");
    EXPECT_EQ(commands, (std::vector<std::string>{"OP?", "ADR?", "R?"}));
    EXPECT_EQ(m_pPump->m_echoes, (std::vector<std::string>{"OP?", "ADR?", "R?"}));
    ASSERT_TRUE(m_pPump->PumpUntil([&] { return doc.IsOptionsValid() && !doc.IsAwaitADR(); }));
    EXPECT_EQ(doc.GetOptions(), 0x0021);

    // The register getter over the wire.
    uint16_t wState = 0;
    m_pPort->Sim().SetOpState(0xA001);
    EXPECT_FALSE(doc.GetOperatingState(&wState, true));
    ASSERT_TRUE(m_pPump->PumpUntil([&] { return doc.GetOperatingState(&wState, false); }));
    EXPECT_EQ(wState, 0xA001);

    m_host.ClearMessages();
    m_pPump->Restart();
    doc.CloseConnection(false);
    EXPECT_FALSE(doc.IsConnected());
    EXPECT_EQ(doc.GetPortStatus(), "");
    EXPECT_EQ(m_host.m_titles.back(), "");
    EXPECT_EQ(m_host.ViewMessages().Count(WM_COMMS_OPEN, 1), 1u);
    EXPECT_EQ(m_host.FrameMessages().Count(WM_COMMS_OPEN, 1), 1u);
    m_pPump->Pump();  // the watcher's end notice changes nothing now

    ASSERT_TRUE(ConnectAndForget());
    ASSERT_TRUE(doc.SendCommand("R?", true));
    ASSERT_TRUE(m_pPort->Sim().WaitForCommands(1, std::chrono::seconds(5)));
    ASSERT_TRUE(m_pPump->PumpUntil([&] { return m_host.ViewCount(WM_COMMS_DATA) > 0; }));
    EXPECT_TRUE(doc.IsConnected());
}

TEST_F(Connection, OneTimeoutPerSilence)
{
    CHalyardDoc& doc = *m_pDoc;
    doc.SetCommsTimeoutTicks(4);  // 200 ms of silence
    ASSERT_TRUE(ConnectAndForget());
    ASSERT_TRUE(m_pPump->PumpUntil([&] { return m_host.ViewCount(WM_COMMS_TIMEOUT) == 1; }));
    // Four more silent spans pass (a watcher of the test's own counts them);
    // none is reported until data arrives.
    ASSERT_TRUE(WaitOutSilentTicks(16));
    m_pPump->Pump();  // the watcher's reports meanwhile
    m_pPump->Pump();  // and what the document posted for them
    EXPECT_EQ(m_host.ViewCount(WM_COMMS_TIMEOUT), 1u);

    ASSERT_TRUE(doc.SendCommand("R?", true));
    ASSERT_TRUE(m_pPump->PumpUntil([&] { return m_host.ViewCount(WM_COMMS_DATA) > 0; }));
    ASSERT_TRUE(m_pPump->PumpUntil([&] { return m_host.ViewCount(WM_COMMS_TIMEOUT) == 2; }));
    EXPECT_TRUE(doc.IsConnected());
}

TEST_F(Connection, SensorHangingUpEndsTheConnection)
{
    CHalyardDoc& doc = *m_pDoc;
    ASSERT_TRUE(ConnectAndForget());
    m_host.ClearMessages();
    m_pPump->Restart();
    m_pPort->Sim().HangUp();
    ASSERT_TRUE(m_pPump->PumpUntil([&] { return !doc.IsConnected(); }));
    // The watcher's end, and once more the document's own when lines the
    // sensor sent last were still unread by the views (it goes behind them);
    // the connection closes once either way.
    EXPECT_GE(m_host.FrameCount(WM_THREAD_END), 1u);
    EXPECT_LE(m_host.FrameCount(WM_THREAD_END), 2u);
    EXPECT_EQ(m_host.ViewMessages().Count(WM_COMMS_OPEN, 1), 1u);
    EXPECT_EQ(m_host.m_titles.back(), "");
}

TEST_F(Connection, SilentSensorDoesNotConnect)
{
    m_pPort->Sim().SetFault(sim::Fault::Silent, true);
    EXPECT_FALSE(ConnectAndForget());
    EXPECT_EQ(m_host.ViewCount(WM_COMMS_NO_CONNECT), 1u);
    EXPECT_EQ(m_host.ViewCount(WM_COMMS_OPEN), 0u);
    EXPECT_FALSE(m_pDoc->IsConnected());
}

TEST_F(Connection, AddressedSensorSwitchesTheDocumentToItsAddress)
{
    CHalyardDoc& doc = *m_pDoc;
    ASSERT_TRUE(ConnectAndForget());
    doc.SetAddress(0);
    // A sensor that answers framed lines: the document takes its address.
    m_pPort->Sim().SendLine(FrameCommand("PW 1234", true, 3, false));
    ASSERT_TRUE(m_pPump->PumpUntil([&] { return doc.IsRS485(); }));
    EXPECT_EQ(doc.GetAddress(), 3);
    EXPECT_FALSE(HasLine("Bad Checksum"));
}

}  // namespace
}  // namespace halyard::test
