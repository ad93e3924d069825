#pragma once
// The requests to stop as a handle for the console loop: on Linux SIGINT and
// SIGTERM, blocked in the calling thread (and so in every thread it starts
// later) and read from a signalfd; on Windows Ctrl-C, Ctrl-Break and the
// console window closing, taken by a console control handler that signals
// an event. Create it in main before any other thread starts; what it
// changed is put back when it goes. One at a time in a process.

#include <memory>

#include "platform/NativeHandle.h"

namespace halyard {

class CSignalWatch {
public:
    CSignalWatch();
    ~CSignalWatch();
    CSignalWatch(const CSignalWatch&) = delete;
    CSignalWatch& operator=(const CSignalWatch&) = delete;

    bool IsValid() const;
    // Ready when a request arrived; kNoHandle when the watch could not start.
    NativeHandle Fd() const;
    // The signal that arrived (SIGINT for Ctrl-C, SIGBREAK for Ctrl-Break,
    // SIGTERM for a closing console), 0 when none was pending.
    int Take();

private:
    struct State;  // the system's part (CSignalWatch.cpp in the system's folder)
    std::unique_ptr<State> m_pState;
};

}  // namespace halyard
