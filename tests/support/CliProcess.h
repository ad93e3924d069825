#pragma once
// A program run by a test as a station runs it: its own process, its output
// and error streams in files, signals sent to it, its end waited for with a
// deadline. With bAsNobody the child gives up root (groups, group and user
// id of "nobody") before it starts the program, so that permission checks
// apply to it as they do to a person's account. With nFileSizeLimit its
// files cannot grow past that many bytes: a write beyond fails with EFBIG
// (SIGXFSZ is ignored), a file that fails on demand.

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace halyard::test {

class CCliProcess {
public:
    struct Options {
        bool bAsNobody = false;
        long nFileSizeLimit = 0;
    };

    CCliProcess(const std::string& strProgram, std::vector<std::string> args, const std::string& strOutput)
        : CCliProcess(strProgram, std::move(args), strOutput, Options{})
    {}
    CCliProcess(const std::string& strProgram, std::vector<std::string> args, const std::string& strOutput,
                Options options)
    {
        args.insert(args.begin(), strProgram);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        const std::string strErr = strOutput + ".err";
        // Looked up before the fork: the child may only make plain system calls.
        const passwd* pNobody = options.bAsNobody ? ::getpwnam("nobody") : nullptr;
        const uid_t uid = pNobody ? pNobody->pw_uid : 0;
        const gid_t gid = pNobody ? pNobody->pw_gid : 0;
        if (options.bAsNobody && pNobody == nullptr)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            const int nOut = ::open(strOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int nErr = ::open(strErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (nOut < 0 || nErr < 0 || ::dup2(nOut, 1) < 0 || ::dup2(nErr, 2) < 0)
                ::_exit(126);
            if (options.bAsNobody &&
                (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
                ::_exit(126);
            const rlimit limit{static_cast<rlim_t>(options.nFileSizeLimit),
                               static_cast<rlim_t>(options.nFileSizeLimit)};
            if (options.nFileSizeLimit > 0 &&
                (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit) != 0))
                ::_exit(126);
            ::execve(strProgram.c_str(), argv.data(), environ);
            ::_exit(127);
        }
    }
    ~CCliProcess()
    {
        if (Started() && !m_bEnded) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
    }
    CCliProcess(const CCliProcess&) = delete;
    CCliProcess& operator=(const CCliProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    void Signal(int nSignal) const { ::kill(m_pid, nSignal); }
    bool Ended() const { return m_bEnded; }
    // The exit status; -1 when it ended by a signal or had not ended in time.
    int Wait(std::chrono::seconds timeout = std::chrono::seconds(60))
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!m_bEnded) {
            const pid_t done = ::waitpid(m_pid, &m_nStatus, WNOHANG);
            if (done == m_pid || done < 0) {
                m_bEnded = true;
                break;
            }
            if (std::chrono::steady_clock::now() > deadline)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return WIFEXITED(m_nStatus) ? WEXITSTATUS(m_nStatus) : -1;
    }
    // The signal that ended it, 0 when it exited or has not ended.
    int TermSignal() const { return m_bEnded && WIFSIGNALED(m_nStatus) ? WTERMSIG(m_nStatus) : 0; }

private:
    pid_t m_pid = -1;
    int m_nStatus = 0;
    bool m_bEnded = false;
};

}  // namespace halyard::test
