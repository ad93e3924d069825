#include "platform/FileCalls.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdlib>

#include "platform/windows/WideText.h"

namespace halyard {

const int kQuotaErrno = ENOSPC;

int OpenFd(const std::string& strPath, int nFlags, int /*nMode*/)
{
    return ::_wopen(WideText(strPath).c_str(), nFlags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

int64_t SeekFd(int fd, int64_t nOffset, int nWhence)
{
    return ::_lseeki64(fd, nOffset, nWhence);
}

bool TruncateFd(int fd, int64_t nSize)
{
    return ::_chsize_s(fd, nSize) == 0;
}

bool SyncFd(int fd)
{
    return ::_commit(fd) == 0;
}

bool KeepPermissions(int /*fd*/, const std::string& /*strOld*/)
{
    return true;
}

bool RenameOver(const std::string& strFrom, const std::string& strTo)
{
    if (::MoveFileExW(WideText(strFrom).c_str(), WideText(strTo).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        errno = ENOENT;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        errno = EACCES;
        break;
    case ERROR_DISK_FULL:
        errno = ENOSPC;
        break;
    default:
        errno = EIO;
        break;
    }
    return false;
}

bool RemoveFile(const std::string& strPath)
{
    return ::_wunlink(WideText(strPath).c_str()) == 0;
}

std::FILE* OpenStream(const std::string& strPath, const char* szMode)
{
    return ::_wfopen(WideText(strPath).c_str(), WideText(szMode).c_str());
}

int64_t ReadLine(char** ppLine, size_t* pnCapacity, std::FILE* pFile)
{
    size_t nLength = 0;
    for (int c = std::getc(pFile); c != EOF; c = std::getc(pFile)) {
        // Room for this byte and the NUL after it.
        if (*ppLine == nullptr || nLength + 2 > *pnCapacity) {
            const size_t nCapacity = *pnCapacity < 64 ? 128 : *pnCapacity * 2;
            char* pGrown = static_cast<char*>(std::realloc(*ppLine, nCapacity));
            if (pGrown == nullptr) {
                errno = ENOMEM;
                return -1;
            }
            *ppLine = pGrown;
            *pnCapacity = nCapacity;
        }
        (*ppLine)[nLength++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    if (nLength == 0)
        return -1;
    (*ppLine)[nLength] = '\0';
    return static_cast<int64_t>(nLength);
}

}  // namespace halyard
