#include "console/CSignalWatch.h"

#include <sys/signalfd.h>
#include <unistd.h>

namespace halyard {

CSignalWatch::CSignalWatch()
{
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &mask, &m_oldMask);
    m_fd.Reset(::signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC));
}

CSignalWatch::~CSignalWatch()
{
    m_fd.Reset();
    pthread_sigmask(SIG_SETMASK, &m_oldMask, nullptr);
}

int CSignalWatch::Take()
{
    signalfd_siginfo info{};
    if (::read(m_fd.Get(), &info, sizeof(info)) != static_cast<ssize_t>(sizeof(info)))
        return 0;
    return static_cast<int>(info.ssi_signo);
}

}  // namespace halyard
