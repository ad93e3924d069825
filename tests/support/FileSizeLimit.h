#pragma once
// A file that fails on demand, inside the test's own process: while an object
// lives, no file may grow past the size it was given. A write beyond the
// limit writes what fits and then fails with EFBIG (SIGXFSZ is ignored
// meanwhile), as a disk that fills up in the middle of a record does; the
// text-file class reports it as a full disk.

#include <signal.h>

#include <cstdint>

#include "ResourceLimit.h"

namespace halyard::test {

class CFileSizeLimit {
public:
    explicit CFileSizeLimit(uintmax_t nBytes)
        : m_limit(RLIMIT_FSIZE, static_cast<rlim_t>(nBytes))
    {}

    bool IsSet() const { return m_limit.IsSet(); }

private:
    // SIGXFSZ ignored for as long as the limit holds: declared first, it is
    // ignored before the limit is lowered and heeded again after the limit is
    // put back.
    class CIgnoredSignal {
    public:
        CIgnoredSignal()
            : m_pfnPrevious(::signal(SIGXFSZ, SIG_IGN))
        {}
        ~CIgnoredSignal()
        {
            if (m_pfnPrevious != SIG_ERR)
                ::signal(SIGXFSZ, m_pfnPrevious);
        }
        CIgnoredSignal(const CIgnoredSignal&) = delete;
        CIgnoredSignal& operator=(const CIgnoredSignal&) = delete;

    private:
        sighandler_t m_pfnPrevious;
    };

    CIgnoredSignal m_ignoreXfsz;
    CResourceLimit m_limit;
};

}  // namespace halyard::test
