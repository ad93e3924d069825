// Throughput of the line assembler on realistic sensor traffic: ~80-character
// data messages ending CR LF, fed in reads of 20 lines (what one parse call
// completes) and taken out again as the owner would.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "BenchLines.h"
#include "serial/CSerial_IF.h"
#include "serial/LineAssembler.h"

using namespace halyard;
using halyard::bench::DataMessage;

namespace {

void BM_ParseLines(benchmark::State& state)
{
    CCircularBuffer rx;
    CPacketBuffer packets;
    rx.Initialise(SERIAL_BUFFER_SIZE);
    packets.Initialise(SERIAL_PACKET_SLOTS);
    std::string strRead;
    for (int i = 0; i < 20; ++i)
        strRead += DataMessage(i);
    const auto* pRead = reinterpret_cast<const uint8_t*>(strRead.data());
    const auto dwRead = static_cast<uint32_t>(strRead.size());

    uint8_t line[PACKET_SLOT_SIZE];
    uint64_t nLines = 0;
    for (auto _ : state) {
        rx.AddData(pRead, dwRead);
        while (ParseLines(rx, packets, '\n')) {
            uint32_t n = 0;
            while (packets.GetData(line, &n))
                ++nLines;
        }
        benchmark::DoNotOptimize(line);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * dwRead);
    state.counters["line_bytes"] = static_cast<double>(dwRead) / 20.0;
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(nLines), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_ParseLines);
