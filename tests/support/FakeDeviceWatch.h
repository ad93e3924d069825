#pragma once
// A device watch without udev, for tests of whatever waits for a serial
// device to come back: the test calls Arrive(path) from any thread; Fd()
// (an eventfd) turns readable, and TakeArrival(path) answers true once for
// each path that arrived since the last TakeArrival.

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AutoResetEvent.h"
#include "platform/IDeviceWatch.h"

namespace halyard::test {

class CFakeDeviceWatch : public IDeviceWatch {
public:
    NativeHandle Fd() const override { return m_event.Fd(); }

    bool TakeArrival(const std::string& strPath) override
    {
        m_event.TryConsume();
        std::lock_guard lock(m_mutex);
        const bool bArrived = std::find(m_arrived.begin(), m_arrived.end(), strPath) != m_arrived.end();
        m_arrived.clear();
        return bArrived;
    }

    void Arrive(const std::string& strPath)
    {
        {
            std::lock_guard lock(m_mutex);
            m_arrived.push_back(strPath);
        }
        m_event.Set();
    }

private:
    CAutoResetEvent m_event;
    std::mutex m_mutex;
    std::vector<std::string> m_arrived;
};

}  // namespace halyard::test
