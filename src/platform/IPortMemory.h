#pragma once
// Where the port table remembers the numbers it gave USB adapters, so that an
// adapter keeps its COM number from one plug-in (and one start) to the next.
// Keys are the adapters' by-id names (the file name under /dev/serial/by-id/),
// values the numbers. The GUI keeps them through its toolkit's settings, a
// console front end in the same file through CSettingsPortMemory, tests in
// memory. Called on the thread that scans the ports.

#include <map>
#include <string>

namespace halyard {

class IPortMemory {
public:
    virtual ~IPortMemory() = default;
    // Every remembered number; empty when nothing is remembered yet.
    virtual std::map<std::string, int> Load() = 0;
    // Replaces what is remembered with numbers.
    virtual void Save(const std::map<std::string, int>& numbers) = 0;
};

}  // namespace halyard
