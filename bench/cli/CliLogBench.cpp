// halyard-cli log under a 57600-baud stream: the program is started as a
// station would start it, on the pseudo-terminal of a simulated sensor in
// this process, which sends data lines of about 80 characters back to back
// at the line's own pace (10 bits a character) for the time asked. Then the
// program's CPU time (user and system, from /proc) over the streaming time,
// its resident memory (now and at its peak) and records in against records out.
//
//   halyard_cli_log_bench PROGRAM [SECONDS]   (default 60)
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "BenchLines.h"
#include "SimSensor.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

// User plus system CPU seconds of a process, from /proc/PID/stat.
double CpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n == 14)
            utime = std::stoull(field);
        if (n == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// A "Vm...:" line of /proc/PID/status in kB.
long StatusKb(pid_t pid, const std::string& strKey)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(strKey + ":", 0) == 0)
            return std::atol(line.c_str() + strKey.size() + 1);
    }
    return -1;
}

size_t CountRecords(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t nRecords = 0;
    for (size_t pos = 0; (pos = text.find("\r\n", pos)) != std::string::npos; pos += 2)
        ++nRecords;
    return nRecords;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [SECONDS]\n", argv[0]);
        return 2;
    }
    const int nSeconds = argc > 2 ? std::atoi(argv[2]) : 60;
    halyard::sim::CSimSensor sensor;
    if (!sensor.Start())
        return 1;
    const std::string strLog = std::filesystem::temp_directory_path() / ("halyard-cli-bench-" + std::to_string(getpid()) + ".LOG");
    std::vector<std::string> args = {argv[1],      "--quiet",  "--port", sensor.DevicePath(), "--baud",
                                     "57600",      "log",      strLog,   "--no-auto-r"};
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

    const double dCpuStart = CpuSeconds(pid);
    const long nRssStart = StatusKb(pid, "VmRSS");
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(nSeconds);
    int nSent = 0;
    auto next = start;
    while (std::chrono::steady_clock::now() < end) {
        const std::string strLine = halyard::bench::DataMessage(nSent);
        sensor.SendLine(strLine.substr(0, strLine.size() - 2));
        ++nSent;
        // 10 bits a character at 57600 baud.
        next += std::chrono::microseconds(strLine.size() * 10 * 1000000 / 57600);
        std::this_thread::sleep_until(next);
    }
    for (int n = 0; n < 500 && CountRecords(strLog) < static_cast<size_t>(nSent); ++n)
        std::this_thread::sleep_for(10ms);
    const double dWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double dCpu = CpuSeconds(pid) - dCpuStart;
    const long nRss = StatusKb(pid, "VmRSS");
    const long nHwm = StatusKb(pid, "VmHWM");
    ::kill(pid, SIGTERM);
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    const size_t nRecords = CountRecords(strLog);
    std::filesystem::remove(strLog);

    std::printf("halyard-cli log, 57600 baud, %d s: %d lines sent, %zu records logged\n", nSeconds, nSent,
                nRecords);
    std::printf("CPU %.2f s in %.2f s: %.3f%% of one core\n", dCpu, dWall, 100.0 * dCpu / dWall);
    std::printf("resident memory: %.1f MB at the start, %.1f MB at the end, %.1f MB at the peak\n",
                nRssStart / 1024.0, nRss / 1024.0, nHwm / 1024.0);
    std::printf("exit status after SIGTERM: %d\n", WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1);
    return nRecords == static_cast<size_t>(nSent) ? 0 : 1;
}
