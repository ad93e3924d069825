#include "SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>

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
    CUniqueFd fd(::open(m_strPath.c_str(), O_RDONLY | O_CLOEXEC));
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
    return WriteAtomically(ReplaceIniGroup(strText, strGroup, values));
}

SysResult CSettingsFile::WriteAtomically(const std::string& strText)
{
    std::error_code ec;
    const fs::path folder = fs::path(m_strPath).parent_path();
    if (!folder.empty())
        fs::create_directories(folder, ec);
    if (ec)
        return SysResult::Failure(static_cast<uint32_t>(ec.value()));

    const std::string strTemp = TemporaryName(m_strPath);
    CUniqueFd fd(::open(strTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd.IsValid())
        return SysResult::FromErrno();
    // The new file keeps the old one's permissions; a first one gets the umask's.
    int nError = 0;
    struct stat old {};
    if (::stat(m_strPath.c_str(), &old) == 0 && ::fchmod(fd.Get(), old.st_mode & 07777) != 0)
        nError = errno;
    if (nError == 0 && !WriteAll(fd.Get(), strText))
        nError = errno != 0 ? errno : EIO;
    if (nError == 0 && ::fsync(fd.Get()) != 0)
        nError = errno;
    if (!fd.Close() && nError == 0)
        nError = errno;
    if (nError == 0 && ::rename(strTemp.c_str(), m_strPath.c_str()) != 0)
        nError = errno;
    if (nError != 0) {
        ::unlink(strTemp.c_str());
        return SysResult::Failure(static_cast<uint32_t>(nError));
    }
    return {};
}

}  // namespace halyard
