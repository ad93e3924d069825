#pragma once
// A COM port for tests under Wine whose other end the test holds: the Linux
// helper pty-com-port makes a pseudo-terminal, links it into the Wine prefix
// as COMn and relays it over a local TCP connection. Send puts bytes on the
// line, Receive takes what the program wrote, HangUp (or the end of the
// object) hangs the line up.

#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "WaitUntil.h"

namespace halyard::test {

class CWineComPort {
public:
    explicit CWineComPort(int nPort)
        : m_nPort(nPort)
    {
        WSADATA data;
        m_bWinsock = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
        const char* szPrefix = std::getenv("WINEPREFIX");
        if (!m_bWinsock || szPrefix == nullptr)
            return;
        const std::string strPortFile =
            "/tmp/halyard-com" + std::to_string(nPort) + "-" + std::to_string(::GetCurrentProcessId());
        std::remove(WindowsPath(strPortFile).c_str());
        if (!StartHelper(std::string(szPrefix) + "/dosdevices", strPortFile))
            return;
        // The helper writes the file once it listens.
        int nTcpPort = 0;
        WaitUntil([&] { return ReadPortFile(strPortFile, nTcpPort); }, std::chrono::seconds(20));
        std::remove(WindowsPath(strPortFile).c_str());
        if (nTcpPort > 0)
            Connect(nTcpPort);
    }
    ~CWineComPort()
    {
        HangUp();
        if (m_bWinsock)
            ::WSACleanup();
    }
    CWineComPort(const CWineComPort&) = delete;
    CWineComPort& operator=(const CWineComPort&) = delete;

    bool IsReady() const { return m_socket != INVALID_SOCKET; }
    // The name CreateFileW opens.
    std::string DeviceName() const { return "\\\\.\\COM" + std::to_string(m_nPort); }

    bool Send(const std::string& strBytes)
    {
        return IsReady() &&
               ::send(m_socket, strBytes.data(), static_cast<int>(strBytes.size()), 0) == static_cast<int>(strBytes.size());
    }

    // What the program wrote, once nBytes have come or nTimeoutMs passed.
    std::string Receive(size_t nBytes, int nTimeoutMs = 10000)
    {
        std::string strGot;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
        while (IsReady() && strGot.size() < nBytes && std::chrono::steady_clock::now() < deadline) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(m_socket, &readable);
            timeval wait{0, 100000};
            if (::select(0, &readable, nullptr, nullptr, &wait) <= 0)
                continue;
            char buffer[4096];
            const int n = ::recv(m_socket, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            strGot.append(buffer, static_cast<size_t>(n));
        }
        return strGot;
    }

    void HangUp()
    {
        if (m_socket != INVALID_SOCKET)
            ::closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }

private:
    // Wine shows the Linux file system as drive Z:.
    static std::string WindowsPath(const std::string& strUnixPath)
    {
        std::string strPath = "Z:" + strUnixPath;
        for (char& c : strPath)
            if (c == '/')
                c = '\\';
        return strPath;
    }

    bool StartHelper(const std::string& strDosDevices, const std::string& strPortFile)
    {
        const std::string strHelper = WindowsPath(HALYARD_PTY_COM_PORT);
        std::string strCommand = "\"" + strHelper + "\" \"" + strDosDevices + "\" COM" + std::to_string(m_nPort) +
                                 " \"" + strPortFile + "\"";
        // The helper's output goes nowhere: Wine would otherwise hand it the
        // test's own, and what it has to say is in the port file.
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        const HANDLE hNowhere = ::CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              &inherit, OPEN_EXISTING, 0, nullptr);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = hNowhere;
        startup.hStdOutput = hNowhere;
        startup.hStdError = hNowhere;
        PROCESS_INFORMATION process{};
        const BOOL bStarted = ::CreateProcessA(strHelper.c_str(), strCommand.data(), nullptr, nullptr, TRUE, 0,
                                               nullptr, nullptr, &startup, &process);
        if (hNowhere != INVALID_HANDLE_VALUE)
            ::CloseHandle(hNowhere);
        if (!bStarted)
            return false;
        // A Linux program started by Wine has no handles worth keeping.
        if (process.hThread != nullptr)
            ::CloseHandle(process.hThread);
        if (process.hProcess != nullptr)
            ::CloseHandle(process.hProcess);
        return true;
    }

    static bool ReadPortFile(const std::string& strPath, int& nTcpPort)
    {
        FILE* pFile = std::fopen(WindowsPath(strPath).c_str(), "r");
        if (pFile == nullptr)
            return false;
        const bool bRead = std::fscanf(pFile, "%d", &nTcpPort) == 1;
        std::fclose(pFile);
        return bRead;
    }

    void Connect(int nTcpPort)
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = ::htons(static_cast<u_short>(nTcpPort));
        address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        if (m_socket != INVALID_SOCKET &&
            ::connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            HangUp();
    }

    int m_nPort;
    bool m_bWinsock = false;
    SOCKET m_socket = INVALID_SOCKET;
};

}  // namespace halyard::test
