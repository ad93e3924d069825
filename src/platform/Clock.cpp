#include "Clock.h"

#include <atomic>
#include <thread>

namespace halyard {

namespace {

class CSystemClock : public IClock {
public:
    TimePoint Now() override { return std::chrono::system_clock::now(); }
    void Sleep(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }
};

CSystemClock g_systemClock;
std::atomic<IClock*> g_pClock{&g_systemClock};

}  // namespace

IClock& Clock()
{
    return *g_pClock.load();
}

void SetClock(IClock* pClock)
{
    g_pClock.store(pClock ? pClock : &g_systemClock);
}

TimePoint MakeLocalTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond)
{
    std::tm local{};
    local.tm_year = nYear - 1900;
    local.tm_mon = nMonth - 1;
    local.tm_mday = nDay;
    local.tm_hour = nHour;
    local.tm_min = nMinute;
    local.tm_sec = nSecond;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

CManualClock::CManualClock(TimePoint start)
    : m_now(start)
{}

TimePoint CManualClock::Now()
{
    std::lock_guard lock(m_mutex);
    return m_now;
}

void CManualClock::Sleep(std::chrono::milliseconds duration)
{
    std::lock_guard lock(m_mutex);
    m_now += duration;
    m_slept += duration;
}

void CManualClock::Set(TimePoint tp)
{
    std::lock_guard lock(m_mutex);
    m_now = tp;
}

void CManualClock::Advance(std::chrono::milliseconds duration)
{
    std::lock_guard lock(m_mutex);
    m_now += duration;
}

std::chrono::milliseconds CManualClock::Slept()
{
    std::lock_guard lock(m_mutex);
    return m_slept;
}

}  // namespace halyard
