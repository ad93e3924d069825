#include <gtest/gtest.h>

#include <unistd.h>

#include <thread>

#include "platform/AutoResetEvent.h"
#include "platform/WaitSet.h"

using namespace halyard;

TEST(AutoResetEvent, SignalsCollapseAndAreTakenOnce)
{
    EventHandle event = CreateAutoResetEvent();
    ASSERT_TRUE(event);
    EXPECT_FALSE(event->TryConsume());
    event->Set();
    event->Set();
    event->Set();
    EXPECT_TRUE(event->TryConsume());
    EXPECT_FALSE(event->TryConsume()) << "three sets before a wait are one signal";
    event->Set();
    event->Reset();
    EXPECT_FALSE(event->TryConsume());
}

TEST(AutoResetEvent, NamedEventsShareWhileAlive)
{
    EventHandle first = CreateAutoResetEvent("QRM_TEST_EVENT_1");
    EventHandle second = CreateAutoResetEvent("QRM_TEST_EVENT_1");
    EventHandle other = CreateAutoResetEvent("QRM_TEST_EVENT_2");
    EventHandle unnamed = CreateAutoResetEvent();
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
    EXPECT_NE(unnamed, CreateAutoResetEvent());

    first->Set();
    EXPECT_TRUE(second->TryConsume());

    // Left signalled when its last holder lets it go: an event kept alive by
    // the name would hand that signal to the next one of the name.
    first->Set();
    first.reset();
    second.reset();
    EventHandle fresh = CreateAutoResetEvent("QRM_TEST_EVENT_1");
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(fresh->TryConsume()) << "the old event is gone; the name makes a new, unsignalled one";
    EXPECT_EQ(CreateAutoResetEvent("QRM_TEST_EVENT_1"), fresh) << "and the name shares the new one";
}

TEST(WaitSet, LowestSignalledIndexWinsAndOthersStaySignalled)
{
    EventHandle kill = CreateAutoResetEvent();
    EventHandle write = CreateAutoResetEvent();
    EventHandle read = CreateAutoResetEvent();
    CAutoResetEvent* const set[] = {kill.get(), write.get(), read.get()};

    read->Set();
    write->Set();
    EXPECT_EQ(WaitForAny(set, 0), 1);
    EXPECT_EQ(WaitForAny(set, 0), 2);
    EXPECT_EQ(WaitForAny(set, 0), kWaitTimeout);

    kill->Set();
    read->Set();
    EXPECT_EQ(WaitForAny(set, 50), 0);
    EXPECT_EQ(WaitForAny(set, 50), 2);
}

TEST(WaitSet, AMissingEventKeepsTheIndicesOfTheOthers)
{
    EventHandle write = CreateAutoResetEvent();
    EventHandle read = CreateAutoResetEvent();
    CAutoResetEvent* const set[] = {nullptr, write.get(), read.get()};
    read->Set();
    EXPECT_EQ(WaitForAny(set, 0), 2);
    write->Set();
    read->Set();
    EXPECT_EQ(WaitForAny(set, 0), 1);
    EXPECT_EQ(WaitForAny(set, 0), 2);
    EXPECT_EQ(WaitForAny(set, 0), kWaitTimeout);
}

TEST(WaitSet, WakesWhenAnotherThreadSignals)
{
    EventHandle event = CreateAutoResetEvent();
    std::thread setter([&] { event->Set(); });
    EXPECT_TRUE(WaitForEvent(*event, 10000));
    setter.join();
    EXPECT_FALSE(WaitForEvent(*event, 0));
}
