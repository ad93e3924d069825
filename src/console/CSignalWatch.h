#pragma once
// SIGINT and SIGTERM as a file descriptor for the console loop: the signals
// are blocked in the calling thread (and so in every thread it starts later)
// and read from a signalfd. Create it in main before any other thread starts;
// the old mask is put back when it goes.

#include <signal.h>

#include "platform/UniqueFd.h"

namespace halyard {

class CSignalWatch {
public:
    CSignalWatch();
    ~CSignalWatch();
    CSignalWatch(const CSignalWatch&) = delete;
    CSignalWatch& operator=(const CSignalWatch&) = delete;

    bool IsValid() const { return m_fd.IsValid(); }
    int Fd() const { return m_fd.Get(); }
    // The signal that arrived (0 when none was pending).
    int Take();

private:
    sigset_t m_oldMask{};
    CUniqueFd m_fd;
};

}  // namespace halyard
