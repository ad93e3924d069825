#pragma once
// The text file of the log, the dumps, the command files and the saved list.
//
// Every character is one byte. WriteString turns "\n" into CR LF and writes at
// once, so a record is on disk when the call returns; a WriteString that
// fails (a full disk) takes back what of its text got in, so the file still
// ends where it ended before and the next write starts a line of its own
// (files are written front to back). ReadString gives one line
// without its CR LF (or LF). Every operation returns its result (SysResult,
// with the errno of a failure); LastError() keeps the last failure with the
// cause numbers the rest of the program reports and the file's name, for the
// message that tells the user. One thread uses an object.

#include <cstdint>
#include <string>
#include <string_view>

#include "SysError.h"

namespace halyard {

// A file error: its cause, numbered as the old framework's file exception
// numbered them, the system's errno and the file's name. A value that the text
// file hands out; nothing throws it.
class CFileException {
public:
    enum Cause {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14
    };

    CFileException() = default;
    CFileException(int nCause, int nOsError, std::string strFileName = {})
        : m_cause(nCause)
        , m_lOsError(nOsError)
        , m_strFileName(std::move(strFileName))
    {}

    // Cause from an errno value.
    static int CauseFromErrno(int nErrno);
    // A sentence for a message box: what failed and the system's words.
    std::string ErrorMessage() const;

    int m_cause = none;
    int m_lOsError = 0;
    std::string m_strFileName;
};

// Whether the file at strPath has text after its last line feed (a last
// line cut off); false for an empty or missing file.
bool EndsMidLine(const std::string& strPath);

class CTextFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000
    };

    CTextFile() = default;
    ~CTextFile();
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;

    SysResult Open(const std::string& strPath, unsigned nFlags);
    bool IsOpen() const { return m_fd >= 0; }
    // The file is closed even when the system reports an error in closing it.
    SysResult Close();
    // Appends at the end when the file was opened with modeNoTruncate.
    SysResult SeekToEnd();
    SysResult WriteString(std::string_view text);
    // True with a line, false at the end of the file.
    Result<bool> ReadString(std::string& strLine);
    SysResult Flush();
    const std::string& GetFilePath() const { return m_strPath; }
    // The last failure of an operation on this object (of Open: with the path
    // it was given).
    const CFileException& LastError() const { return m_LastError; }

private:
    // Keeps the failure (nErrno, the file strPath) in m_LastError and returns it.
    SysResult Fail(int nErrno, const std::string& strPath);
    SysResult Fail(int nErrno) { return Fail(nErrno, m_strPath); }
    // Cuts off the nWritten bytes that a failed WriteString got in, then fails.
    SysResult TakeBack(size_t nWritten, int nErrno);

    int m_fd = -1;
    std::string m_strPath;
    std::string m_readBuffer;
    size_t m_nReadPos = 0;
    bool m_bEof = false;
    CFileException m_LastError;
};

}  // namespace halyard
