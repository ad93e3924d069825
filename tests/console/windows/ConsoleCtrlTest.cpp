// Ctrl-C and Ctrl-Break on Windows: the console control handler turns them
// into the signal the console loop watches for, as SIGINT is on Linux, and
// the session stops its loop on it.
#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

#include "console/CConsoleSession.h"
#include "console/CSignalWatch.h"

// After the program's headers: its macros (WM_APP, MessageBox) would rename their names.
#include <windows.h>

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

// Delivers a console control event as the system does: a new thread of the
// process runs the system's control routine, which calls the handlers set
// (GenerateConsoleCtrlEvent needs a console window, which a test under Wine
// does not have).
bool SendControlEvent(DWORD dwCtrlType)
{
    const HMODULE hKernel = ::GetModuleHandleW(L"kernelbase.dll");
    const FARPROC pRoutine = hKernel != nullptr ? ::GetProcAddress(hKernel, "CtrlRoutine") : nullptr;
    if (pRoutine == nullptr)
        return false;
    // Through void*: a function pointer of another type, as GetProcAddress gives every one.
    const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(pRoutine));
    void* pParameter = reinterpret_cast<void*>(static_cast<uintptr_t>(dwCtrlType));
    const HANDLE hThread = ::CreateThread(nullptr, 0, routine, pParameter, 0, nullptr);
    if (hThread == nullptr)
        return false;
    ::CloseHandle(hThread);
    return true;
}

TEST(ConsoleCtrl, CtrlCAndCtrlBreakAreTheSignalsTheLoopStopsOn)
{
    CSignalWatch watch;
    ASSERT_TRUE(watch.IsValid());
    CConsoleLoop loop;
    std::vector<int> signals;
    loop.WatchFd(watch.Fd(), [&] {
        signals.push_back(watch.Take());
        loop.Quit();
    });
    EXPECT_EQ(watch.Take(), 0) << "nothing arrived yet";

    ASSERT_TRUE(SendControlEvent(CTRL_C_EVENT));
    EXPECT_TRUE(loop.RunUntil([&] { return !signals.empty(); }, 10s)) << "Ctrl-C reached the loop";
    loop.ResetQuit();
    ASSERT_TRUE(SendControlEvent(CTRL_BREAK_EVENT));
    EXPECT_TRUE(loop.RunUntil([&] { return signals.size() == 2; }, 10s)) << "Ctrl-Break reached the loop";
    EXPECT_EQ(signals, (std::vector<int>{SIGINT, SIGBREAK}));
}

TEST(ConsoleCtrl, ASessionWatchingTheSignalsQuitsItsLoopAtCtrlC)
{
    CSignalWatch watch;
    ASSERT_TRUE(watch.IsValid());
    std::ostringstream out;
    std::ostringstream err;
    CommonOptions options;
    CConsoleSession session(options, out, err);
    session.WatchSignals(watch.Fd(), [&watch] { return watch.Take(); });
    ASSERT_TRUE(SendControlEvent(CTRL_C_EVENT));
    EXPECT_TRUE(session.Loop().RunUntil([&] { return session.Loop().QuitRequested(); }, 10s));
    EXPECT_EQ(session.m_nSignal, SIGINT);
}

}  // namespace
}  // namespace halyard::test
