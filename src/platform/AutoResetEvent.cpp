#include "AutoResetEvent.h"

#include <mutex>
#include <unordered_map>

namespace halyard {

namespace {

struct EventRegistry {
    std::mutex mutex;
    std::unordered_map<std::string, std::weak_ptr<CAutoResetEvent>> events;
};

EventRegistry& Registry()
{
    static EventRegistry registry;
    return registry;
}

EventHandle MakeEvent()
{
    auto event = std::make_shared<CAutoResetEvent>();
    if (!event->IsValid())
        return nullptr;
    return event;
}

}  // namespace

EventHandle CreateAutoResetEvent(const std::string& strName)
{
    if (strName.empty())
        return MakeEvent();

    EventRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    if (auto living = registry.events[strName].lock())
        return living;
    std::erase_if(registry.events, [](const auto& entry) { return entry.second.expired(); });
    EventHandle event = MakeEvent();
    if (event)
        registry.events[strName] = event;
    return event;
}

}  // namespace halyard
