// What the simulated sensor needs of the system it runs on: the line a
// sensor is on when nobody gives it one (a pseudo-terminal on Linux, an
// in-process line on Windows, which has none), the system's error codes for
// a port that is taken or gone, and numbers written with a decimal point
// whatever the program's locale is. SimSystem.cpp in the system's folder.
#pragma once

#include <cstdint>
#include <memory>

#include "SimPort.h"

namespace halyard::sim {

std::shared_ptr<ISimPort> DefaultSimPort();

// The system's error for a port another client has open, and for one that is not there.
uint32_t PortInUseError();
uint32_t PortGoneError();

// The calling thread formats and reads numbers in the C locale from now on.
void UseCLocaleInThisThread();

}  // namespace halyard::sim
