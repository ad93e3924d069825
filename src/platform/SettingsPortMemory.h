#pragma once
// Remembered COM numbers in the settings file the GUI shares (group "Ports",
// one key per adapter: its by-id name, the number as its value). The console
// front end gives the port table one of these; the GUI keeps the same group
// through its toolkit's settings, so both agree on every adapter's number.

#include "IPortMemory.h"
#include "SettingsFile.h"

namespace halyard {

// The group both sides keep the numbers in.
inline constexpr char kPortMemoryGroup[] = "Ports";

class CSettingsPortMemory : public IPortMemory {
public:
    explicit CSettingsPortMemory(std::string strPath = CSettingsFile::DefaultPath());

    // Keys whose value is not a positive number are left out.
    std::map<std::string, int> Load() override;
    // A failure to write the file loses only the memory.
    void Save(const std::map<std::string, int>& numbers) override;

    const CSettingsFile& File() const { return m_file; }

private:
    CSettingsFile m_file;
};

}  // namespace halyard
