// halyard-cli log as a station runs it: the program is started on the
// pseudo-terminal of a simulated sensor in this process, then its CPU time
// (user and system, from /proc) is taken over the time asked, with its
// resident memory (now and at its peak) and records in against records out.
// - by default the sensor sends data lines of about 80 characters back to
//   back at 57600 baud, the line's own pace (10 bits a character);
// - with --silent it sends nothing: the cost of a connected, idle station;
// - with --mqtt the station also publishes every record to a broker this
//   program starts on 127.0.0.1 (the state goes to a folder of its own).
//
//   halyard_cli_log_bench PROGRAM [SECONDS] [--silent] [--mqtt]   (default 60 s)
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
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

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [SECONDS] [--silent] [--mqtt]\n", argv[0]);
        return 2;
    }
    int nSeconds = 60;
    bool bSilent = false;
    bool bMqtt = false;
    for (int n = 2; n < argc; ++n) {
        if (std::strcmp(argv[n], "--silent") == 0)
            bSilent = true;
        else if (std::strcmp(argv[n], "--mqtt") == 0)
            bMqtt = true;
        else
            nSeconds = std::atoi(argv[n]);
    }
    halyard::sim::CSimSensor sensor;
    if (!sensor.Start())
        return 1;
    const std::string strLog = std::filesystem::temp_directory_path() / ("halyard-cli-bench-" + std::to_string(getpid()) + ".LOG");
    std::vector<std::string> args = {argv[1],      "--quiet",  "--port", sensor.DevicePath(), "--baud",
                                     "57600",      "log",      strLog,   "--no-auto-r"};
    halyard::test::CTempFolder state;
    halyard::test::CMosquittoBroker broker;
    if (bMqtt) {
        if (!state.IsValid() || !broker.Start())
            return 1;
        args.insert(args.end(), {"--mqtt", "mqtt://127.0.0.1:" + std::to_string(broker.Port()), "--station",
                                 "bench", "--state-dir", state.Path()});
    }
    std::vector<char*> cargs;
    for (std::string& arg : args)
        cargs.push_back(arg.data());
    cargs.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[1], nullptr, nullptr, cargs.data(), environ) != 0)
        return 1;
    for (int n = 0; n < 3000 && !std::filesystem::exists(strLog); ++n)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(1s);  // the identification's last traffic is over

    const double dCpuStart = ProcCpuSeconds(pid);
    const double dRunStart = ProcRunSeconds(pid);
    const unsigned long long nWakeStart = ProcWakeUps(pid);
    const long nRssStart = ProcStatusKb(pid, "VmRSS");
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(nSeconds);
    int nSent = 0;
    if (bSilent)
        std::this_thread::sleep_until(end);
    else
        nSent = Stream(sensor, end);
    for (int n = 0; n < 500 && CountRecords(strLog) < static_cast<size_t>(nSent); ++n)
        std::this_thread::sleep_for(10ms);
    const double dWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double dCpu = ProcCpuSeconds(pid) - dCpuStart;
    const double dRun = ProcRunSeconds(pid) - dRunStart;
    const unsigned long long nWakeUps = ProcWakeUps(pid) - nWakeStart;
    const long nRss = ProcStatusKb(pid, "VmRSS");
    const long nHwm = ProcStatusKb(pid, "VmHWM");
    ::kill(pid, SIGTERM);
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    const size_t nRecords = CountRecords(strLog);
    std::filesystem::remove(strLog);

    std::printf("halyard-cli log%s, %s, %d s: %d lines sent, %zu records logged\n", bMqtt ? " --mqtt" : "",
                bSilent ? "connected, sensor silent" : "57600 baud", nSeconds, nSent, nRecords);
    std::printf("CPU %.2f s in %.2f s: %.3f%% of one core (on a CPU by the scheduler's count: %.4f s, %.4f%%)\n",
                dCpu, dWall, 100.0 * dCpu / dWall, dRun, 100.0 * dRun / dWall);
    std::printf("threads woken %llu times: %.1f a second%s\n", nWakeUps, static_cast<double>(nWakeUps) / dWall,
                nSent > 0 ? (", " + std::to_string(static_cast<double>(nWakeUps) / nSent) + " a line").c_str() : "");
    std::printf("resident memory: %.1f MB at the start, %.1f MB at the end, %.1f MB at the peak\n",
                nRssStart / 1024.0, nRss / 1024.0, nHwm / 1024.0);
    std::printf("exit status after SIGTERM: %d\n", WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1);
    return nRecords == static_cast<size_t>(nSent) ? 0 : 1;
}
