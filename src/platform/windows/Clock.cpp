#include "platform/Clock.h"

namespace halyard {

namespace {

constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// szFormat with the names strftime would give in the runtime's locale (%a,
// %A, %b, %B, %p) written out in English; the rest is left to strftime.
std::string WithEnglishNames(const char* szFormat, const std::tm& local)
{
    std::string strFormat;
    for (const char* p = szFormat; *p != '\0'; ++p) {
        if (*p != '%' || p[1] == '\0') {
            strFormat += *p;
            continue;
        }
        const char chSpec = *++p;
        const std::string strMonth = kMonths[local.tm_mon % 12];
        const std::string strDay = kDays[local.tm_wday % 7];
        switch (chSpec) {
        case 'b':
            strFormat += strMonth.substr(0, 3);
            break;
        case 'B':
            strFormat += strMonth;
            break;
        case 'a':
            strFormat += strDay.substr(0, 3);
            break;
        case 'A':
            strFormat += strDay;
            break;
        case 'p':
            strFormat += local.tm_hour < 12 ? "AM" : "PM";
            break;
        default:
            strFormat += '%';
            strFormat += chSpec;
            break;
        }
    }
    return strFormat;
}

}  // namespace

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
    // The Windows runtime has no strftime for a locale of one's own.
    const std::tm local = LocalTime(tp);
    char buffer[256];
    const size_t n = std::strftime(buffer, sizeof buffer, WithEnglishNames(szFormat, local).c_str(), &local);
    return std::string(buffer, n);
}

}  // namespace halyard
