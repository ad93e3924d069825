#pragma once
// Timers with fixed ids over a CManualClock, for tests of what a front end
// drives with its window timers: Advance(ms) moves the clock from one expiry
// to the next and calls the owner back with each id, as an event loop would.
// A callback may kill or restart any timer. Test thread only.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "platform/Clock.h"
#include "platform/ITimerService.h"

namespace halyard::test {

class CManualTimers : public ITimerService {
public:
    explicit CManualTimers(CManualClock& clock)
        : m_clock(clock)
    {}

    void SetOwner(std::function<void(uint32_t)> onTimer) { m_onTimer = std::move(onTimer); }
    // Refuses every timer from now on (SetTimer returns 0).
    void RefuseTimers() { m_bRefuse = true; }

    uint32_t SetTimer(uint32_t nID, int nElapseMs) override
    {
        if (m_bRefuse || nID == 0 || nElapseMs < 0)
            return 0;
        m_running[nID] = {std::chrono::milliseconds(nElapseMs),
                          m_clock.Now() + std::chrono::milliseconds(nElapseMs)};
        return nID;
    }

    bool KillTimer(uint32_t nID) override { return m_running.erase(nID) > 0; }

    bool IsRunning(uint32_t nID) const { return m_running.count(nID) > 0; }

    // Lets nMs pass, firing every expiry that falls due in order of time.
    void Advance(int nMs)
    {
        const TimePoint end = m_clock.Now() + std::chrono::milliseconds(nMs);
        for (;;) {
            auto next = m_running.end();
            for (auto it = m_running.begin(); it != m_running.end(); ++it)
                if (next == m_running.end() || it->second.due < next->second.due)
                    next = it;
            if (next == m_running.end() || next->second.due > end)
                break;
            const uint32_t nID = next->first;
            m_clock.Set(next->second.due);
            next->second.due += next->second.period;
            if (m_onTimer)
                m_onTimer(nID);
        }
        m_clock.Set(end);
    }

private:
    struct Running {
        std::chrono::milliseconds period;
        TimePoint due;
    };
    CManualClock& m_clock;
    std::function<void(uint32_t)> m_onTimer;
    std::map<uint32_t, Running> m_running;
    bool m_bRefuse = false;
};

}  // namespace halyard::test
