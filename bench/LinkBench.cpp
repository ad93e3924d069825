// The serial link over a real pseudo-terminal, the benchmark playing the sensor
// on the master side:
// - line latency: from the last byte of a line written on the master to the
//   line being available from ReceiveData (woken by the data-in event as the
//   document's watcher is), p50/p99 over 2000 lines;
// - idle CPU: process CPU time of an open, silent, enabled port with its comm
//   watch thread and the document's watcher thread, over 10 s, as % of a core,
//   and how often the comm watch thread woke; beside it what two threads
//   waking every 50 ms cost, as the threads did before they slept until
//   there was work.
// - a hung-up port: passes per second of the comm watch thread and process CPU
//   over 10 s after the other end closed (a thread that spun on the dead port
//   would pass thousands of times a second; a sleeping one does not pass).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "BenchLines.h"
#include "TestPty.h"
#include "platform/WaitSet.h"
#include "serial/CSerial_IF.h"
#include "serial/CommsCheckThread.h"

using namespace halyard;
using halyard::bench::DataMessage;

namespace {

using SteadyClock = std::chrono::steady_clock;

double ProcessCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

class NullTarget : public IMessageTarget {
public:
    void PostMessage(uint32_t, uintptr_t, intptr_t) override {}
};

double Percentile(std::vector<double> values, double dFraction)
{
    std::sort(values.begin(), values.end());
    const auto nIndex = static_cast<size_t>(dFraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[nIndex];
}

void BM_LineLatencyOverPty(benchmark::State& state)
{
    test::PtyPair pty;
    CSerial_IF serial;
    if (!pty.IsValid() || !serial.Initialise(pty.SlavePath(), 60, "", 10)) {
        state.SkipWithError("cannot open a pseudo-terminal");
        return;
    }
    serial.EnableCommThread(true);
    EventHandle hDataIn = CreateAutoResetEvent(serial.GetDataInEventName());
    constexpr int kLines = 2000;
    std::vector<double> latencies;
    latencies.reserve(kLines);
    uint8_t buffer[4096];
    for (auto _ : state) {
        for (int i = 0; i < kLines; ++i) {
            const std::string strLine = DataMessage(i);
            pty.Write(strLine);
            const auto t0 = SteadyClock::now();
            uint32_t n = 0;
            while (!serial.ReceiveData(buffer, &n, sizeof buffer))
                WaitForEvent(*hDataIn, 1000);
            const auto t1 = SteadyClock::now();
            latencies.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            pty.Drain();
        }
    }
    state.counters["p50_us"] = Percentile(latencies, 0.50);
    state.counters["p99_us"] = Percentile(latencies, 0.99);
    state.counters["max_us"] = Percentile(latencies, 1.0);
    state.counters["lines"] = static_cast<double>(latencies.size());
}

void BM_IdleCpuOpenSilentPort(benchmark::State& state)
{
    test::PtyPair pty;
    CSerial_IF serial;
    if (!pty.IsValid() || !serial.Initialise(pty.SlavePath(), 61, "", 10)) {
        state.SkipWithError("cannot open a pseudo-terminal");
        return;
    }
    serial.EnableCommThread(true);
    NullTarget frame;
    CommsThreadData data;
    data.hWnd = &frame;
    data.hKillEvent = CreateAutoResetEvent();
    data.hExitEvent = CreateAutoResetEvent();
    data.hDataEvent = CreateAutoResetEvent(serial.GetDataInEventName());
    data.hHangUpEvent = CreateAutoResetEvent(HangUpEventName(61));
    data.nTickLimit = 6000;
    std::thread watcher(CommsCheckThreadProc, &data);
    data.bRun = true;

    double dCpuPercent = 0;
    uint64_t nPasses = 0;
    for (auto _ : state) {
        const uint64_t nPasses0 = serial.GetPassCount();
        const double dCpu0 = ProcessCpuSeconds();
        const auto t0 = SteadyClock::now();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const double dWall = std::chrono::duration<double>(SteadyClock::now() - t0).count();
        dCpuPercent = 100.0 * (ProcessCpuSeconds() - dCpu0) / dWall;
        nPasses = serial.GetPassCount() - nPasses0;
    }
    data.hKillEvent->Set();
    WaitForEvent(*data.hExitEvent, 5000);
    watcher.join();
    state.counters["cpu_pct_of_core"] = dCpuPercent;
    state.counters["watch_passes_per_s"] = static_cast<double>(nPasses) / 10.0;
}

void BM_HungUpPortPasses(benchmark::State& state)
{
    test::PtyPair pty;
    CSerial_IF serial;
    if (!pty.IsValid() || !serial.Initialise(pty.SlavePath(), 62, "", 10)) {
        state.SkipWithError("cannot open a pseudo-terminal");
        return;
    }
    serial.EnableCommThread(true);
    pty.CloseMaster();
    EventHandle hHangUp = CreateAutoResetEvent(HangUpEventName(62));
    if (!WaitForEvent(*hHangUp, 5000)) {
        state.SkipWithError("the port was not seen to hang up");
        return;
    }
    double dCpuPercent = 0;
    double dPassesPerSecond = 0;
    for (auto _ : state) {
        const uint64_t nPasses0 = serial.GetPassCount();
        const double dCpu0 = ProcessCpuSeconds();
        const auto t0 = SteadyClock::now();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const double dWall = std::chrono::duration<double>(SteadyClock::now() - t0).count();
        dCpuPercent = 100.0 * (ProcessCpuSeconds() - dCpu0) / dWall;
        dPassesPerSecond = static_cast<double>(serial.GetPassCount() - nPasses0) / dWall;
    }
    state.counters["cpu_pct_of_core"] = dCpuPercent;
    state.counters["watch_passes_per_s"] = dPassesPerSecond;
}

// What two threads that only wake every 50 ms cost on this machine: what the
// idle figure was bound to be while both threads passed every 50 ms.
void BM_IdleCpuFloorTwoTimerThreads(benchmark::State& state)
{
    std::atomic<bool> bStop{false};
    const auto sleeper = [&bStop] {
        while (!bStop)
            std::this_thread::sleep_for(std::chrono::milliseconds(COMM_WATCH_PASS_MS));
    };
    std::thread first(sleeper);
    std::thread second(sleeper);
    double dCpuPercent = 0;
    for (auto _ : state) {
        const double dCpu0 = ProcessCpuSeconds();
        const auto t0 = SteadyClock::now();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const double dWall = std::chrono::duration<double>(SteadyClock::now() - t0).count();
        dCpuPercent = 100.0 * (ProcessCpuSeconds() - dCpu0) / dWall;
    }
    bStop = true;
    first.join();
    second.join();
    state.counters["cpu_pct_of_core"] = dCpuPercent;
}

}  // namespace

BENCHMARK(BM_LineLatencyOverPty)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleCpuOpenSilentPort)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HungUpPortPasses)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleCpuFloorTwoTimerThreads)->Iterations(1)->Unit(benchmark::kMillisecond);
