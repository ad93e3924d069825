// The device watch on Windows: the system's port list looked at again once a
// second, on a periodic waitable timer that the console loop waits for. A
// port has arrived when it is listed now and was not at the look before.
#include <windows.h>

#include <algorithm>
#include <set>

#include "platform/IDeviceWatch.h"
#include "platform/PortTable.h"
#include "platform/UdevPorts.h"
#include "platform/windows/UniqueHandle.h"

namespace halyard {

namespace {

constexpr LONG kLookPeriodMs = 1000;

// The numbers of the ports listed now.
std::set<int> ListedPorts()
{
    std::set<int> ports;
    for (const SerialDeviceInfo& device : ListSerialDevices())
        ports.insert(PortNumberFromName(device.strDevice));
    return ports;
}

class CPortListWatch : public IDeviceWatch {
public:
    CPortListWatch()
        : m_hTimer(::CreateWaitableTimerW(nullptr, FALSE, nullptr))
        , m_listed(ListedPorts())
    {
        LARGE_INTEGER due{};
        due.QuadPart = -10000LL * kLookPeriodMs;  // relative, in 100 ns units
        if (m_hTimer && !::SetWaitableTimer(m_hTimer.get(), &due, kLookPeriodMs, nullptr, nullptr, FALSE))
            m_hTimer.reset();
    }
    bool IsValid() const { return m_hTimer != nullptr; }

    NativeHandle Fd() const override { return m_hTimer.get(); }

    bool TakeArrival(const std::string& strPath) override
    {
        const int nPort = PortNumberFromName(strPath);
        std::set<int> listed = ListedPorts();
        const bool bArrived = nPort > 0 && listed.count(nPort) != 0 && m_listed.count(nPort) == 0;
        m_listed = std::move(listed);
        return bArrived;
    }

private:
    UniqueHandle m_hTimer;
    std::set<int> m_listed;  // as the last look found them
};

}  // namespace

std::unique_ptr<IDeviceWatch> CreateDeviceWatch()
{
    auto pWatch = std::make_unique<CPortListWatch>();
    if (!pWatch->IsValid())
        return nullptr;
    return pWatch;
}

}  // namespace halyard
