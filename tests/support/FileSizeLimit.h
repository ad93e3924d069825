#pragma once
// A file that fails on demand, inside the test's own process: while an object
// lives, no file may grow past the size it was given. A write beyond the
// limit writes what fits and then fails with EFBIG (SIGXFSZ is ignored
// meanwhile), as a disk that fills up in the middle of a record does; the
// text-file class reports it as a full disk.

#include <signal.h>

#include <cstdint>
#include <optional>

#include "ResourceLimit.h"

namespace halyard::test {

class CFileSizeLimit {
public:
    explicit CFileSizeLimit(uintmax_t nBytes)
        : m_pfnPrevious(::signal(SIGXFSZ, SIG_IGN))
    {
        m_limit.emplace(RLIMIT_FSIZE, static_cast<rlim_t>(nBytes));
    }
    ~CFileSizeLimit()
    {
        // The signal is still ignored while the limit is put back.
        m_limit.reset();
        if (m_pfnPrevious != SIG_ERR)
            ::signal(SIGXFSZ, m_pfnPrevious);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

    bool IsSet() const { return m_limit->IsSet(); }

private:
    sighandler_t m_pfnPrevious;
    std::optional<CResourceLimit> m_limit;
};

}  // namespace halyard::test
