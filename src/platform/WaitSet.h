#pragma once
// Wait-any over auto-reset events and, optionally, one file descriptor.
//
// The lowest signalled index wins and only that event is consumed; the others
// stay signalled for the next wait. The descriptor, when given, counts as the
// index after the last event and is reported when it is readable or hung up
// (POLLIN, POLLHUP, POLLERR); it is never read here.

#include <span>

#include "AutoResetEvent.h"

namespace halyard {

constexpr int kWaitTimeout = -1;
constexpr int kWaitFailed = -2;

// Returns the index of the event taken, events.size() for the descriptor,
// kWaitTimeout after nTimeoutMs, or kWaitFailed when poll() fails.
int WaitForAny(std::span<CAutoResetEvent* const> events, int nTimeoutMs, int fd = -1);

// One event alone: true when it was signalled within nTimeoutMs (and taken).
bool WaitForEvent(CAutoResetEvent& event, int nTimeoutMs);

}  // namespace halyard
