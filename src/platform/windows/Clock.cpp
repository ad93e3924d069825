#include "platform/Clock.h"

#include <locale.h>

namespace halyard {

std::tm LocalTime(TimePoint tp)
{
    const std::time_t t = std::chrono::system_clock::to_time_t(tp);
    std::tm local{};
    localtime_s(&local, &t);
    return local;
}

std::string FormatTime(const char* szFormat, TimePoint tp)
{
    // Month names and the like are English whatever locale the program runs
    // in: they end up in file names and records that other programs read.
    static const _locale_t cLocale = _create_locale(LC_ALL, "C");
    const std::tm local = LocalTime(tp);
    char buffer[256];
    const size_t n = _strftime_l(buffer, sizeof buffer, szFormat, &local, cLocale);
    return std::string(buffer, n);
}

}  // namespace halyard
