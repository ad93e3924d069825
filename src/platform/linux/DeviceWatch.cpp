#include "platform/IDeviceWatch.h"
#include "platform/UdevMonitor.h"

namespace halyard {

std::unique_ptr<IDeviceWatch> CreateDeviceWatch()
{
    auto pMonitor = std::make_unique<CUdevMonitor>();
    if (!pMonitor->IsValid())
        return nullptr;
    return pMonitor;
}

}  // namespace halyard
