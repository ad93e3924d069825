// The view's timer schedule driven by manual timers: what fires when, for the
// automatic commands, polling, the daily log change and the progress tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "ManualTimers.h"
#include "document/CTimerSchedule.h"
#include "document/Framing.h"
#include "platform/AppMessages.h"

namespace halyard {
namespace {

constexpr const char* kDataLine = "PW 00,0060,14863,14939,00,+023.5,0000.00,0000.00,0,0,000,0.000,0.000";

class TimerScheduleTest : public ::testing::Test {
protected:
    TimerScheduleTest()
    {
        m_timers.SetOwner([this](uint32_t nID) { m_schedule.OnTimer(nID); });
    }

    long Fired(uint32_t nID) const { return std::count(m_fired.begin(), m_fired.end(), nID); }

    CManualClock m_clock{MakeLocalTime(2026, 12, 9, 10, 0, 0)};
    test::CManualTimers m_timers{m_clock};
    std::vector<uint32_t> m_fired;
    CTimerSchedule m_schedule{m_timers, [this](uint32_t nID) { m_fired.push_back(nID); }};
};

TEST(DataMessageReceivedTest, MarksAnywhereCaseSensitive)
{
    EXPECT_TRUE(DataMessageReceived("ALS-DATA 12"));
    EXPECT_TRUE(DataMessageReceived(" 00,PW,12"));
    EXPECT_TRUE(DataMessageReceived("REM ZRT650"));
    EXPECT_TRUE(DataMessageReceived("xxLMW-40"));
    EXPECT_FALSE(DataMessageReceived("pw vs cp"));
    EXPECT_FALSE(DataMessageReceived("BAD CMD"));
    EXPECT_FALSE(DataMessageReceived("PQD01"));
}

TEST_F(TimerScheduleTest, AutoRFiresOncePerPeriodAndTheSecondMessageOnlyClearsTheToggle)
{
    m_schedule.OnAutoRStart(1);
    ASSERT_TRUE(m_schedule.DataLineReceived(kDataLine));
    EXPECT_TRUE(m_schedule.m_bAutoRPending);
    m_timers.Advance(200);
    ASSERT_TRUE(m_schedule.DataLineReceived(kDataLine));  // inside the period
    EXPECT_FALSE(m_schedule.m_bAutoRPending);
    m_timers.Advance(299);
    EXPECT_EQ(Fired(TIMER_AUTO_R), 0);
    m_timers.Advance(1);  // 500 ms after the first message
    EXPECT_EQ(Fired(TIMER_AUTO_R), 1);
    EXPECT_FALSE(m_timers.IsRunning(TIMER_AUTO_R));  // one-shot
    EXPECT_EQ(m_schedule.m_nAutoRTimer, 0u);
    m_timers.Advance(5000);
    EXPECT_EQ(Fired(TIMER_AUTO_R), 1);

    m_schedule.DataLineReceived(kDataLine);  // the next message arms it again
    m_timers.Advance(500);
    EXPECT_EQ(Fired(TIMER_AUTO_R), 2);
}

TEST_F(TimerScheduleTest, OnlyDataMessagesArmAndOnlyTheCommandsSwitchedOn)
{
    m_schedule.DataLineReceived(kDataLine);  // nothing switched on
    m_schedule.OnAutoMStart(1);
    m_schedule.OnAutoXWStart(1);
    m_schedule.DataLineReceived("Sensor Startup");
    m_timers.Advance(3000);
    EXPECT_TRUE(m_fired.empty());

    m_schedule.DataLineReceived(kDataLine);
    m_timers.Advance(3000);
    EXPECT_EQ(m_fired, (std::vector<uint32_t>{TIMER_AUTO_XW, TIMER_AUTO_M}));  // 750 ms, then 1250 ms

    m_schedule.OnAutoMStart(0);  // switching off leaves the toggle and timer alone
    m_schedule.DataLineReceived(kDataLine);
    m_timers.Advance(3000);
    EXPECT_EQ(Fired(TIMER_AUTO_M), 1);
    EXPECT_EQ(Fired(TIMER_AUTO_XW), 2);  // its expiry cleared the toggle, so this message armed it
}

TEST_F(TimerScheduleTest, PollingRepeatsUntilStoppedAndARestartTakesTheNewPeriod)
{
    ASSERT_TRUE(m_schedule.OnPollStart(7));
    m_timers.Advance(21000);
    EXPECT_EQ(Fired(TIMER_POLL), 3);
    ASSERT_TRUE(m_schedule.OnPollStart(2));
    m_timers.Advance(6000);
    EXPECT_EQ(Fired(TIMER_POLL), 6);
    m_schedule.OnPollStop();
    EXPECT_EQ(m_schedule.m_nPollTimer, 0u);
    m_timers.Advance(60000);
    EXPECT_EQ(Fired(TIMER_POLL), 6);

    EXPECT_FALSE(m_schedule.OnPollStart(static_cast<uintptr_t>(INT_MAX)));  // a period the timers refuse
    EXPECT_FALSE(m_timers.IsRunning(TIMER_POLL));
}

TEST_F(TimerScheduleTest, DailyLogTimerIsOneShotAndStopsOnOtherValues)
{
    ASSERT_TRUE(m_schedule.OnAccumStart(1));
    m_timers.Advance(20000);
    EXPECT_EQ(Fired(TIMER_DAILY_LOG), 1);
    EXPECT_EQ(m_schedule.m_nAccumTimer, 0u);

    m_schedule.OnAccumStart(1);
    m_timers.Advance(4000);
    m_schedule.OnAccumStart(1);  // restarts: 5 s from now
    m_timers.Advance(4000);
    EXPECT_EQ(Fired(TIMER_DAILY_LOG), 1);
    m_schedule.OnAccumStart(0);
    m_timers.Advance(20000);
    EXPECT_EQ(Fired(TIMER_DAILY_LOG), 1);
}

TEST_F(TimerScheduleTest, ProgressTicksBetweenTheStartAndTheEndOfASequence)
{
    ASSERT_TRUE(m_schedule.Start());
    ASSERT_TRUE(m_schedule.OnSequenceProgress(1));
    m_timers.Advance(2000);
    EXPECT_EQ(Fired(TIMER_SEQUENCE), 4);
    EXPECT_EQ(Fired(TIMER_CLOCK), 2);
    m_schedule.OnSequenceProgress(2);  // a failed end stops it too
    EXPECT_EQ(m_schedule.m_nProgressTimer, 0u);
    m_timers.Advance(2000);
    EXPECT_EQ(Fired(TIMER_SEQUENCE), 4);
    EXPECT_EQ(Fired(TIMER_CLOCK), 4);  // the clock runs on
}

TEST_F(TimerScheduleTest, OtherIdsAreIgnoredAndRefusedTimersAreReported)
{
    EXPECT_FALSE(m_schedule.OnTimer(TIMER_SENSOR_SETTINGS));
    EXPECT_FALSE(m_schedule.OnTimer(1));
    EXPECT_TRUE(m_fired.empty());

    m_timers.RefuseTimers();
    EXPECT_FALSE(m_schedule.Start());
    m_schedule.OnAutoRStart(1);
    EXPECT_FALSE(m_schedule.DataLineReceived(kDataLine));
    EXPECT_TRUE(m_schedule.DataLineReceived(kDataLine));  // the toggle's second message arms nothing
    EXPECT_FALSE(m_schedule.OnSequenceProgress(1));
}

}  // namespace
}  // namespace halyard
