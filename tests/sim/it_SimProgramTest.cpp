// halyard-sim as a program: started with its options it prints its terminal,
// sends automatic data messages when asked to and stops on SIGTERM.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "PtyClient.h"
#include "WaitUntil.h"

extern char** environ;

namespace halyard::sim {
namespace {

using halyard::test::WaitUntil;
using namespace std::chrono_literals;

// One run of halyard-sim with its standard output on a pipe and its error
// output thrown away; killed at the end if it still runs.
class CSimProgram {
public:
    explicit CSimProgram(const std::vector<std::string>& args)
    {
        int anPipe[2] = {-1, -1};
        if (::pipe2(anPipe, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, anPipe[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::string strProgram = HALYARD_SIM_PROGRAM;
        std::vector<std::string> words{strProgram};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& strWord : words)
            argv.push_back(strWord.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, strProgram.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(anPipe[1]);
        m_nOut = anPipe[0];
    }
    ~CSimProgram()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_nOut >= 0)
            ::close(m_nOut);
    }
    CSimProgram(const CSimProgram&) = delete;
    CSimProgram& operator=(const CSimProgram&) = delete;

    bool IsStarted() const { return m_pid > 0; }

    // Everything the program printed until it closed its output (or the deadline).
    std::string Output(std::chrono::milliseconds timeout = 10s)
    {
        std::string strOut;
        WaitUntil([&] { return !ReadSome(strOut); }, timeout);
        return strOut;
    }
    // The first line the program prints, without its LF.
    std::optional<std::string> FirstLine()
    {
        std::string strOut;
        WaitUntil([&] { return strOut.find('\n') != std::string::npos || !ReadSome(strOut); });
        const size_t nEnd = strOut.find('\n');
        return nEnd == std::string::npos ? std::nullopt : std::optional(strOut.substr(0, nEnd));
    }
    void Signal(int nSignal) const { ::kill(m_pid, nSignal); }
    // The exit code once the program has ended by itself; nothing for a
    // program killed by a signal or still running at the deadline.
    std::optional<int> ExitCode()
    {
        int nStatus = 0;
        if (!WaitUntil([&] { return ::waitpid(m_pid, &nStatus, WNOHANG) == m_pid; }))
            return std::nullopt;
        m_pid = -1;
        return WIFEXITED(nStatus) ? std::optional(WEXITSTATUS(nStatus)) : std::nullopt;
    }

private:
    // Appends what is there to read; false once the output is closed.
    bool ReadSome(std::string& strOut) const
    {
        pollfd fd{m_nOut, POLLIN, 0};
        if (::poll(&fd, 1, 20) <= 0)
            return true;
        char abyData[4096];
        const ssize_t nRead = ::read(m_nOut, abyData, sizeof abyData);
        if (nRead > 0)
            strOut.append(abyData, static_cast<size_t>(nRead));
        return nRead > 0;
    }

    pid_t m_pid = -1;
    int m_nOut = -1;
};

TEST(SimProgram, SendsDataMessagesOfItsOwnWithAuto)
{
    CSimProgram program({"--auto", "--data-period", "2000"});
    ASSERT_TRUE(program.IsStarted());
    const std::optional<std::string> strPath = program.FirstLine();
    ASSERT_TRUE(strPath);
    test::CPtyClient client(*strPath);
    ASSERT_TRUE(client.IsOpen());
    const std::optional<std::string> strData = client.ReadLine('\n', 10s);
    ASSERT_TRUE(strData) << "no data message without a command";
    EXPECT_EQ(strData->rfind("PW 00,", 0), 0U) << *strData;

    program.Signal(SIGTERM);
    EXPECT_EQ(program.ExitCode(), 0);
    EXPECT_TRUE(client.WaitForHangUp());
}

TEST(SimProgram, RefusesBadOptionsAndExplainsItsOwn)
{
    for (const char* szBad : {"--data-period=0", "--data-period=fast", "--address=100", "--model=ZRT-999",
                              "--data-period", "--polled"}) {
        CSimProgram program({szBad});
        ASSERT_TRUE(program.IsStarted());
        EXPECT_EQ(program.Output(), "") << szBad << ": no terminal is made";
        EXPECT_EQ(program.ExitCode(), EXIT_FAILURE) << szBad;
    }
    CSimProgram help({"--help"});
    const std::string strUsage = help.Output();
    EXPECT_EQ(help.ExitCode(), EXIT_SUCCESS);
    for (const char* szOption : {"--auto", "--data-period MS", "--model NAME", "--address N", "--rs485"})
        EXPECT_NE(strUsage.find(szOption), std::string::npos) << szOption;
}

}  // namespace
}  // namespace halyard::sim
