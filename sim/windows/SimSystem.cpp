#include "SimSystem.h"

#include <windows.h>

#include <atomic>
#include <clocale>
#include <string>

#include "SimLine.h"

namespace halyard::sim {

std::shared_ptr<ISimPort> DefaultSimPort()
{
    // A name of its own for each line: the port table lists it, and the
    // program's link to it is found by it.
    static std::atomic<int> nLines{0};
    return std::make_shared<CSimLine>("SIM" + std::to_string(++nLines));
}

uint32_t PortInUseError()
{
    return ERROR_ACCESS_DENIED;  // what CreateFileW says for a port open elsewhere
}

uint32_t PortGoneError()
{
    return ERROR_FILE_NOT_FOUND;
}

void UseCLocaleInThisThread()
{
    _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    std::setlocale(LC_ALL, "C");
}

}  // namespace halyard::sim
