// How long a station takes to open its journal at a start with a backlog
// waiting: a week of records at one every 15 s (40,320), and a million
// (about 140 MB, the size of a long outage on a fast stream). The journal is
// filled once, as a station killed during the outage leaves it, then opened
// again and again.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "network/CRecordSpool.h"

using namespace halyard;

namespace {

constexpr uint64_t kBound = 256ull << 20;

std::string StateFolder(int64_t nRecords)
{
    return (std::filesystem::temp_directory_path() /
            ("halyard-journalbench-" + std::to_string(::getpid()) + "-" + std::to_string(nRecords)))
        .string();
}

bool Fill(const std::string& strFolder, int64_t nRecords)
{
    std::filesystem::remove_all(strFolder);
    CRecordSpool spool(strFolder, "mast-1", kBound);
    if (!spool.Open())
        return false;
    StationRecord record{"", 0, "2026-12-10T01:02:03Z", "PW  1 00 12345 12345 12345 R+ -10.5 +12.3 0 0 0 0",
                         RecordKind::Data};
    for (int64_t n = 0; n < nRecords; ++n)
        if (spool.Append(record) != CRecordSpool::AppendResult::Queued)
            return false;
    return true;  // no position saved: every record waits
}

void BM_JournalOpen(benchmark::State& state)
{
    const int64_t nRecords = state.range(0);
    const std::string strFolder = StateFolder(nRecords);
    if (!Fill(strFolder, nRecords)) {
        std::filesystem::remove_all(strFolder);
        state.SkipWithError("the journal could not be filled");
        return;
    }
    for (auto _ : state) {
        CRecordSpool spool(strFolder, "mast-1", kBound);
        if (!spool.Open() || spool.Waiting() != static_cast<uint64_t>(nRecords)) {
            state.SkipWithError("the journal did not open with every record waiting");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * nRecords);
    std::filesystem::remove_all(strFolder);
}
BENCHMARK(BM_JournalOpen)->Arg(40320)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
