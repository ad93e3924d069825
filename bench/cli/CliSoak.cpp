// halyard-cli log for a long run with a daily file change every minute: the
// log subcommand runs in this process, as main runs it, on the pseudo-terminal
// of a sensor that streams data lines back to back at 57600 baud (10 bits a
// character) and loses none of them. The program's clock is the one thing
// replaced: it runs 1440 times as fast as the real one, so that a day passes
// every minute and "--daily 00:00" starts a new file each time; the stamps in
// the records follow that clock. Everything else (the serial link, its
// threads, the loop's timers, the file writes) runs in real time.
//
// Figures: resident memory and open descriptors of this process (the sensor's
// own few descriptors are among them and stay the same) at the start, every
// ten minutes and at the end, and the lines sent against the records in all
// the daily files, each line once and in order.
//
//   halyard_cli_soak [MINUTES [FOLDER]]   (default 60; FOLDER is kept)
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "ProcStatus.h"
#include "StreamSensor.h"
#include "console/Commands.h"
#include "platform/Clock.h"
#include "platform/UniqueFd.h"

namespace {

using namespace std::chrono_literals;
using halyard::test::OpenFdCount;
using halyard::test::ProcStatusKb;

constexpr int kRate = 1440;  // a day a minute

// Local time that runs kRate times as fast as the steady clock from a start.
class CFastClock : public halyard::IClock {
public:
    explicit CFastClock(halyard::TimePoint start)
        : m_start(start)
        , m_steadyStart(std::chrono::steady_clock::now())
    {}
    halyard::TimePoint Now() override
    {
        const auto elapsed = std::chrono::steady_clock::now() - m_steadyStart;
        return m_start + std::chrono::duration_cast<halyard::TimePoint::duration>(elapsed * kRate);
    }
    // The program's deliberate pauses take their real time.
    void Sleep(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }

private:
    const halyard::TimePoint m_start;
    const std::chrono::steady_clock::time_point m_steadyStart;
};

// Data line n: about 80 characters, its number at a fixed place.
std::string SoakLine(long n)
{
    char szLine[128];
    std::snprintf(szLine, sizeof szLine,
                  "PW 00 %07ld 00123 01234 +12.5 0000 0  1.23  0.00 000 0000 00 +0.15 1013.2 %05ld", n,
                  (n * 37) % 100000);
    return szLine;
}
constexpr size_t kNumberAt = 6;
constexpr size_t kNumberDigits = 7;

struct LogCount {
    int nFiles = 0;
    long nRecords = 0;
    long nOutOfOrder = 0;  // a record that is not the one after the record before it in its file
    long nMalformed = 0;   // not a line sent with its stamp
    std::vector<long> numbers;
};

void CountFile(const std::filesystem::path& path, LogCount& count)
{
    std::ifstream in(path, std::ios::binary);
    const std::string strText((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ++count.nFiles;
    long nLast = -1;
    size_t nStart = 0;
    for (size_t nEnd; (nEnd = strText.find("\r\n", nStart)) != std::string::npos; nStart = nEnd + 2) {
        const std::string strRecord = strText.substr(nStart, nEnd - nStart);
        ++count.nRecords;
        // ",dd/mm/yyyy,HH:MM:SS" after the line.
        const long n = strRecord.size() > kNumberAt + kNumberDigits
                           ? std::atol(strRecord.substr(kNumberAt, kNumberDigits).c_str())
                           : -1;
        if (n < 0 || strRecord.size() != SoakLine(n).size() + 20 || strRecord.rfind(SoakLine(n), 0) != 0) {
            ++count.nMalformed;
            continue;
        }
        if (nLast >= 0 && n != nLast + 1)
            ++count.nOutOfOrder;
        nLast = n;
        count.numbers.push_back(n);
    }
    if (nStart != strText.size())
        ++count.nMalformed;  // a torn last record
}

LogCount CountLogs(const std::string& strFolder)
{
    LogCount count;
    for (const auto& entry : std::filesystem::directory_iterator(strFolder)) {
        if (entry.path().extension() == ".LOG")
            CountFile(entry.path(), count);
    }
    return count;
}

// Records so far in all the files, counted by their line ends without
// holding a whole file.
long WholeRecordsIn(const std::string& strFolder)
{
    long nRecords = 0;
    for (const auto& entry : std::filesystem::directory_iterator(strFolder)) {
        if (entry.path().extension() != ".LOG")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        char chLast = 0;
        for (char c; in.get(c); chLast = c)
            nRecords += chLast == '\r' && c == '\n' ? 1 : 0;
    }
    return nRecords;
}

void Report(const char* szWhen, int nFiles)
{
    std::printf("%-10s resident %6.1f MB (peak %6.1f MB), %3d descriptors open, %3d files\n", szWhen,
                ProcStatusKb(getpid(), "VmRSS") / 1024.0, ProcStatusKb(getpid(), "VmHWM") / 1024.0,
                OpenFdCount(getpid()), nFiles);
    std::fflush(stdout);
}

int CountLogFiles(const std::string& strFolder)
{
    int nFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(strFolder))
        nFiles += entry.path().extension() == ".LOG" ? 1 : 0;
    return nFiles;
}

}  // namespace

int main(int argc, char** argv)
{
    const int nMinutes = argc > 1 ? std::atoi(argv[1]) : 60;
    const bool bKeep = argc > 2;
    const std::string strFolder =
        bKeep ? std::string(argv[2])
              : (std::filesystem::temp_directory_path() / ("halyard-soak-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(strFolder);

    // Five minutes past midnight: the first change is a minute away.
    CFastClock clock(halyard::MakeLocalTime(2026, 12, 1, 0, 5, 0));
    halyard::SetClock(&clock);
    halyard::test::CStreamSensor sensor(57600);
    if (!sensor.Start())
        return 1;

    halyard::CommonOptions options;
    options.strPort = sensor.DevicePath();
    options.dwBaud = 57600;
    halyard::LogOptions log;
    log.strFile = strFolder + "/station.LOG";
    log.strDaily = "00:00";
    log.strPrefix = "station";
    log.bNoAutoR = true;
    std::ofstream out(strFolder + "/soak.out");
    std::ofstream err(strFolder + "/soak.err");
    halyard::CliContext context(out, err);
    halyard::CUniqueFd stop(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    context.nSignalFd = stop.Get();
    context.takeSignal = [&stop] {
        uint64_t count = 0;
        return ::read(stop.Get(), &count, sizeof count) == sizeof count ? SIGTERM : 0;
    };
    auto result = std::async(std::launch::async, [&] { return halyard::RunLog(options, log, context); });
    while (!std::filesystem::exists(log.strFile) && result.wait_for(10ms) != std::future_status::ready) {
    }
    if (!std::filesystem::exists(log.strFile)) {
        std::fprintf(stderr, "logging did not start (exit status %d); see %s/soak.err\n", result.get(),
                     strFolder.c_str());
        return 1;
    }

    const long nRssStart = ProcStatusKb(getpid(), "VmRSS");
    const int nFdStart = OpenFdCount(getpid());
    std::printf("halyard-cli log, 57600 baud, %d min, a day a minute, files in %s\n", nMinutes, strFolder.c_str());
    Report("start", CountLogFiles(strFolder));
    const auto start = std::chrono::steady_clock::now();
    long nSent = 0;
    for (int nMinute = 1; nMinute <= nMinutes; ++nMinute) {
        const auto end = start + std::chrono::minutes(nMinute);
        while (std::chrono::steady_clock::now() < end && sensor.SendLine(SoakLine(nSent)))
            ++nSent;
        if (nMinute % 10 == 0 || nMinute == nMinutes)
            Report(("min " + std::to_string(nMinute)).c_str(), CountLogFiles(strFolder));
    }
    // Taken before the files are read back, which takes memory of its own.
    const long nRssEnd = ProcStatusKb(getpid(), "VmRSS");
    const long nPeakEnd = ProcStatusKb(getpid(), "VmHWM");
    const int nFdEnd = OpenFdCount(getpid());
    // Every line sent reaches the file while logging goes on.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (WholeRecordsIn(strFolder) < nSent && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(100ms);

    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t nWritten = ::write(stop.Get(), &one, sizeof one);
    const int nExit = result.get();
    const int nFdStopped = OpenFdCount(getpid());
    halyard::SetClock(nullptr);

    LogCount count = CountLogs(strFolder);
    std::sort(count.numbers.begin(), count.numbers.end());
    const bool bEachOnce = static_cast<long>(count.numbers.size()) == nSent &&
                           std::adjacent_find(count.numbers.begin(), count.numbers.end()) == count.numbers.end() &&
                           (count.numbers.empty() || (count.numbers.front() == 0 && count.numbers.back() == nSent - 1));
    std::printf("lines sent %ld, records logged %ld in %d files; each line once: %s; out of order %ld, "
                "malformed %ld\n",
                nSent, count.nRecords, count.nFiles, bEachOnce ? "yes" : "NO", count.nOutOfOrder, count.nMalformed);
    std::printf("resident memory %+.1f MB (%.1f -> %.1f MB, peak %.1f MB) while logging; descriptors %d at the "
                "start, %d at the end, %d after the log stopped\n",
                (nRssEnd - nRssStart) / 1024.0, nRssStart / 1024.0, nRssEnd / 1024.0, nPeakEnd / 1024.0, nFdStart,
                nFdEnd, nFdStopped);
    std::printf("the sensor's writes waited for a full terminal %d times; exit status %d\n", sensor.Stalls(), nExit);
    sensor.HangUp();
    const bool bOk = bEachOnce && count.nOutOfOrder == 0 && count.nMalformed == 0 && nFdEnd == nFdStart &&
                     count.nFiles >= nMinutes && nExit == 0;
    if (bOk && !bKeep)
        std::filesystem::remove_all(strFolder);
    return bOk ? 0 : 1;
}
