#include "SimSystem.h"

#include <locale.h>

#include <cerrno>

#include "PtyPort.h"

namespace halyard::sim {

std::shared_ptr<ISimPort> DefaultSimPort()
{
    return std::make_shared<CPtyPort>();
}

uint32_t PortInUseError()
{
    return EBUSY;
}

uint32_t PortGoneError()
{
    return ENOENT;
}

void UseCLocaleInThisThread()
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    uselocale(cLocale);
}

}  // namespace halyard::sim
