// A wait set with a file descriptor beside its events (the serial port's).
#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/WaitSet.h"

using namespace halyard;

TEST(WaitSet, DescriptorCountsAfterTheEvents)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    EventHandle event = CreateAutoResetEvent();
    CAutoResetEvent* const set[] = {event.get()};

    EXPECT_EQ(WaitForAny(set, 0, fds[0]), kWaitTimeout);
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    EXPECT_EQ(WaitForAny(set, 0, fds[0]), 1);
    EXPECT_EQ(WaitForAny(set, 0, fds[0]), 1) << "the descriptor is never read by the wait";
    event->Set();
    EXPECT_EQ(WaitForAny(set, 0, fds[0]), 0) << "events win over the descriptor";

    ::close(fds[1]);
    char c;
    ASSERT_EQ(::read(fds[0], &c, 1), 1);
    EXPECT_EQ(WaitForAny(set, 0, fds[0]), 1) << "a hung-up descriptor is reported";
    ::close(fds[0]);
}
