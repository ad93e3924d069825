#include "SettingsFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>

#include "FileCalls.h"
#include "IniText.h"
#include "UniqueFd.h"

namespace halyard {

namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, const std::string& strText)
{
    size_t nDone = 0;
    while (nDone < strText.size()) {
        const ssize_t n = ::write(fd, strText.data() + nDone, strText.size() - nDone);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        nDone += static_cast<size_t>(n);
    }
    return true;
}

// A name beside strPath that no other writer in this or another process uses.
std::string TemporaryName(const std::string& strPath)
{
    static std::atomic<unsigned> s_nCounter{0};
    return strPath + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++s_nCounter);
}

}  // namespace

CSettingsFile::CSettingsFile(std::string strPath)
    : m_strPath(std::move(strPath))
{}

SysResult CSettingsFile::ReadText(std::string& strText) const
{
    strText.clear();
    CUniqueFd fd(OpenFd(m_strPath, O_RDONLY));
    if (!fd.IsValid())
        return errno == ENOENT ? SysResult() : SysResult::FromErrno();
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return SysResult::FromErrno();
        if (n == 0)
            return {};
        strText.append(buffer, static_cast<size_t>(n));
    }
}

std::map<std::string, std::string> CSettingsFile::ReadGroup(const std::string& strGroup) const
{
    std::string strText;
    if (!ReadText(strText))
        return {};
    return ReadIniGroup(strText, strGroup);
}

SysResult CSettingsFile::WriteGroup(const std::string& strGroup,
                                     const std::map<std::string, std::string>& values)
{
    std::string strText;
    if (const SysResult read = ReadText(strText); !read)
        return read;
    return WriteFileAtomically(m_strPath, ReplaceIniGroup(strText, strGroup, values));
}

SysResult WriteFileAtomically(const std::string& strPath, const std::string& strText)
{
    std::error_code ec;
    const fs::path folder = SystemPath(strPath).parent_path();
    if (!folder.empty())
        fs::create_directories(folder, ec);
    if (ec)
        return SysResult::Failure(static_cast<uint32_t>(ec.value()));

    const std::string strTemp = TemporaryName(strPath);
    CUniqueFd fd(OpenFd(strTemp, O_WRONLY | O_CREAT | O_EXCL));
    if (!fd.IsValid())
        return SysResult::FromErrno();
    // The new file keeps the old one's permissions; a first one gets the umask's.
    int nError = 0;
    if (!KeepPermissions(fd.Get(), strPath))
        nError = errno;
    if (nError == 0 && !WriteAll(fd.Get(), strText))
        nError = errno != 0 ? errno : EIO;
    if (nError == 0 && !SyncFd(fd.Get()))
        nError = errno;
    if (!fd.Close() && nError == 0)
        nError = errno;
    if (nError == 0 && !RenameOver(strTemp, strPath))
        nError = errno;
    if (nError != 0) {
        RemoveFile(strTemp);
        return SysResult::Failure(SystemErrorCode(nError));
    }
    return {};
}

}  // namespace halyard
