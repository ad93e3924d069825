#pragma once
// A file in memory with a path that opens it (/proc/self/fd/N), made once per
// run: the command-file and dump targets give the document that path.
// Replace() puts an input in it, Contents() reads back what was written.

#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/UniqueFd.h"

namespace halyard::fuzz {

class CMemFile {
public:
    explicit CMemFile(const char* szName)
        : m_fd(::memfd_create(szName, 0))
    {
        Require(m_fd.Get() >= 0, "a file in memory");
        m_strPath = "/proc/self/fd/" + std::to_string(m_fd.Get());
    }

    const std::string& Path() const { return m_strPath; }

    void Replace(std::string_view bytes)
    {
        Require(::ftruncate(m_fd.Get(), 0) == 0, "the file in memory is emptied");
        Require(::pwrite(m_fd.Get(), bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()),
                "the input is written whole");
    }

    std::string Contents() const
    {
        std::string strBytes;
        char buffer[4096];
        for (off_t nAt = 0;;) {
            const ssize_t n = ::pread(m_fd.Get(), buffer, sizeof buffer, nAt);
            Require(n >= 0, "the file in memory reads back");
            if (n == 0)
                return strBytes;
            strBytes.append(buffer, static_cast<size_t>(n));
            nAt += n;
        }
    }

private:
    CUniqueFd m_fd;
    std::string m_strPath;
};

}  // namespace halyard::fuzz
