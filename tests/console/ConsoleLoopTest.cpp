// The console loop and host: posted messages in order (from any thread),
// timers by id as window timers behave, and message boxes as lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <sstream>
#include <thread>

#include "console/CConsoleHost.h"
#include "console/CConsoleLoop.h"
#include "console/ProgressLine.h"
#include "console/CliOptions.h"
#include "console/Commands.h"
#include "document/Sequences.h"

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

TEST(ConsoleLoop, DeliversPostedMessagesInTheOrderPostedFromEveryThread)
{
    CConsoleLoop loop;
    std::vector<LoopMessage> got;
    loop.SetMessageHandler([&](const LoopMessage& m) { got.push_back(m); });
    loop.Post({PostTarget::Views, WM_COMMS_DATA, 1, 0});
    std::thread other([&] {
        for (uintptr_t n = 2; n <= 1000; ++n)
            loop.Post({PostTarget::Frame, WM_COMMS_EVENT, n, static_cast<intptr_t>(n)});
    });
    other.join();
    ASSERT_TRUE(loop.RunUntil([&] { return got.size() == 1000; }, 10s));
    EXPECT_EQ(got.front().target, PostTarget::Views);
    for (size_t n = 0; n < got.size(); ++n)
        ASSERT_EQ(got[n].wParam, n + 1);
    EXPECT_EQ(got.back().target, PostTarget::Frame);
    EXPECT_EQ(got.back().lParam, 1000);
}

TEST(ConsoleLoop, AMessagePostedWhileHandlingComesAfterTheOnesAlreadyWaiting)
{
    CConsoleLoop loop;
    std::vector<uint32_t> got;
    loop.SetMessageHandler([&](const LoopMessage& m) {
        got.push_back(m.nMsg);
        if (m.nMsg == 1)
            loop.Post({PostTarget::Views, 3, 0, 0});
    });
    loop.Post({PostTarget::Views, 1, 0, 0});
    loop.Post({PostTarget::Views, 2, 0, 0});
    ASSERT_TRUE(loop.RunUntil([&] { return got.size() == 3; }, 10s));
    EXPECT_EQ(got, (std::vector<uint32_t>{1, 2, 3}));
}

TEST(ConsoleLoop, ALoopRunInsideAHandlerKeepsTheOrder)
{
    // The connect dialog runs the loop from within the program's work.
    CConsoleLoop loop;
    std::vector<uint32_t> got;
    bool bInnerDone = false;
    loop.SetMessageHandler([&](const LoopMessage& m) {
        got.push_back(m.nMsg);
        if (m.nMsg == 1)
            bInnerDone = loop.RunUntil([&] { return got.size() >= 3; }, 10s);
    });
    for (uint32_t n = 1; n <= 4; ++n)
        loop.Post({PostTarget::Views, n, 0, 0});
    ASSERT_TRUE(loop.RunUntil([&] { return got.size() == 4; }, 10s));
    EXPECT_TRUE(bInnerDone) << "the inner loop delivers the messages waiting behind the one being handled";
    EXPECT_EQ(got, (std::vector<uint32_t>{1, 2, 3, 4}));
}

TEST(ConsoleLoop, TimersFireByIdUntilKilledAndSetTimerRestartsOne)
{
    CConsoleLoop loop;
    std::vector<uint32_t> fired;
    loop.SetTimerHandler([&](uint32_t nID) { fired.push_back(nID); });
    EXPECT_EQ(loop.SetTimer(5, 10), 5u);
    EXPECT_EQ(loop.SetTimer(0, 10), 0u) << "id 0 is no timer";
    EXPECT_EQ(loop.SetTimer(6, 0), 0u) << "a period of 0 would never rest";
    ASSERT_TRUE(loop.RunUntil([&] { return std::count(fired.begin(), fired.end(), 5u) >= 3; }, 10s))
        << "a timer goes on firing until it is killed";
    EXPECT_TRUE(loop.KillTimer(5));
    EXPECT_FALSE(loop.KillTimer(5)) << "it is no longer running";
    EXPECT_FALSE(loop.TimerRunning(5));

    // Restarting a long timer with a short period: the short one counts.
    fired.clear();
    loop.SetTimer(7, 3600 * 1000);
    loop.SetTimer(7, 5);
    ASSERT_TRUE(loop.RunUntil([&] { return !fired.empty(); }, 10s));
    EXPECT_EQ(fired.front(), 7u);
}

TEST(ConsoleLoop, WhatAHandlerPostsComesBeforeATimerDueInTheSamePassButNeverHoldsItOff)
{
    // The frame's handling of received lines posts the views' share of them;
    // a sequence tick due meanwhile must come after the views have read them.
    CConsoleLoop loop;
    std::vector<std::string> order;
    loop.SetTimerHandler([&](uint32_t) { order.emplace_back("tick"); });
    loop.SetMessageHandler([&](const LoopMessage& m) {
        order.push_back("message " + std::to_string(m.nMsg));
        if (m.nMsg == 1) {
            // Until the timer is due, so that it is due in this very pass.
            const auto due = std::chrono::steady_clock::now() + 2ms;
            while (std::chrono::steady_clock::now() < due) {
            }
            loop.Post({PostTarget::Views, 2, 0, 0});
        }
    });
    loop.SetTimer(8, 1);
    loop.Post({PostTarget::Frame, 1, 0, 0});
    ASSERT_TRUE(loop.RunUntil([&] { return order.size() >= 3; }, 10s));
    EXPECT_EQ(order[0], "message 1");
    EXPECT_EQ(order[1], "message 2");
    EXPECT_EQ(order[2], "tick");

    // A stream that posts on every pass still lets the timers fire.
    order.clear();
    loop.SetMessageHandler([&](const LoopMessage& m) { loop.Post(m); });
    loop.Post({PostTarget::Frame, 1, 0, 0});
    EXPECT_TRUE(loop.RunUntil([&] { return std::count(order.begin(), order.end(), "tick") >= 3; }, 10s));
}

TEST(ConsoleLoop, WhatATimerPostsIsHandledInTheSamePass)
{
    // A tick of the clock is one wake-up, not one for the tick and another
    // for what the tick posted.
    CConsoleLoop loop;
    std::vector<uint32_t> got;
    loop.SetMessageHandler([&](const LoopMessage& m) { got.push_back(m.nMsg); });
    loop.SetTimerHandler([&](uint32_t nID) {
        loop.Post({PostTarget::Frame, nID, 0, 0});
        loop.KillTimer(nID);
    });
    loop.SetTimer(4, 1);
    ASSERT_TRUE(loop.RunUntil([&] { return !loop.TimerRunning(4); }, 10s));
    EXPECT_EQ(got, (std::vector<uint32_t>{4}));
}

TEST(ConsoleLoop, ATimerKilledByAnEarlierHandlerInTheSamePassDoesNotFire)
{
    CConsoleLoop loop;
    std::vector<uint32_t> fired;
    loop.SetTimer(2, 1);
    loop.SetTimer(3, 1);
    loop.SetTimerHandler([&](uint32_t nID) {
        fired.push_back(nID);
        loop.KillTimer(2);
        loop.KillTimer(3);
    });
    std::this_thread::sleep_for(5ms);  // both are due in the next pass
    loop.RunOnce(0);
    ASSERT_EQ(fired.size(), 1u);
}

TEST(ConsoleLoop, AWatchedHandleCallsItsHandlerAndQuitEndsRun)
{
    CConsoleLoop loop;
    const EventHandle event = CreateAutoResetEvent();
    ASSERT_TRUE(event);
    int nCalls = 0;
    loop.WatchFd(event->Fd(), [&] {
        // Taken here on Linux; on Windows the wait took it already.
        event->TryConsume();
        ++nCalls;
        loop.Quit();
    });
    std::thread setter([&] { event->Set(); });
    loop.Run();  // returns only through the handler's Quit
    setter.join();
    EXPECT_EQ(nCalls, 1);

    // A message waits; a quit loop returns without delivering it, and a loop
    // that ran on would deliver it at once (long before the time-out).
    int nDelivered = 0;
    loop.SetMessageHandler([&](const LoopMessage&) { ++nDelivered; });
    loop.Post({PostTarget::Views, WM_COMMS_DATA, 0, 0});
    EXPECT_FALSE(loop.RunUntil([&] { return nDelivered > 0; }, 10s)) << "a quit loop does not run on";
    EXPECT_EQ(nDelivered, 0);
    loop.ResetQuit();
    EXPECT_FALSE(loop.QuitRequested());
    ASSERT_TRUE(loop.RunUntil([&] { return nDelivered > 0; }, 10s)) << "once reset it runs again";
    EXPECT_EQ(nDelivered, 1);

    // Unwatched, a signal calls nothing.
    loop.UnwatchFd(event->Fd());
    event->Set();
    loop.RunOnce(0);
    EXPECT_EQ(nCalls, 1);
}

TEST(ConsoleHost, MessageBoxesAreLinesAndOneThatAsksTakesItsDefault)
{
    CConsoleLoop loop;
    std::ostringstream err;
    CConsoleHost host(loop, err);
    EXPECT_EQ(host.MessageBox("Sensor Not Connected", MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(host.MessageBox("Overwrite?\nSure", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(err.str(), "halyard-cli: Sensor Not Connected\nhalyard-cli: Overwrite? Sure (answered Yes)\n");
    EXPECT_EQ(host.m_nMessageBoxes, 2);
}

TEST(ConsoleHost, PostsForTheFrameAndTheViewsThroughTheLoop)
{
    CConsoleLoop loop;
    std::ostringstream err;
    CConsoleHost host(loop, err);
    std::vector<LoopMessage> got;
    loop.SetMessageHandler([&](const LoopMessage& m) { got.push_back(m); });
    host.MainWindow().PostMessage(WM_THREAD_END, 0, 0);
    host.Views().PostMessage(WM_LOG_ERROR, 5, 3);
    ASSERT_TRUE(loop.RunUntil([&] { return got.size() == 2; }, 10s));
    EXPECT_EQ(got[0].target, PostTarget::Frame);
    EXPECT_EQ(got[0].nMsg, WM_THREAD_END);
    EXPECT_EQ(got[1].target, PostTarget::Views);
    EXPECT_EQ(got[1].lParam, 3);
    EXPECT_FALSE(host.OnTimer(TIMER_CLOCK)) << "only the connect dialog's timer is the host's";
}

TEST(ProgressLine, CountsTicksTowardsTheExpectedAndStopsAtItsEnd)
{
    ProgressState state{"Diagnostics", 0, 915, 0, 0};
    EXPECT_EQ(ProgressBarLine(state, 10), "Diagnostics [..........]   0%  step 0  about 7:37 left");
    state.nTicks = 458;
    state.nStep = 120;
    EXPECT_EQ(ProgressBarLine(state, 10), "Diagnostics [#####.....]  50%  step 120  about 3:48 left");
    EXPECT_EQ(ProgressPlainLine(state), "Diagnostics: 50% (step 120), about 3:48 left");
    EXPECT_EQ(ProgressTenth(state), 5);
    state.nTicks = 2000;  // longer than expected
    EXPECT_EQ(ProgressBarLine(state, 4), "Diagnostics [####] 100%  step 120  about 0:00 left");
    state.nLimit = 0;
    EXPECT_EQ(ProgressTenth(state), 10) << "no division by a limit of 0";
}

TEST(ProgressLine, WithItsStepsKnownTheBarIsTheStepAndTheTimeLeftWhatTheStepsTook)
{
    // 40 steps of 194 in 60 ticks (30 s): 154 steps to go take 231 ticks.
    ProgressState state{"Diagnostics", 60, 915, 40, 194};
    EXPECT_EQ(ProgressPlainLine(state), "Diagnostics: 20% (step 40), about 1:55 left");
    state.nStep = 0;
    EXPECT_EQ(ProgressPlainLine(state), "Diagnostics: 0% (step 0), about 7:07 left")
        << "before the first step, the expected ticks";
    state.nStep = 300;
    EXPECT_EQ(ProgressPlainLine(state), "Diagnostics: 100% (step 300), about 0:00 left");
}

TEST(CliOptions, TheDailyTimeIsHoursAndMinutesInRange)
{
    int nHour = -1;
    int nMinute = -1;
    EXPECT_TRUE(ParseDailyTime("00:00", nHour, nMinute));
    EXPECT_TRUE(ParseDailyTime("23:59", nHour, nMinute));
    EXPECT_EQ(nHour, 23);
    EXPECT_EQ(nMinute, 59);
    for (const char* szBad : {"24:00", "12:60", "1:00", "12-00", "ab:cd", "", "12:000"})
        EXPECT_FALSE(ParseDailyTime(szBad, nHour, nMinute)) << szBad;
}

TEST(CliOptions, HowASequenceEndedIsItsExitStatus)
{
    SequenceOutcome outcome;
    EXPECT_EQ(SequenceExitStatus(outcome, 0), EXIT_DONE);
    EXPECT_EQ(SequenceExitStatus(outcome, 2), EXIT_FAILED) << "a load ended as failed (a line refused twice)";
    outcome.nEnd = SEQ_NO_REPLY;
    EXPECT_EQ(SequenceExitStatus(outcome, 2), EXIT_NO_REPLY);
    outcome.nEnd = SEQ_FILE_ERROR;
    EXPECT_EQ(SequenceExitStatus(outcome, 0), EXIT_FILE);
    for (int nEnd : {SEQ_CONNECTION_CLOSED, SEQ_CONNECTION_LOST, SEQ_CANCELLED, SEQ_OPSTATE_UNREAD}) {
        outcome.nEnd = nEnd;
        EXPECT_EQ(SequenceExitStatus(outcome, 0), EXIT_FAILED) << nEnd;
    }
}

TEST(CliOptions, WhatEscapesARunEndsItWithItsReasonAndStatusOne)
{
    std::ostringstream err;
    EXPECT_EQ(RunCatchingEscapes(err, [] { return EXIT_NO_REPLY; }), EXIT_NO_REPLY);
    EXPECT_EQ(err.str(), "") << "a run that ends by itself is left alone";

    EXPECT_EQ(RunCatchingEscapes(err, []() -> int { throw std::runtime_error("the disk went away"); }), EXIT_FAILED);
    EXPECT_EQ(err.str(), "halyard-cli: the disk went away\n");

    err.str("");
    EXPECT_EQ(RunCatchingEscapes(err, []() -> int { throw 42; }), EXIT_FAILED);
    EXPECT_EQ(err.str().rfind("halyard-cli: ", 0), 0u) << err.str();
}

}  // namespace
}  // namespace halyard::test
