#pragma once
// Auto-reset events for the serial link's threads.
//
// An event is signalled by Set() and stays signalled until one waiter takes it
// (WaitForAny or TryConsume); several Set() calls before a wait collapse into one.
// Each event is an eventfd on Linux, so a wait set can watch events and a
// port's file descriptor together, and an auto-reset event object on Windows.
// Set, Reset and waits may be called from any thread.
//
// Named events come from a process-wide registry: creating an event with the
// name of an event that is still alive returns that same event, so another
// object can open a serial object's per-port event by its name.

#include <memory>
#include <string>

#include "NativeHandle.h"

namespace halyard {

class CAutoResetEvent {
public:
    CAutoResetEvent();
    ~CAutoResetEvent();
    CAutoResetEvent(const CAutoResetEvent&) = delete;
    CAutoResetEvent& operator=(const CAutoResetEvent&) = delete;

    bool IsValid() const { return m_fd != kNoHandle; }
    void Set();
    void Reset();
    // Takes the signal if the event is signalled; true when it was.
    bool TryConsume();
    // Readable while signalled (Linux) or the event object (Windows), for the
    // system's wait only; never read or reset it directly.
    NativeHandle Fd() const { return m_fd; }

private:
    NativeHandle m_fd;
};

using EventHandle = std::shared_ptr<CAutoResetEvent>;

// A new unsignalled event, or the living event of that name. Null when the
// system refuses one (its errno, or on Windows its last error, is then left as
// the system set it).
EventHandle CreateAutoResetEvent(const std::string& strName = {});

}  // namespace halyard
