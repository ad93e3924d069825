// The view's timer ticks reaching the document, and polling.
#include "DocFixture.h"

namespace halyard::test {
namespace {

using DocTimers = DocFixture;

TEST_F(DocTimers, ClockTickUpdatesTheTimeEvenWhileDisconnected)
{
    Doc().OnTimer(TIMER_CLOCK);
    EXPECT_EQ(Doc().GetTime(), " 01:30:05");
    m_clock.Advance(std::chrono::seconds(3661));
    Doc().OnTimer(TIMER_CLOCK);
    EXPECT_EQ(Doc().GetTime(), " 02:31:06");
    EXPECT_EQ(m_host.FrameMessages().Count(WM_TIME_UPDATE, 0), 2u);
    EXPECT_EQ(m_host.FrameCount(WM_LOGTIME_UPDATE), 0u);
}

TEST_F(DocTimers, ClockTickCountsLoggingTime)
{
    StartTestLog();
    for (int i = 0; i < 61; ++i)
        Doc().OnTimer(TIMER_CLOCK);
    EXPECT_EQ(Doc().GetLogTime(), " 00:01:01");
    EXPECT_EQ(m_host.FrameCount(WM_LOGTIME_UPDATE), 61u);
    for (int i = 0; i < 3599; ++i)
        Doc().OnTimer(TIMER_CLOCK);
    EXPECT_EQ(Doc().GetLogTime(), " 01:01:00");
    Doc().StopLogging();
    EXPECT_EQ(Doc().GetLogTime(), "");
}

TEST_F(DocTimers, AutoCommandTimersSendTheirCommands)
{
    Connect();
    Doc().OnTimer(TIMER_AUTO_R);
    CollectEcho();
    Receive({"r\r\n"});
    Doc().OnTimer(TIMER_AUTO_M);
    CollectEcho();
    Receive({"m\r\n"});
    Doc().OnTimer(TIMER_AUTO_XW);
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"R?", "M?", "XW?"}));
}

TEST_F(DocTimers, TimersWithoutADocumentActionDoNothing)
{
    Connect();
    for (uint32_t nId : {0u, 1u, TIMER_DAILY_LOG, TIMER_SEQUENCE, 9u, 11u, 1001u})
        Doc().OnTimer(nId);
    EXPECT_TRUE(m_pPort->Sent().empty());
    EXPECT_EQ(m_host.LogSize(), 0u);
}

TEST_F(DocTimers, PollingSendsAtOnceAndOnEachTick)
{
    Connect();
    Doc().StartPolling("D?", 30);
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"D?"}));
    const auto start = ViewMessagesOf(WM_POLL_START);
    ASSERT_EQ(start.size(), 1u);
    EXPECT_EQ(start[0], (PostedMessage{WM_POLL_START, 30, 0}));
    CollectEcho();
    Receive({"PW 1\r\n"});
    Doc().OnTimer(TIMER_POLL);
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"D?", "D?"}));
    Doc().StopPolling();
    EXPECT_EQ(m_host.ViewCount(WM_POLL_STOP), 1u);
}

TEST_F(DocTimers, PollingWithoutTextOrPeriodDoesNothing)
{
    Connect();
    EXPECT_FALSE(Doc().StartPolling("", 10));
    EXPECT_FALSE(Doc().StartPolling("D?", 0));
    EXPECT_EQ(m_host.m_messageBoxes.size(), 2u) << "the user is told why";
    EXPECT_TRUE(m_pPort->Sent().empty());
    EXPECT_EQ(m_host.ViewCount(WM_POLL_START), 0u);
}

TEST_F(DocTimers, StopLoggingSendsCaptureAfterTheFileIsClosed)
{
    Connect();
    LogSettings settings;
    settings.bCaptureA = true;
    StartTestLog(settings);
    Doc().StopLogging();
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"A?"}));
    EXPECT_EQ(m_host.FrameMessages().Count(WM_RECORD_UPDATE, 0), 1u);
    EXPECT_EQ(m_host.ViewMessages().Count(WM_AUTO_M_START, 0), 1u);
    EXPECT_EQ(m_host.ViewMessages().Count(WM_AUTO_XW_START, 0), 1u);
    Doc().StopLogging();  // not logging: nothing more
    EXPECT_EQ(m_pPort->SentLines().size(), 1u);
}

}  // namespace
}  // namespace halyard::test
