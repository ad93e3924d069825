#pragma once
// What /proc says about a running process: the CPU time it has used (user
// plus system, from /proc/PID/stat), its resident memory and peak ("VmRSS",
// "VmHWM" of /proc/PID/status, in kB) and the file descriptors it has open
// (the entries of /proc/PID/fd). For figures and for checks that memory and
// descriptors stay flat over a long run.

#include <sys/types.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace halyard::test {

// A "Key:" line of /proc/PID/status in kB; -1 when the process is gone.
inline long ProcStatusKb(pid_t pid, const std::string& strKey)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string strLine; std::getline(in, strLine);) {
        if (strLine.rfind(strKey + ":", 0) == 0)
            return std::atol(strLine.c_str() + strKey.size() + 1);
    }
    return -1;
}

// User plus system CPU seconds the process has used; 0 when it is gone.
inline double ProcCpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string strStat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t nEndOfName = strStat.rfind(')');
    if (nEndOfName == std::string::npos)
        return 0;
    // Fields from the third on (the state) follow the name; utime and stime
    // are the 14th and 15th.
    std::istringstream fields(strStat.substr(nEndOfName + 2));
    std::string strField;
    unsigned long long nTicks = 0;
    for (int n = 3; n <= 15 && fields >> strField; ++n) {
        if (n >= 14)
            nTicks += std::stoull(strField);
    }
    return static_cast<double>(nTicks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// The time the process's threads have spent on a CPU, in seconds, to the
// nanosecond (the sum of /proc/PID/task/*/schedstat); /proc/PID/stat counts
// in ticks of 10 ms, too coarse for an idle program over a minute. Threads
// that have ended no longer count.
inline double ProcRunSeconds(pid_t pid);

// What the scheduler counts for the process's threads (/proc/PID/task/*/schedstat):
// the time spent on a CPU in nanoseconds and how many times they were put on one.
struct SchedCount {
    unsigned long long nRunNs = 0;
    unsigned long long nTimesRun = 0;
};

inline SchedCount ProcSchedCount(pid_t pid)
{
    std::error_code error;
    std::filesystem::directory_iterator it("/proc/" + std::to_string(pid) + "/task", error);
    SchedCount count;
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::ifstream in(it->path() / "schedstat");
        unsigned long long nThreadNs = 0;
        unsigned long long nWaitNs = 0;
        unsigned long long nThreadRuns = 0;
        if (in >> nThreadNs >> nWaitNs >> nThreadRuns) {
            count.nRunNs += nThreadNs;
            count.nTimesRun += nThreadRuns;
        }
    }
    return count;
}

inline double ProcRunSeconds(pid_t pid)
{
    return static_cast<double>(ProcSchedCount(pid).nRunNs) / 1e9;
}

// How many times the process's threads were woken (put on a CPU): on a
// virtual machine, where a wake-up's cost varies from run to run, a steadier
// figure of the work than the CPU time.
inline unsigned long long ProcWakeUps(pid_t pid)
{
    return ProcSchedCount(pid).nTimesRun;
}

// The number of descriptors the process has open; -1 when it is gone.
inline int OpenFdCount(pid_t pid)
{
    std::error_code error;
    std::filesystem::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", error);
    if (error)
        return -1;
    int nCount = 0;
    for (; it != std::filesystem::directory_iterator(); it.increment(error))
        ++nCount;
    return nCount;
}

}  // namespace halyard::test
