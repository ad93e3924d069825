#pragma once
// One resource limit of the test's own process (setrlimit's soft limit),
// lowered while an object lives and put back when it goes: a file size to
// make writes fail, a number of descriptors to make opens fail.

#include <sys/resource.h>

namespace halyard::test {

class CResourceLimit {
public:
    using Resource = decltype(RLIMIT_NOFILE);

    CResourceLimit(Resource resource, rlim_t nLimit)
        : m_resource(resource)
    {
        m_bHadLimit = ::getrlimit(resource, &m_previous) == 0;
        if (!m_bHadLimit)
            return;
        rlimit limit = m_previous;
        limit.rlim_cur = nLimit;
        m_bSet = ::setrlimit(resource, &limit) == 0;
    }
    ~CResourceLimit()
    {
        if (m_bHadLimit)
            ::setrlimit(m_resource, &m_previous);
    }
    CResourceLimit(const CResourceLimit&) = delete;
    CResourceLimit& operator=(const CResourceLimit&) = delete;

    bool IsSet() const { return m_bSet; }

private:
    Resource m_resource;
    rlimit m_previous{};
    bool m_bHadLimit = false;
    bool m_bSet = false;
};

}  // namespace halyard::test
