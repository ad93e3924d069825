#include <gtest/gtest.h>

#include "platform/Clock.h"

using namespace halyard;
using namespace std::chrono_literals;

TEST(Clock, ManualClockStandsStillAndSleepAdvancesIt)
{
    CManualClock clock(MakeLocalTime(2026, 3, 14, 23, 59, 58));
    SetClock(&clock);
    const TimePoint start = Clock().Now();
    EXPECT_EQ(Clock().Now(), start);
    Clock().Sleep(5000ms);
    EXPECT_EQ(Clock().Now(), start + 5000ms);
    EXPECT_EQ(clock.Slept(), 5000ms);
    EXPECT_EQ(FormatTime(" %H:%M:%S", Clock().Now()), " 00:00:03");
    EXPECT_EQ(FormatTime(",%d/%m/%Y,%H:%M:%S", Clock().Now()), ",15/03/2026,00:00:03");
    clock.Advance(1h);
    EXPECT_EQ(LocalTime(Clock().Now()).tm_hour, 1);
    SetClock(nullptr);
    EXPECT_NE(&Clock(), &clock);
}
