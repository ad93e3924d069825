#pragma once
// Auto-reset events for the serial link's threads.
//
// An event is signalled by Set() and stays signalled until one waiter takes it
// (WaitForAny or TryConsume); several Set() calls before a wait collapse into one.
// Each event is an eventfd, so a wait set can watch events and a port's file
// descriptor together. Set, Reset and waits may be called from any thread.
//
// Named events come from a process-wide registry: creating an event with the
// name of an event that is still alive returns that same event, so another
// object can open a serial object's per-port event by its name.

#include <memory>
#include <string>

namespace halyard {

class CAutoResetEvent {
public:
    CAutoResetEvent();
    ~CAutoResetEvent();
    CAutoResetEvent(const CAutoResetEvent&) = delete;
    CAutoResetEvent& operator=(const CAutoResetEvent&) = delete;

    bool IsValid() const { return m_fd >= 0; }
    void Set();
    void Reset();
    // Takes the signal if the event is signalled; true when it was.
    bool TryConsume();
    // Readable while signalled; for poll() only, never read it directly.
    int Fd() const { return m_fd; }

private:
    int m_fd;
};

using EventHandle = std::shared_ptr<CAutoResetEvent>;

// A new unsignalled event, or the living event of that name. Null when the
// system refuses an eventfd (its errno is then left as the system set it).
EventHandle CreateAutoResetEvent(const std::string& strName = {});

}  // namespace halyard
