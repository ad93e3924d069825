// CAlsModel: the ambient light sensor attached to a simulated sensor. The
// sensor hands it every command that starts with "ALS-" (prefix removed); it
// answers from its own command table. Owned by CSensorModel and used under the
// sensor's lock, so it needs no locking of its own.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "CommandTable.h"

namespace halyard::sim {

class CAlsModel {
public:
    static constexpr int kVariables = 42;      // ALS-V0 .. ALS-V41
    static constexpr int kFloatVariables = 8;  // ALS-VF0 .. ALS-VF7

    explicit CAlsModel(int nAddress);

    // Answer to `strCommand` (without "ALS-"); one "BAD CMD" line for what the
    // ALS does not know or refuses.
    std::vector<std::string> Execute(const std::string& strCommand);

    int GetVariable(int nIndex) const;  // 0 outside the range
    bool NvramWriteEnabled() const { return m_bNvramWrite; }
    double Illuminance() const { return m_dIlluminance; }

private:
    struct Entry {
        const char* szPattern;
        std::vector<std::string> (*pfnHandler)(CAlsModel&, const CommandArgs&);
    };
    static std::span<const Entry> Table();

    std::vector<std::string> WriteVariable(const CommandArgs& args);
    std::vector<std::string> WriteFloatVariable(const CommandArgs& args);
    std::string DataText() const;
    std::string MaintenanceText() const;

    int m_nAddress;
    uint16_t m_wOpState = 0x0001;
    bool m_bNvramWrite = false;
    double m_dIlluminance = 1234.5;
    std::array<int, kVariables> m_anVariables{};
    std::array<double, kFloatVariables> m_adFloatVariables{};
};

}  // namespace halyard::sim
