#include "platform/FileCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace halyard {

const int kQuotaErrno = EDQUOT;

int OpenFd(const std::string& strPath, int nFlags, int nMode)
{
    return ::open(strPath.c_str(), nFlags | O_CLOEXEC, nMode);
}

int64_t SeekFd(int fd, int64_t nOffset, int nWhence)
{
    return ::lseek(fd, static_cast<off_t>(nOffset), nWhence);
}

bool TruncateFd(int fd, int64_t nSize)
{
    return ::ftruncate(fd, static_cast<off_t>(nSize)) == 0;
}

bool SyncFd(int fd)
{
    return ::fsync(fd) == 0;
}

bool KeepPermissions(int fd, const std::string& strOld)
{
    struct stat old {};
    return ::stat(strOld.c_str(), &old) != 0 || ::fchmod(fd, old.st_mode & 07777) == 0;
}

bool RenameOver(const std::string& strFrom, const std::string& strTo)
{
    return ::rename(strFrom.c_str(), strTo.c_str()) == 0;
}

bool RemoveFile(const std::string& strPath)
{
    return ::unlink(strPath.c_str()) == 0;
}

std::FILE* OpenStream(const std::string& strPath, const char* szMode)
{
    return std::fopen(strPath.c_str(), szMode);
}

int64_t ReadLine(char** ppLine, size_t* pnCapacity, std::FILE* pFile)
{
    return ::getline(ppLine, pnCapacity, pFile);
}

}  // namespace halyard
