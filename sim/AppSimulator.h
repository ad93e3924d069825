#pragma once
// The simulated sensor a front end starts with --simulate[=MODEL]: it sends
// its data messages by itself, as a sensor on a mast does, so that there is
// something to watch and log from the start, and it is listed in the port
// table on the next free number for as long as it lives. It is on the
// system's default line: a pseudo-terminal on Linux; on Windows an in-process
// line, whose links the program's port links make while it lives.

#include <memory>
#include <string>

#include "SimSensor.h"

namespace halyard::sim {

// What a front end tells the user when Start gives nothing.
constexpr const char* SIM_START_FAILED_TEXT = "The simulated sensor could not be started.";

class CAppSimulator {
public:
    // Null when the model is unknown or the sensor could not be started.
    static std::unique_ptr<CAppSimulator> Start(const std::string& strModel);
    ~CAppSimulator();
    CAppSimulator(const CAppSimulator&) = delete;
    CAppSimulator& operator=(const CAppSimulator&) = delete;

    int Port() const { return m_nPort; }
    CSimSensor& Sensor() { return *m_pSensor; }

private:
    CAppSimulator() = default;

    std::unique_ptr<CSimSensor> m_pSensor;
    int m_nPort = 0;
    std::string m_strLinkDevice;  // the device its link factory is registered for
};

}  // namespace halyard::sim
