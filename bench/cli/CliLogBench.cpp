// halyard-cli log as a station runs it: the program is started on the
// pseudo-terminal of a simulated sensor in this process, then its CPU time
// (user and system, from /proc) is taken over the time asked, with its
// resident memory (now and at its peak) and records in against records out.
// - by default the sensor sends data lines of about 80 characters back to
//   back at 57600 baud, the line's own pace (10 bits a character);
// - with --silent it sends nothing: the cost of a connected, idle station;
// - with --wine, halyard-cli.exe runs under Wine at the same time on a
//   second sensor, whose terminal Wine's registry makes COM9 (in the prefix
//   WINEPREFIX names, whose server is restarted for it: give it one of its
//   own). It is stopped by SIGINT, Wine's Ctrl-C. Its figures, and those of
//   the prefix's wineserver, through which Wine's serial calls go, stand
//   beside the Linux program's.
//
// - with --mqtt the Linux program also publishes every record to a broker
//   this program starts on 127.0.0.1 (its state in a folder of its own).
//
//   halyard_cli_log_bench PROGRAM [SECONDS] [--silent] [--mqtt] [--wine WINE_RUN PROGRAM.exe]   (default 60 s)
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchLines.h"
#include "MosquittoBroker.h"
#include "ProcStatus.h"
#include "SimSensor.h"
#include "TempFolder.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using halyard::test::ProcCpuSeconds;
using halyard::test::ProcRunSeconds;
using halyard::test::ProcStatusKb;
using halyard::test::ProcWakeUps;

size_t CountRecords(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t nRecords = 0;
    for (size_t pos = 0; (pos = text.find("\r\n", pos)) != std::string::npos; pos += 2)
        ++nRecords;
    return nRecords;
}

// Sends data lines at 57600 baud until end; returns how many were sent.
int Stream(halyard::sim::CSimSensor& sensor, std::chrono::steady_clock::time_point end)
{
    int nSent = 0;
    auto next = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() < end) {
        const std::string strLine = halyard::bench::DataMessage(nSent);
        sensor.SendLine(strLine.substr(0, strLine.size() - 2));
        ++nSent;
        // 10 bits a character at 57600 baud.
        next += std::chrono::microseconds(strLine.size() * 10 * 1000000 / 57600);
        std::this_thread::sleep_until(next);
    }
    return nSent;
}

// One program logging one sensor's stream, and what /proc said of it.
struct LogRun {
    std::string strName;
    halyard::sim::CSimSensor sensor;
    std::string strLog;
    pid_t pid = -1;
    double dCpuStart = 0.0;
    double dRunStart = 0.0;
    unsigned long long nWakeStart = 0;
    long nRssStart = 0;
    int nSent = 0;
};

bool Spawn(LogRun& run, std::vector<std::string> args)
{
    std::vector<char*> cargs;
    for (std::string& arg : args)
        cargs.push_back(arg.data());
    cargs.push_back(nullptr);
    return posix_spawn(&run.pid, cargs[0], nullptr, nullptr, cargs.data(), environ) == 0;
}

void WaitForLog(const LogRun& run)
{
    for (int n = 0; n < 6000 && !std::filesystem::exists(run.strLog); ++n)
        std::this_thread::sleep_for(10ms);
}

void StartMeasuring(LogRun& run)
{
    run.dCpuStart = ProcCpuSeconds(run.pid);
    run.dRunStart = ProcRunSeconds(run.pid);
    run.nWakeStart = ProcWakeUps(run.pid);
    run.nRssStart = ProcStatusKb(run.pid, "VmRSS");
}

// Prints the figures of pid since the start.
void Report(const char* szName, pid_t pid, double dCpuStart, double dRunStart, unsigned long long nWakeStart,
            long nRssStart, double dWall)
{
    const double dCpu = ProcCpuSeconds(pid) - dCpuStart;
    const double dRun = ProcRunSeconds(pid) - dRunStart;
    const unsigned long long nWakeUps = ProcWakeUps(pid) - nWakeStart;
    std::printf("%s: CPU %.2f s in %.2f s: %.3f%% of one core (on a CPU by the scheduler's count: %.4f s, %.4f%%)\n",
                szName, dCpu, dWall, 100.0 * dCpu / dWall, dRun, 100.0 * dRun / dWall);
    std::printf("%s: threads woken %llu times: %.1f a second\n", szName, nWakeUps,
                static_cast<double>(nWakeUps) / dWall);
    std::printf("%s: resident memory: %.1f MB at the start, %.1f MB at the end, %.1f MB at the peak\n", szName,
                nRssStart / 1024.0, ProcStatusKb(pid, "VmRSS") / 1024.0, ProcStatusKb(pid, "VmHWM") / 1024.0);
}

// Stops the program and reports it; true when every line sent was logged.
bool Finish(LogRun& run, int nSignal, double dWall)
{
    for (int n = 0; n < 500 && CountRecords(run.strLog) < static_cast<size_t>(run.nSent); ++n)
        std::this_thread::sleep_for(10ms);
    std::printf("%s: %d lines sent, %zu records logged\n", run.strName.c_str(), run.nSent, CountRecords(run.strLog));
    Report(run.strName.c_str(), run.pid, run.dCpuStart, run.dRunStart, run.nWakeStart, run.nRssStart, dWall);
    const size_t nRecords = CountRecords(run.strLog);
    ::kill(run.pid, nSignal);
    int nStatus = 0;
    ::waitpid(run.pid, &nStatus, 0);
    std::filesystem::remove(run.strLog);
    std::printf("%s: exit status after %s: %d\n", run.strName.c_str(), nSignal == SIGINT ? "SIGINT" : "SIGTERM",
                WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1);
    return nRecords == static_cast<size_t>(run.nSent);
}

// The wineserver of the prefix: the one working in the folder Wine names
// after the prefix's device and inode; -1 when there is none.
pid_t WineServerOf(const std::string& strPrefix)
{
    struct stat info {};
    if (::stat(strPrefix.c_str(), &info) != 0)
        return -1;
    char szFolder[64];
    std::snprintf(szFolder, sizeof szFolder, "server-%llx-%llx", static_cast<unsigned long long>(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::error_code error;
        const std::filesystem::path cwd = std::filesystem::read_symlink(entry.path() / "cwd", error);
        if (!error && cwd.filename() == szFolder)
            return static_cast<pid_t>(std::atoi(entry.path().filename().c_str()));
    }
    return -1;
}

// Maps the sensor's terminal to COM9 and starts the Windows program on it.
bool StartUnderWine(LogRun& run, const std::string& strWineRun, const std::string& strProgram)
{
    // The mapping is read when the prefix's server starts: it is restarted.
    const std::string strMap = "'" + strWineRun + "' reg add 'HKLM\\Software\\Wine\\Ports' /v COM9 /d '" +
                               run.sensor.DevicePath() +
                               "' /f >/dev/null && ($(command -v wineserver || echo /usr/lib/wine/wineserver) -k >/dev/null 2>&1; true)";
    if (std::system(strMap.c_str()) != 0)
        return false;
    return Spawn(run, {strWineRun, strProgram, "--quiet", "--port", "COM9", "--baud", "57600", "log", run.strLog,
                       "--no-auto-r"});
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [SECONDS] [--silent] [--mqtt] [--wine WINE_RUN PROGRAM.exe]\n",
                     argv[0]);
        return 2;
    }
    int nSeconds = 60;
    bool bSilent = false;
    bool bMqtt = false;
    std::string strWineRun;
    std::string strWindowsProgram;
    for (int n = 2; n < argc; ++n) {
        if (std::strcmp(argv[n], "--silent") == 0)
            bSilent = true;
        else if (std::strcmp(argv[n], "--mqtt") == 0)
            bMqtt = true;
        else if (std::strcmp(argv[n], "--wine") == 0 && n + 2 < argc) {
            strWineRun = argv[++n];
            strWindowsProgram = argv[++n];
        } else
            nSeconds = std::atoi(argv[n]);
    }
    const std::string strTemp = std::filesystem::temp_directory_path() / ("halyard-cli-bench-" + std::to_string(getpid()));
    std::vector<std::unique_ptr<LogRun>> runs;
    runs.push_back(std::make_unique<LogRun>());
    runs[0]->strName = "halyard-cli";
    runs[0]->strLog = strTemp + ".LOG";
    if (!runs[0]->sensor.Start())
        return 1;
    std::vector<std::string> args = {argv[1], "--quiet", "--port", runs[0]->sensor.DevicePath(), "--baud",
                                     "57600",  "log",     runs[0]->strLog, "--no-auto-r"};
    halyard::test::CTempFolder state;
    halyard::test::CMosquittoBroker broker;
    if (bMqtt) {
        if (!state.IsValid() || !broker.Start())
            return 1;
        args.insert(args.end(), {"--mqtt", broker.Url(), "--station", "bench", "--state-dir", state.Path()});
    }
    if (!Spawn(*runs[0], args))
        return 1;
    if (!strWineRun.empty()) {
        runs.push_back(std::make_unique<LogRun>());
        runs[1]->strName = "halyard-cli.exe under Wine";
        runs[1]->strLog = strTemp + "-wine.LOG";
        if (!runs[1]->sensor.Start() || !StartUnderWine(*runs[1], strWineRun, strWindowsProgram))
            return 1;
    }
    for (const auto& pRun : runs)
        WaitForLog(*pRun);
    std::this_thread::sleep_for(1s);  // the identification's last traffic is over

    const char* szPrefix = std::getenv("WINEPREFIX");
    // A plain pid: GCC takes an optional one here for maybe uninitialised.
    const pid_t server = strWineRun.empty() || szPrefix == nullptr ? -1 : WineServerOf(szPrefix);
    const double dServerCpu = server > 0 ? ProcCpuSeconds(server) : 0.0;
    const double dServerRun = server > 0 ? ProcRunSeconds(server) : 0.0;
    const unsigned long long nServerWake = server > 0 ? ProcWakeUps(server) : 0;
    const long nServerRss = server > 0 ? ProcStatusKb(server, "VmRSS") : 0;
    for (const auto& pRun : runs)
        StartMeasuring(*pRun);
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(nSeconds);
    std::vector<std::thread> streams;
    for (const auto& pRun : runs) {
        LogRun* p = pRun.get();
        streams.emplace_back([p, end, bSilent] {
            if (bSilent)
                std::this_thread::sleep_until(end);
            else
                p->nSent = Stream(p->sensor, end);
        });
    }
    for (std::thread& stream : streams)
        stream.join();
    const double dWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf("halyard-cli log%s, %s, %d s\n", bMqtt ? " --mqtt" : "", bSilent ? "connected, sensor silent" : "57600 baud", nSeconds);
    bool bAll = Finish(*runs[0], SIGTERM, dWall);
    if (runs.size() > 1) {
        if (server > 0)
            Report("wineserver", server, dServerCpu, dServerRun, nServerWake, nServerRss, dWall);
        bAll = Finish(*runs[1], SIGINT, dWall) && bAll;
    }
    return bAll ? 0 : 1;
}
