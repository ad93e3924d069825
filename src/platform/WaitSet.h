#pragma once
// Wait-any over auto-reset events and, optionally, one more handle (on Linux
// a file descriptor, on Windows a waitable handle).
//
// The lowest signalled index wins and only that event is consumed; the others
// stay signalled for the next wait. The extra handle, when given, counts as
// the index after the last event and is reported when it is readable or hung
// up (POLLIN, POLLHUP, POLLERR) or, on Windows, signalled; it is never read
// here.

#include <span>

#include "AutoResetEvent.h"

namespace halyard {

constexpr int kWaitTimeout = -1;
constexpr int kWaitFailed = -2;
// A time-out that never comes: the wait ends only on an event or the descriptor.
constexpr int kWaitForever = -1;
// The most events one wait watches.
constexpr size_t kMaxWaitEvents = 7;

// Returns the index of the event taken, events.size() for the descriptor,
// kWaitTimeout after nTimeoutMs (never for kWaitForever), or kWaitFailed when
// the system's wait fails or there are more than kMaxWaitEvents events.
int WaitForAny(std::span<CAutoResetEvent* const> events, int nTimeoutMs, NativeHandle fd = kNoHandle);

// One event alone: true when it was signalled within nTimeoutMs (and taken).
bool WaitForEvent(CAutoResetEvent& event, int nTimeoutMs);

}  // namespace halyard
