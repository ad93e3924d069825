// A full diagnostic dump in real time: the document against the simulated
// sensor on a pseudo-terminal at 9600 baud, sending a data message of its own
// every 2 s, with timer 8 ticking every 500 ms and timer 2 every second as the
// view drives them. Reports the wall time and the count of 500 ms ticks; the
// floor is one tick per step (194 steps) plus the timed waits, each ended by
// the next data message. Run as: build/bench/halyard_bench --benchmark_filter=FullDump
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "DocPump.h"
#include "RecordingHost.h"
#include "SimSensor.h"
#include "document/CHalyardDoc.h"
#include "platform/PortTable.h"

using namespace halyard;

namespace {

void BM_FullDump(benchmark::State& state)
{
    for (auto _ : state) {
        sim::SimOptions options;
        options.wOpState = 0x0001;
        options.nDataPeriodMs = 2000;
        sim::CSimSensor sensor(options);
        if (!sensor.Start()) {
            state.SkipWithError("no simulated sensor");
            return;
        }
        const int nPort = CPortTable::Instance().RegisterSimulated(sensor.DevicePath(), "bench");
        test::CRecordingHost host;
        host.m_beforeTick = [](CConnectLogic&, int) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        };
        CHalyardDoc doc(host);
        doc.OnNewDocument();
        test::CDocPump pump(doc, host);
        doc.SetUpPortAndBaudRate(nPort, 9600);
        if (!doc.ConnectToSensor()) {
            state.SkipWithError("could not connect");
            return;
        }
        const std::string strPath = "/tmp/halyard-dumpbench.TXT";
        const auto start = std::chrono::steady_clock::now();
        doc.DumpAll(strPath);
        int nTicks = 0;
        auto next = start;
        while (doc.RunningSequence() == Sequence::DumpAll && nTicks < 4000) {
            next += std::chrono::milliseconds(500);
            while (std::chrono::steady_clock::now() < next) {
                pump.Pump();
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            ++nTicks;
            doc.OnTimer(TIMER_SEQUENCE);
            if (nTicks % 2 == 0)
                doc.OnTimer(TIMER_CLOCK);
        }
        const double dSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.counters["wall_s"] = dSeconds;
        state.counters["ticks_500ms"] = nTicks;
        state.counters["no_reply_boxes"] = static_cast<double>(host.m_messageBoxes.size());
        doc.CloseConnection(false);
        CPortTable::Instance().Unregister(nPort);
    }
}
BENCHMARK(BM_FullDump)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
