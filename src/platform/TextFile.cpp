#include "TextFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "FileCalls.h"

namespace halyard {

int CFileException::CauseFromErrno(int nErrno)
{
    if (nErrno == kQuotaErrno)
        return diskFull;
    switch (nErrno) {
    case 0:
        return none;
    case ENOENT:
        return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return badPath;
    case EMFILE:
    case ENFILE:
        return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return accessDenied;
    case EBADF:
        return invalidFile;
    case EBUSY:
        return sharingViolation;
    case ESPIPE:
    case EINVAL:
        return badSeek;
    case EIO:
        return hardIO;
    case ENOSPC:
    case EFBIG:
        return diskFull;
    default:
        return genericException;
    }
}

std::string CFileException::ErrorMessage() const
{
    std::string text = m_strFileName.empty() ? std::string("File error") : "Error with file " + m_strFileName;
    if (m_cause == endOfFile)
        return text + ": unexpected end of file";
    if (m_lOsError != 0)
        text += ": " + SystemErrorText(static_cast<uint32_t>(m_lOsError));
    return text;
}

CTextFile::~CTextFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

SysResult CTextFile::Open(const std::string& strPath, unsigned nFlags)
{
    if (m_fd >= 0)
        static_cast<void>(Close());  // the file in use before is given up for this one
    int nOpen = 0;
    if (nFlags & modeReadWrite)
        nOpen |= O_RDWR;
    else if (nFlags & modeWrite)
        nOpen |= O_WRONLY;
    else
        nOpen |= O_RDONLY;
    if (nFlags & modeCreate) {
        nOpen |= O_CREAT;
        if (!(nFlags & modeNoTruncate))
            nOpen |= O_TRUNC;
    }
    m_fd = OpenFd(strPath, nOpen);
    if (m_fd < 0)
        return Fail(errno, strPath);
    m_strPath = strPath;
    m_readBuffer.clear();
    m_nReadPos = 0;
    m_bEof = false;
    return {};
}

SysResult CTextFile::Close()
{
    if (m_fd < 0)
        return {};
    const int nResult = ::close(m_fd);
    m_fd = -1;
    return nResult == 0 ? SysResult() : Fail(errno);
}

SysResult CTextFile::Fail(int nErrno, const std::string& strPath)
{
    const uint32_t dwError = SystemErrorCode(nErrno);
    m_LastError = CFileException(CFileException::CauseFromErrno(nErrno), static_cast<int>(dwError), strPath);
    return SysResult::Failure(dwError);
}

SysResult CTextFile::SeekToEnd()
{
    if (m_fd < 0)
        return Fail(EBADF);
    if (SeekFd(m_fd, 0, SEEK_END) < 0)
        return Fail(errno);
    return {};
}

SysResult CTextFile::WriteString(std::string_view text)
{
    if (m_fd < 0)
        return Fail(EBADF);
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    size_t nDone = 0;
    while (nDone < out.size()) {
        const ssize_t n = ::write(m_fd, out.data() + nDone, out.size() - nDone);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return TakeBack(nDone, errno);
        }
        if (n == 0)
            return TakeBack(nDone, ENOSPC);
        nDone += static_cast<size_t>(n);
    }
    return {};
}

SysResult CTextFile::TakeBack(size_t nWritten, int nErrno)
{
    // The file grows at its end, so the failed text began nWritten bytes
    // before where the file now stands.
    const int64_t nEnd = nWritten > 0 ? SeekFd(m_fd, 0, SEEK_CUR) : -1;
    if (nEnd >= static_cast<int64_t>(nWritten)) {
        const int64_t nStart = nEnd - static_cast<int64_t>(nWritten);
        if (TruncateFd(m_fd, nStart))
            SeekFd(m_fd, nStart, SEEK_SET);
    }
    return Fail(nErrno);
}

bool EndsMidLine(const std::string& strPath)
{
    std::ifstream file(SystemPath(strPath), std::ios::binary | std::ios::ate);
    if (!file || file.tellg() <= 0)
        return false;
    file.seekg(-1, std::ios::end);
    char chLast = '\n';
    file.get(chLast);
    return chLast != '\n';
}

Result<bool> CTextFile::ReadString(std::string& strLine)
{
    if (m_fd < 0)
        return Fail(EBADF);
    strLine.clear();
    bool bAny = false;
    for (;;) {
        if (m_nReadPos >= m_readBuffer.size()) {
            if (m_bEof)
                return bAny;
            char chunk[4096];
            const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return Fail(errno);
            }
            if (n == 0) {
                m_bEof = true;
                continue;
            }
            m_readBuffer.assign(chunk, static_cast<size_t>(n));
            m_nReadPos = 0;
        }
        const char c = m_readBuffer[m_nReadPos++];
        bAny = true;
        if (c == '\n') {
            if (!strLine.empty() && strLine.back() == '\r')
                strLine.pop_back();
            return true;
        }
        strLine += c;
    }
}

SysResult CTextFile::Flush()
{
    // Every WriteString has reached the system already; fsync would make each
    // log record wait for the disk.
    return m_fd < 0 ? Fail(EBADF) : SysResult();
}

}  // namespace halyard
