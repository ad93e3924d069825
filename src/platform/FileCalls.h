#pragma once
// The file calls whose form differs between the systems, for the text file,
// the settings file and the log reader. Paths are UTF-8 text, handed to
// Windows as UTF-16 (so "Données" works there as on Linux); descriptors are
// the C runtime's. A failed call leaves errno set (SystemErrorCode in
// SysError.h turns it into the code of this system).

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace halyard {

// The path the standard library's file calls take for a UTF-8 path.
std::filesystem::path SystemPath(const std::string& strPath);

// open() with the O_* flags of <fcntl.h>, binary and not inherited by the
// programs this one starts; -1 on failure.
int OpenFd(const std::string& strPath, int nFlags, int nMode = 0666);
// lseek(); -1 on failure.
int64_t SeekFd(int fd, int64_t nOffset, int nWhence);
bool TruncateFd(int fd, int64_t nSize);
// Puts what was written to fd on the disk.
bool SyncFd(int fd);
// Gives the file open as fd the permissions of the file at strOld when there
// is one (Windows files have none of their own: nothing to do there).
bool KeepPermissions(int fd, const std::string& strOld);
// Renames strFrom to strTo in one step, replacing strTo.
bool RenameOver(const std::string& strFrom, const std::string& strTo);
bool RemoveFile(const std::string& strPath);
// std::fopen; null on failure.
std::FILE* OpenStream(const std::string& strPath, const char* szMode);
// getline(): the next line of pFile with its line feed (none on a last line
// cut off) into *ppLine, grown with realloc as needed and ended by a NUL; its
// length, or -1 at the end of the file or on an error.
int64_t ReadLine(char** ppLine, size_t* pnCapacity, std::FILE* pFile);

// The errno of an exhausted disk quota (Linux's EDQUOT; Windows says ENOSPC).
extern const int kQuotaErrno;

}  // namespace halyard
