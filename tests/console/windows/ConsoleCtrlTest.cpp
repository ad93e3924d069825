// Ctrl-C and Ctrl-Break on Windows: the console control handler turns them
// into the signal the console loop watches for, as SIGINT is on Linux, and
// the session stops its loop on it.
#include <gtest/gtest.h>

#include <windows.h>

#include <csignal>
#include <sstream>

#include "console/CConsoleSession.h"
#include "console/CSignalWatch.h"

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

// A console of its own for the control events (a test started without one).
bool HaveConsole()
{
    return ::GetConsoleWindow() != nullptr || ::AllocConsole() != FALSE ||
           ::GetLastError() == ERROR_ACCESS_DENIED;  // there is one already
}

TEST(ConsoleCtrl, CtrlCAndCtrlBreakAreTheSignalsTheLoopStopsOn)
{
    ASSERT_TRUE(HaveConsole());
    CSignalWatch watch;
    ASSERT_TRUE(watch.IsValid());
    CConsoleLoop loop;
    std::vector<int> signals;
    loop.WatchFd(watch.Fd(), [&] {
        signals.push_back(watch.Take());
        loop.Quit();
    });
    EXPECT_EQ(watch.Take(), 0) << "nothing arrived yet";

    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    EXPECT_TRUE(loop.RunUntil([&] { return !signals.empty(); }, 10s)) << "Ctrl-C reached the loop";
    loop.ResetQuit();
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0));
    EXPECT_TRUE(loop.RunUntil([&] { return signals.size() == 2; }, 10s)) << "Ctrl-Break reached the loop";
    EXPECT_EQ(signals, (std::vector<int>{SIGINT, SIGBREAK}));
}

TEST(ConsoleCtrl, ASessionWatchingTheSignalsQuitsItsLoopAtCtrlC)
{
    ASSERT_TRUE(HaveConsole());
    CSignalWatch watch;
    ASSERT_TRUE(watch.IsValid());
    std::ostringstream out;
    std::ostringstream err;
    CommonOptions options;
    CConsoleSession session(options, out, err);
    session.WatchSignals(watch.Fd(), [&watch] { return watch.Take(); });
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    EXPECT_TRUE(session.Loop().RunUntil([&] { return session.Loop().QuitRequested(); }, 10s));
    EXPECT_EQ(session.m_nSignal, SIGINT);
}

}  // namespace
}  // namespace halyard::test
