#include "SensorTexts.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <chrono>

#include "platform/Clock.h"

namespace halyard::sim {

namespace {

// printf-style formatting into a std::string; the formats are this file's own.
__attribute__((format(printf, 1, 2))) std::string Format(const char* szFormat, ...)
{
    char szBuffer[512];
    va_list args;
    va_start(args, szFormat);
    const int nLength = std::vsnprintf(szBuffer, sizeof szBuffer, szFormat, args);
    va_end(args);
    if (nLength < 0)
        return {};
    return std::string(szBuffer, std::min<size_t>(static_cast<size_t>(nLength), sizeof szBuffer - 1));
}

double Clamp(double dValue, double dLow, double dHigh)
{
    return std::min(std::max(dValue, dLow), dHigh);
}

}  // namespace

std::string DataMessageText(const DataFields& fields)
{
    std::string strLine;
    if (!fields.strDateTime.empty())
        strLine = fields.strDateTime + " ";
    strLine += Format("%s %02d,%04d,%05d,%05d,%02d,%+06.1f,%07.2f,%07.2f,%d,%d,%03d,%5.3f,%5.3f",
                      fields.strCode.c_str(), fields.nAddress % 100, std::clamp(fields.nPeriodS, 0, 9999),
                      std::clamp(fields.nVisibilityM, 0, 99999), std::clamp(fields.nVisibility10M, 0, 99999),
                      std::clamp(fields.nWeatherCode, 0, 99), Clamp(fields.dTemperature, -99.9, 999.9),
                      Clamp(fields.dRate, 0.0, 9999.99), Clamp(fields.dAccumulation, 0.0, 9999.99),
                      fields.nFault != 0 ? 1 : 0, std::clamp(fields.nContamination, 0, 2),
                      fields.nFault != 0 ? 128 : 0, Clamp(fields.dExcoForward, 0.0, 9.999),
                      Clamp(fields.dExcoBack, 0.0, 9.999));
    if (fields.bChecksum) {
        unsigned nSum = 0;
        for (char ch : strLine)
            nSum += static_cast<unsigned char>(ch);
        strLine += Format(",%04X", nSum & 0xFFFFU);
    }
    return strLine;
}

std::string MaintenanceText(const MaintenanceFields& fields)
{
    // Fixed-width fields so that the temperature lands at its position.
    std::string strLine =
        Format("REM %02d,%04.1f,%05.3f,%05.3f,%04d,%05d,%s,+12.02,-12.01,+05.00,%06d,", fields.nAddress % 100,
               Clamp(fields.dSupplyVolts, 0.0, 99.9), Clamp(fields.dWindowForward, 0.0, 9.999),
               Clamp(fields.dWindowBack, 0.0, 9.999), std::clamp(fields.nHeaterMa, 0, 9999),
               std::clamp(fields.nSignalCounts, 0, 99999), fields.bFault ? "FLT" : "OK ",
               std::clamp(fields.nSignalCounts / 3, 0, 999999));
    strLine.resize(kRemTemperatureAt, ' ');
    strLine += Format("%6.1f", Clamp(fields.dTemperature, -99.9, 999.9));
    strLine += ",1013.2,045,0000,00000,00000,0";
    return strLine;
}

std::string StartupText()
{
    return "Orvan Sensor Startup, Program Version 2.14";
}

std::string LocalDateTimeText()
{
    // The sensor's own clock: the machine's, not the program's settable one.
    return FormatTime("%d/%m/%Y %H:%M:%S", std::chrono::system_clock::now());
}

std::string AddressText(int nAddress)
{
    return Format("%02d", nAddress % 100);
}

std::string NvramValueText(int nValue)
{
    return Format("%05d", nValue);
}

}  // namespace halyard::sim
