#pragma once
// Window timers with fixed ids over QTimer: SetTimer(id, ms) starts (or
// restarts) the timer with that id and returns the id, KillTimer(id) stops it.
// Every expiry calls the owner's callback with the id; the timer keeps running
// until it is killed, as window timers do. A callback may kill or restart any
// timer, its own included. UI thread only.

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "platform/ITimerService.h"

class QTimer;
class QWidget;

namespace halyard {

class CWindowTimers : public QObject, public ITimerService {
    Q_OBJECT
public:
    explicit CWindowTimers(std::function<void(uint32_t)> onTimer, QObject* pParent = nullptr);
    ~CWindowTimers() override;

    // nID on success, 0 when the timer cannot be started (id 0, negative period).
    uint32_t SetTimer(uint32_t nID, int nElapseMs) override;
    // True when the timer was running.
    bool KillTimer(uint32_t nID) override;
    // SetTimer, telling the user in a message box over pOwner when the timer
    // cannot be started.
    uint32_t SetTimerOrSay(QWidget* pOwner, uint32_t nID, int nElapseMs);
    bool IsRunning(uint32_t nID) const;
    int Interval(uint32_t nID) const;

private:
    std::function<void(uint32_t)> m_onTimer;
    std::map<uint32_t, std::unique_ptr<QTimer>> m_timers;
};

}  // namespace halyard
