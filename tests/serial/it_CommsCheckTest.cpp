#include <gtest/gtest.h>

#include <poll.h>

#include <thread>

#include "CommsWatcher.h"
#include "MessageRecorder.h"
#include "WaitUntil.h"

using namespace halyard;
using namespace halyard::test;

namespace {

// Whether the event is signalled, seen without taking the signal.
bool Signalled(const CAutoResetEvent& event)
{
    pollfd fd{event.Fd(), POLLIN, 0};
    return ::poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN) != 0;
}

}  // namespace

TEST(CommsCheckThread, EachDataSignalBecomesOneCommsEvent)
{
    CMessageRecorder frame;
    CCommsWatcher watcher;
    watcher.Start(frame, "TEST_WATCH_DATA_1", "", 1000000);
    EventHandle hData = CreateAutoResetEvent("TEST_WATCH_DATA_1");
    for (size_t i = 1; i <= 3; ++i) {
        hData->Set();
        ASSERT_TRUE(WaitUntil([&] { return frame.Count(WM_COMMS_EVENT, 1) == i; }));
    }
    EXPECT_TRUE(watcher.Stop());
    EXPECT_EQ(watcher.Result(), 0u);
    const std::vector<PostedMessage> expected{
        {WM_COMMS_EVENT, 1, 0}, {WM_COMMS_EVENT, 1, 0}, {WM_COMMS_EVENT, 1, 0}, {WM_THREAD_END, 0, 0}};
    EXPECT_EQ(frame.Messages(), expected);
}

TEST(CommsCheckThread, NullBlockEndsAtOnce)
{
    EXPECT_EQ(CommsCheckThreadProc(nullptr), 1u);
}

TEST(CommsCheckThread, HangUpEventEndsTheThreadLikeKill)
{
    CMessageRecorder frame;
    CCommsWatcher watcher;
    watcher.Start(frame, "TEST_WATCH_DATA_2", "TEST_WATCH_HANGUP_2", 1000000);
    CreateAutoResetEvent("TEST_WATCH_HANGUP_2")->Set();
    ASSERT_TRUE(WaitUntil([&] { return frame.Count(WM_THREAD_END, 0) == 1; }));
    EXPECT_TRUE(WaitForEvent(*watcher.Data().hExitEvent, 5000));
    watcher.Data().hExitEvent->Set();  // Stop() waits for it once more
    EXPECT_TRUE(watcher.Stop());
    EXPECT_EQ(frame.Count(WM_THREAD_END, 0), 1u);
}

TEST(CommsCheckThread, WaitsForTheStartGateAndCanBeStoppedBeforeIt)
{
    CMessageRecorder frame;
    CommsThreadData data;
    data.hWnd = &frame;
    data.hKillEvent = CreateAutoResetEvent();
    data.hExitEvent = CreateAutoResetEvent();
    data.hDataEvent = CreateAutoResetEvent();
    data.hRunEvent = CreateAutoResetEvent();
    data.nTickLimit = 1;  // would time out on its first wait
    data.hDataEvent->Set();
    std::thread thread([&] { CommsCheckThreadProc(&data); });
    // Held at the gate: neither the waiting data nor the tick limit count yet.
    // The run event without bRun is taken at the gate and the thread waits on;
    // taken twice, the thread has come round the gate again after the first.
    for (int n = 0; n < 2; ++n) {
        data.hRunEvent->Set();
        ASSERT_TRUE(WaitUntil([&] { return !Signalled(*data.hRunEvent); })) << "the gate takes its event";
    }
    EXPECT_TRUE(frame.Messages().empty());
    data.hKillEvent->Set();
    EXPECT_TRUE(WaitForEvent(*data.hExitEvent, 10000));
    thread.join();
    EXPECT_EQ(frame.Messages(), (std::vector<PostedMessage>{{WM_THREAD_END, 0, 0}}));
}

TEST(CommsCheckThread, DataWaitingAtTheGateIsReportedOnceLetGo)
{
    CMessageRecorder frame;
    CCommsWatcher watcher;
    EventHandle hData = CreateAutoResetEvent("TEST_WATCH_DATA_3");
    hData->Set();
    watcher.Start(frame, "TEST_WATCH_DATA_3", "", 2);
    // The silence that follows it is reported after the data: by then the
    // thread has come round again, and the data was still reported once.
    ASSERT_TRUE(WaitUntil([&] { return frame.Count(WM_COMMS_EVENT, 0) == 1; }));
    EXPECT_TRUE(watcher.Stop());
    const std::vector<PostedMessage> expected{{WM_COMMS_EVENT, 1, 0}, {WM_COMMS_EVENT, 0, 0}, {WM_THREAD_END, 0, 0}};
    EXPECT_EQ(frame.Messages(), expected);
}
