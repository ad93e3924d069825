// A wait set with a waitable handle beside its events.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/WaitSet.h"

using namespace halyard;

TEST(WaitSet, AHandleCountsAfterTheEventsAndIsNeverTakenByTheWait)
{
    // A manual-reset event stays signalled however often a wait sees it, as
    // a readable descriptor does.
    const HANDLE hOther = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(hOther, nullptr);
    EventHandle event = CreateAutoResetEvent();
    CAutoResetEvent* const set[] = {event.get()};

    EXPECT_EQ(WaitForAny(set, 0, hOther), kWaitTimeout);
    ::SetEvent(hOther);
    EXPECT_EQ(WaitForAny(set, 0, hOther), 1);
    EXPECT_EQ(WaitForAny(set, 0, hOther), 1);
    event->Set();
    EXPECT_EQ(WaitForAny(set, 0, hOther), 0) << "events win over the handle";
    EXPECT_EQ(WaitForAny(set, 0, hOther), 1) << "and the event was taken";
    ::CloseHandle(hOther);
}
