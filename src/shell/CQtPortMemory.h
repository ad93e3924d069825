#pragma once
// The GUI's memory of the COM numbers given to USB adapters: group "Ports" of
// the program's settings (ProgramSettings()), one key per adapter
// (its by-id name), the number as value. A console front end reads and
// writes the same group of the same file through CSettingsPortMemory, so an
// adapter has one number in both. Each call opens the settings afresh, so a
// number the other side wrote in between is seen. UI thread.

#include "platform/IPortMemory.h"

namespace halyard {

class CQtPortMemory : public IPortMemory {
public:
    std::map<std::string, int> Load() override;
    void Save(const std::map<std::string, int>& numbers) override;
};

}  // namespace halyard
