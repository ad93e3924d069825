#include "WindowTimers.h"

#include <QTimer>

#include <cerrno>

#include "TextConvert.h"
#include "UiPrompts.h"
#include "document/IDocHost.h"
#include "platform/SysError.h"

namespace halyard {

CWindowTimers::CWindowTimers(std::function<void(uint32_t)> onTimer, QObject* pParent)
    : QObject(pParent)
    , m_onTimer(std::move(onTimer))
{}

CWindowTimers::~CWindowTimers() = default;

uint32_t CWindowTimers::SetTimerOrSay(QWidget* pOwner, uint32_t nID, int nElapseMs)
{
    const uint32_t nStarted = SetTimer(nID, nElapseMs);
    if (nStarted == 0)
        CUiPrompts::MessageBox(pOwner, FromDocText(SystemErrorText(EINVAL)), MB_OK | MB_ICONERROR);
    return nStarted;
}

uint32_t CWindowTimers::SetTimer(uint32_t nID, int nElapseMs)
{
    if (nID == 0 || nElapseMs < 0)
        return 0;
    auto& pTimer = m_timers[nID];
    if (!pTimer) {
        // Timers are stopped, never deleted, while they exist: a callback may
        // kill the very timer that is calling it.
        pTimer = std::make_unique<QTimer>();
        QObject::connect(pTimer.get(), &QTimer::timeout, this, [this, nID] { m_onTimer(nID); });
    }
    pTimer->start(nElapseMs);
    return nID;
}

bool CWindowTimers::KillTimer(uint32_t nID)
{
    const auto it = m_timers.find(nID);
    if (it == m_timers.end() || !it->second->isActive())
        return false;
    it->second->stop();
    return true;
}

bool CWindowTimers::IsRunning(uint32_t nID) const
{
    const auto it = m_timers.find(nID);
    return it != m_timers.end() && it->second->isActive();
}

int CWindowTimers::Interval(uint32_t nID) const
{
    const auto it = m_timers.find(nID);
    return it == m_timers.end() ? -1 : it->second->interval();
}

}  // namespace halyard
