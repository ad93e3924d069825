// Loading a log into the data plot's series store, as "Open Log..." does it
// (LoadLogSeries on a worker thread; here on the main thread, with the same
// progress callback): a month at one data message a minute (43,200 records)
// and a day at 57600 baud (82-byte lines back to back, about 70 a second:
// 6,067,200 records). The logs are written once to /tmp in the program's own
// record format (LogRecord, time stamps on) and kept for the next run.
//
//   halyard_plot_load_bench month|day
//
// Prints the records, the data messages, the seconds the load took and the
// peak resident memory of the process (VmHWM). Run each log in a process of
// its own, so that the peak is that log's.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchLines.h"
#include "ProcStatus.h"
#include "document/CSeriesStore.h"
#include "document/LogFiles.h"
#include "document/LogReader.h"

using namespace halyard;

namespace {

struct LogShape {
    const char* szName;
    long nRecords;
    std::chrono::microseconds period;
};

constexpr LogShape kMonth = {"month", 43200, std::chrono::minutes(1)};
// 82 bytes of 10 bits at 57600 baud: 14.236 ms a line.
constexpr LogShape kDay = {"day", 6067200, std::chrono::microseconds(14236)};

std::string LogPath(const LogShape& shape)
{
    return "/tmp/halyard-plot-bench-" + std::string(shape.szName) + ".LOG";
}

void WriteLog(const LogShape& shape, const std::string& strPath)
{
    const std::string strPartial = strPath + ".part";
    std::ofstream out(strPartial, std::ios::binary | std::ios::trunc);
    const TimePoint start = MakeLocalTime(2026, 12, 1, 0, 0, 0);
    for (long n = 0; n < shape.nRecords; ++n) {
        const std::string strLine = bench::DataMessage(static_cast<int>(n));
        const TimePoint at = start + std::chrono::duration_cast<TimePoint::duration>(shape.period * n);
        std::string strRecord = LogRecord(reinterpret_cast<const uint8_t*>(strLine.data()),
                                          static_cast<uint32_t>(strLine.size()), true, at);
        // The text file writes a record's "\n" as CR LF.
        strRecord.insert(strRecord.size() - 1, "\r");
        out << strRecord;
    }
    out.close();
    std::filesystem::rename(strPartial, strPath);
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 2 || (std::strcmp(argv[1], "month") != 0 && std::strcmp(argv[1], "day") != 0)) {
        std::fprintf(stderr, "usage: %s month|day\n", argv[0]);
        return 2;
    }
    const LogShape& shape = std::strcmp(argv[1], "month") == 0 ? kMonth : kDay;
    const std::string strPath = LogPath(shape);
    if (!std::filesystem::exists(strPath))
        WriteLog(shape, strPath);
    const long nBefore = test::ProcStatusKb(::getpid(), "VmHWM");

    CSeriesStore store;
    uint64_t nProgressCalls = 0;
    const auto start = std::chrono::steady_clock::now();
    const LogSeriesLoad load = LoadLogSeries(strPath, store, [&](uint64_t, uint64_t) {
        ++nProgressCalls;
        return true;
    });
    const double dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf("%s log: %zu records, %zu data messages, %zu without time, %zu fields, %zu messages a point\n",
                shape.szName, load.summary.nRecords, load.summary.nDataMessages, load.summary.nWithoutTime,
                store.Fields().size(), store.MessagesPerPoint(3));
    std::printf("load: %.2f s, %llu progress calls; VmHWM %ld kB (%ld kB before loading)\n", dSeconds,
                static_cast<unsigned long long>(nProgressCalls), test::ProcStatusKb(::getpid(), "VmHWM"),
                nBefore);
    return load.summary.nDataMessages == static_cast<size_t>(shape.nRecords) ? 0 : 1;
}
