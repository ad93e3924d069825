#pragma once
// What /proc says about a running process: its resident memory and peak
// ("VmRSS", "VmHWM" of /proc/PID/status, in kB) and the file descriptors it
// has open (the entries of /proc/PID/fd). For figures and for checks that
// memory and descriptors stay flat over a long run.

#include <sys/types.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
