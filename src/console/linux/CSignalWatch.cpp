#include "console/CSignalWatch.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "platform/UniqueFd.h"

namespace halyard {

struct CSignalWatch::State {
    sigset_t oldMask{};
    CUniqueFd fd;
};

CSignalWatch::CSignalWatch()
    : m_pState(std::make_unique<State>())
{
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &mask, &m_pState->oldMask);
    m_pState->fd.Reset(::signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC));
}

CSignalWatch::~CSignalWatch()
{
    m_pState->fd.Reset();
    pthread_sigmask(SIG_SETMASK, &m_pState->oldMask, nullptr);
}

bool CSignalWatch::IsValid() const
{
    return m_pState->fd.IsValid();
}

NativeHandle CSignalWatch::Fd() const
{
    return m_pState->fd.Get();
}

int CSignalWatch::Take()
{
    signalfd_siginfo info{};
    if (::read(m_pState->fd.Get(), &info, sizeof(info)) != static_cast<ssize_t>(sizeof(info)))
        return 0;
    return static_cast<int>(info.ssi_signo);
}

}  // namespace halyard
