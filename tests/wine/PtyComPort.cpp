// pty-com-port DOSDEVICES COMn PORTFILE: the Linux end of a serial line for
// tests that run under Wine. Makes a pseudo-terminal, links it into the Wine
// prefix as the port COMn (DOSDEVICES/comn -> /dev/pts/k), listens on a TCP
// port of 127.0.0.1 and writes its number to PORTFILE. The test connects;
// from then on what the test sends goes into the line and what the program
// under test writes to the port comes back to the test. When the test closes
// its connection the line hangs up (the master side is closed), the link is
// removed and the helper ends. A helper nobody connects to ends after a
// minute.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <string>

namespace {

constexpr int kConnectWaitMs = 60000;

bool WriteAll(int fd, const char* pData, size_t nLength)
{
    while (nLength > 0) {
        const ssize_t n = ::write(fd, pData, nLength);
        if (n <= 0)
            return false;
        pData += n;
        nLength -= static_cast<size_t>(n);
    }
    return true;
}

// Copies what fdFrom has into fdTo; false once fdFrom has ended.
bool Pass(int fdFrom, int fdTo)
{
    char buffer[4096];
    const ssize_t n = ::read(fdFrom, buffer, sizeof buffer);
    return n > 0 && WriteAll(fdTo, buffer, static_cast<size_t>(n));
}

bool WritePortFile(const std::string& strPath, int nPort)
{
    const std::string strTemp = strPath + ".new";
    FILE* pFile = std::fopen(strTemp.c_str(), "w");
    if (pFile == nullptr)
        return false;
    std::fprintf(pFile, "%d\n", nPort);
    return std::fclose(pFile) == 0 && std::rename(strTemp.c_str(), strPath.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: pty-com-port DOSDEVICES COMn PORTFILE\n");
        return 2;
    }
    std::string strLink = std::string(argv[1]) + "/";
    for (const char* p = argv[2]; *p != '\0'; ++p)
        strLink += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));

    const int fdMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fdMaster < 0 || ::grantpt(fdMaster) != 0 || ::unlockpt(fdMaster) != 0)
        return 1;
    const std::string strSlave = ::ptsname(fdMaster);
    // Raw from the start; the helper keeps the slave open itself, so the
    // master never reads as hung up while the program under test has the
    // port closed.
    const int fdSlave = ::open(strSlave.c_str(), O_RDWR | O_NOCTTY);
    termios tio{};
    if (fdSlave < 0 || ::tcgetattr(fdSlave, &tio) != 0)
        return 1;
    ::cfmakeraw(&tio);
    ::tcsetattr(fdSlave, TCSANOW, &tio);

    ::unlink(strLink.c_str());
    if (::symlink(strSlave.c_str(), strLink.c_str()) != 0)
        return 1;

    const int fdListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nSize = sizeof address;
    if (fdListen < 0 || ::bind(fdListen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fdListen, 1) != 0 || ::getsockname(fdListen, reinterpret_cast<sockaddr*>(&address), &nSize) != 0 ||
        !WritePortFile(argv[3], ntohs(address.sin_port))) {
        ::unlink(strLink.c_str());
        return 1;
    }

    pollfd waitConnect{fdListen, POLLIN, 0};
    const int fdTest = ::poll(&waitConnect, 1, kConnectWaitMs) == 1 ? ::accept(fdListen, nullptr, nullptr) : -1;
    ::close(fdListen);
    if (fdTest >= 0) {
        for (;;) {
            pollfd fds[2] = {{fdTest, POLLIN, 0}, {fdMaster, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0)
                break;
            if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && !Pass(fdTest, fdMaster))
                break;  // the test hung up
            if ((fds[1].revents & POLLIN) && !Pass(fdMaster, fdTest))
                break;
        }
        ::close(fdTest);
    }
    // The hang-up: the master goes first, the helper's own slave after it.
    ::close(fdMaster);
    ::close(fdSlave);
    ::unlink(strLink.c_str());
    return 0;
}
