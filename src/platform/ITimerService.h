#pragma once
// Timers with fixed ids, as window timers are: SetTimer(id, ms) starts (or
// restarts) the timer with that id and returns the id, 0 when it cannot be
// started; KillTimer(id) stops it. A timer keeps running until it is killed.
// Whoever implements it (the GUI over its toolkit's timers, a console front
// end over its own loop, a test over the settable clock) calls its owner back
// with the id at every expiry, on the owner's thread.

#include <cstdint>

namespace halyard {

class ITimerService {
public:
    virtual ~ITimerService() = default;
    virtual uint32_t SetTimer(uint32_t nID, int nElapseMs) = 0;
    // True when the timer was running.
    virtual bool KillTimer(uint32_t nID) = 0;
};

}  // namespace halyard
