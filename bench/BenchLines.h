#pragma once
// Sensor-like data lines for the link benchmarks: about 80 characters each,
// ending in CR LF, the numbers changing from line to line.

#include <cstdio>
#include <string>

namespace halyard::bench {

inline std::string DataMessage(int n)
{
    char szLine[128];
    std::snprintf(szLine, sizeof szLine,
                  "PW 00 %05d 00123 01234 +12.5 0000 0  1.23  0.00 000 0000 00 +0.15 1013.2 %05d\r\n",
                  n % 100000, (n * 37) % 100000);
    return szLine;
}

}  // namespace halyard::bench
