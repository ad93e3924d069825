#include "MosquittoBroker.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/UniqueFd.h"
#include "WaitUntil.h"

namespace halyard::test {

namespace {

constexpr const char* kMosquittoProgram = "/usr/sbin/mosquitto";
constexpr int kStartTries = 3;

sockaddr_in LoopbackAddress(int nPort)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(nPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port nobody listens on now: the one the system gives a socket bound to port 0.
int FreePort()
{
    const CUniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = LoopbackAddress(0);
    socklen_t nLength = sizeof(address);
    if (!fd.IsValid() || ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&address), &nLength) != 0)
        return 0;
    return ntohs(address.sin_port);
}

}  // namespace

CMosquittoBroker::CMosquittoBroker(std::vector<std::string> extraConfig)
    : m_extraConfig(std::move(extraConfig))
{
    std::filesystem::create_directories(m_folder.Path("data"));
}

CMosquittoBroker::~CMosquittoBroker()
{
    if (IsRunning())
        Stop();
}

size_t CountOf(const std::string& strText, const std::string& strPart)
{
    size_t nCount = 0;
    for (size_t n = strText.find(strPart); n != std::string::npos; n = strText.find(strPart, n + 1))
        ++nCount;
    return nCount;
}

size_t CMosquittoBroker::Subscriptions(const std::string& strFilter) const
{
    return CountOf(Log(), strFilter);
}

std::vector<std::string> CMosquittoBroker::ClientArgs() const
{
    return {"-h", "127.0.0.1", "-p", std::to_string(m_nPort)};
}

void CMosquittoBroker::WriteConfig() const
{
    std::ofstream config(m_folder.Path("mosquitto.conf"), std::ios::trunc);
    config << "listener " << m_nPort << " 127.0.0.1\n"
           << "allow_anonymous true\n"
           << "persistence true\n"
           << "persistence_location " << m_folder.Path("data/") << "\n"
           << "log_dest file " << m_folder.Path("mosquitto.log") << "\n"
           << "log_type all\n"
           // As the example set-up: a collector that falls behind a draining
           // station must not lose what the broker holds for it (default 1000).
           << "max_queued_messages 1000000\n";
    if (::geteuid() == 0)
        config << "user root\n";
    for (const std::string& strLine : m_extraConfig)
        config << strLine << "\n";
}

bool CMosquittoBroker::Accepts() const
{
    const CUniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = LoopbackAddress(m_nPort);
    return fd.IsValid() && ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

bool CMosquittoBroker::Reaped()
{
    int nStatus = 0;
    if (m_pid > 0 && ::waitpid(m_pid, &nStatus, WNOHANG) == 0)
        return false;
    m_pid = -1;
    return true;
}

bool CMosquittoBroker::Start()
{
    if (IsRunning())
        return true;
    // A port found free can be taken by someone else before Mosquitto binds
    // it; the first start tries another, later ones must keep theirs.
    const bool bFirst = m_nPort == 0;
    for (int nTry = 0; nTry < (bFirst ? kStartTries : 1); ++nTry) {
        if (bFirst)
            m_nPort = FreePort();
        WriteConfig();
        const std::string strConfig = m_folder.Path("mosquitto.conf");
        const std::string strOutput = m_folder.Path("mosquitto.out");
        m_pid = ::fork();
        if (m_pid == 0) {
            // Its warnings (running as root) go to a file of its own, not the test's output.
            const int fd = ::open(strOutput.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
            if (fd < 0 || ::dup2(fd, 1) < 0 || ::dup2(fd, 2) < 0)
                ::_exit(126);
            ::execl(kMosquittoProgram, kMosquittoProgram, "-c", strConfig.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (m_pid < 0)
            return false;
        if (WaitUntil([this] { return Accepts() || Reaped(); }) && IsRunning())
            return true;
        Kill();  // one that never listened is not left behind
    }
    return false;
}

bool CMosquittoBroker::Stop()
{
    if (!IsRunning())
        return false;
    // Mosquitto sets up its signal handlers after it starts listening and
    // only then marks itself running: a SIGTERM that falls between the two is
    // lost. It is sent again until the broker ends.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        ::kill(m_pid, SIGTERM);
        if (WaitUntil([this] { return Reaped(); }, std::chrono::milliseconds(500)))
            return true;
    }
    Kill();
    return false;
}

void CMosquittoBroker::Kill()
{
    if (!IsRunning())
        return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

}  // namespace halyard::test
