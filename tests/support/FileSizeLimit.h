#pragma once
// A file that fails on demand, inside the test's own process: while an object
// lives, no file may grow past the size it was given. A write beyond the
// limit writes what fits and then fails with EFBIG (SIGXFSZ is ignored
// meanwhile), as a disk that fills up in the middle of a record does; the
// text-file class reports it as a full disk.

#include <signal.h>
#include <sys/resource.h>

#include <cstdint>

namespace halyard::test {

class CFileSizeLimit {
public:
    explicit CFileSizeLimit(uintmax_t nBytes)
    {
        m_bHadLimit = ::getrlimit(RLIMIT_FSIZE, &m_previous) == 0;
        if (!m_bHadLimit)
            return;
        m_pfnPrevious = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = static_cast<rlim_t>(nBytes);
        m_bSet = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~CFileSizeLimit()
    {
        if (!m_bHadLimit)
            return;
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        if (m_pfnPrevious != SIG_ERR)
            ::signal(SIGXFSZ, m_pfnPrevious);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

    bool IsSet() const { return m_bSet; }

private:
    rlimit m_previous{};
    sighandler_t m_pfnPrevious = SIG_ERR;
    bool m_bHadLimit = false;
    bool m_bSet = false;
};

}  // namespace halyard::test
