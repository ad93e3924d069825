// Text builders for the lines the simulated sensor sends: data messages, the
// long remote-maintenance line, the ALS lines and the start-up banner. Pure
// functions over plain values, called by CSensorModel and CAlsModel under the
// sensor's lock, and by unit tests.
#pragma once

#include <string>

namespace halyard::sim {

// What a data message reports. strCode is the model's code, with "T" in front
// while the sensor is in test mode.
struct DataFields {
    std::string strCode;
    int nAddress = 0;
    int nPeriodS = 60;
    int nVisibilityM = 15000;     // one-minute visibility
    int nVisibility10M = 15000;   // ten-minute visibility
    int nWeatherCode = 0;         // WMO present weather
    double dTemperature = 20.0;   // degrees Celsius, as reported
    double dRate = 0.0;           // precipitation rate, mm/h
    double dAccumulation = 0.0;   // mm
    int nFault = 0;               // 0 none, 1 fault
    int nContamination = 0;       // 0 none, 1 warning, 2 fault
    double dExcoForward = 1.023;  // present forward and backscatter EXCO
    double dExcoBack = 0.988;
    std::string strDateTime;  // "dd/mm/yyyy hh:mm:ss" or empty
    bool bChecksum = false;   // append a byte-sum checksum
};
std::string DataMessageText(const DataFields& fields);

// The reporting side reads the temperature of the remote-maintenance line in
// the 6 characters that start 64 characters after the line's first blank.
// The line starts with the three letters "REM" and that blank.
constexpr int kRemTemperatureAt = 3 + 64;

struct MaintenanceFields {
    int nAddress = 0;
    double dTemperature = 20.0;  // as reported (raw minus the offset)
    double dSupplyVolts = 24.1;
    double dWindowForward = 0.02;  // window contamination
    double dWindowBack = 0.03;
    int nHeaterMa = 310;
    int nSignalCounts = 1450;
    bool bFault = false;
};
std::string MaintenanceText(const MaintenanceFields& fields);

// The line a sensor sends when it (re)starts; holds "Sensor Startup".
std::string StartupText();

// Current local time as "dd/mm/yyyy hh:mm:ss".
std::string LocalDateTimeText();

// The address as two decimal digits, the reply form of "ADR?".
std::string AddressText(int nAddress);

// "%05d": the reply form of an NVRAM variable ("00018", "-0012").
std::string NvramValueText(int nValue);

}  // namespace halyard::sim
