#pragma once
// The program's one clock: "now", local time and its deliberate waits (the pause
// after closing a connection, the pause when the document goes while connected).
// Tests install a CManualClock so that time stamps, daily file changes and those
// pauses are checked without waiting. Install a clock before the threads that
// read it start; the clock itself is called from any thread.

#include <chrono>
#include <ctime>
#include <mutex>
#include <string>

namespace halyard {

using TimePoint = std::chrono::system_clock::time_point;

class IClock {
public:
    virtual ~IClock() = default;
    virtual TimePoint Now() = 0;
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

// The clock in force: the system clock unless a test installed another.
IClock& Clock();
// Installs pClock (not owned), or the system clock again for nullptr.
void SetClock(IClock* pClock);

// Local calendar time of tp.
std::tm LocalTime(TimePoint tp);
// strftime in the C locale, whatever the program's locale; the format is the
// program's own, never received text.
std::string FormatTime(const char* szFormat, TimePoint tp);

// A clock that stands still until told: Sleep advances it at once.
class CManualClock : public IClock {
public:
    explicit CManualClock(TimePoint start = TimePoint{});
    TimePoint Now() override;
    void Sleep(std::chrono::milliseconds duration) override;
    void Set(TimePoint tp);
    void Advance(std::chrono::milliseconds duration);
    // Total time passed in Sleep since construction.
    std::chrono::milliseconds Slept();

private:
    std::mutex m_mutex;
    TimePoint m_now;
    std::chrono::milliseconds m_slept{0};
};

// Local time from calendar fields (for tests and daily changes): year, month 1-12, ...
TimePoint MakeLocalTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond);

}  // namespace halyard
