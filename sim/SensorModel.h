// CSensorModel: what the simulated sensor knows and how it answers. It holds
// the registers, the NVRAM variables V0..V149, the measured values, test mode
// and the attached ALS, and answers one command at a time from its command
// table. No threads and no I/O: CSimSensor calls it under its own lock, and
// unit tests call it directly.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "AlsModel.h"
#include "CommandTable.h"

namespace halyard::sim {

class CSensorModel {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr int kNvramVariables = 150;
    static constexpr int kOpStateVariable = 9;      // V9 is the operating state
    static constexpr int kTempOffsetVariable = 63;  // tenths of a degree
    static constexpr uint16_t kWriteEnableMask = 0xE000;
    static constexpr uint16_t kWriteEnableBits = 0xA000;  // bits 15-13 = 101
    static constexpr uint16_t kAutoSendBit = 0x0001;
    static constexpr uint16_t kRS485OptionBit = 0x0080;

    // strModel: a name of the model table, or "NOT SET" for a sensor whose
    // model code was never set (it refuses "JM?").
    CSensorModel(const std::string& strModel, int nAddress, bool bRS485);

    static bool IsKnownModel(const std::string& strModel);

    // The reply lines to one received command (unframed); "BAD CMD" for a
    // command the sensor does not know or refuses.
    std::vector<std::string> Execute(const std::string& strCommand, TimePoint now);

    // A data message as the sensor would send it now (test form in test mode).
    std::string DataMessage();
    // Ends a timed test mode that has run out; returns when it will run out.
    std::optional<TimePoint> UpdateTestMode(TimePoint now);

    bool AutoSend() const { return (m_wOpState & kAutoSendBit) != 0; }
    bool RS485() const { return (m_wOptions & kRS485OptionBit) != 0; }
    int Address() const { return m_nAddress; }
    const std::string& Model() const { return m_strModel; }

    uint16_t GetOpState() const { return m_wOpState; }
    void SetOpState(uint16_t wState) { m_wOpState = wState; }
    uint16_t GetOptions() const { return m_wOptions; }
    void SetOptions(uint16_t wOptions) { m_wOptions = wOptions; }
    bool NvramWriteEnabled() const { return (m_wOpState & kWriteEnableMask) == kWriteEnableBits; }
    // Direct access for tests, without write protection; V9 is the operating
    // state. GetNvram gives 0 and SetNvram false outside V0..V149.
    int GetNvram(int nIndex) const;
    bool SetNvram(int nIndex, int nValue);
    double GetRawTemperature() const { return m_dRawTemperature; }
    void SetRawTemperature(double dTemperature) { m_dRawTemperature = dTemperature; }
    // The temperature "R?" reports: the raw value less the offset in V63.
    double ReportedTemperature() const;
    bool InTestMode() const { return m_bTestMode; }
    void SetDecimalOpState(bool bDecimal) { m_bDecimalOpState = bDecimal; }
    const CAlsModel& Als() const { return m_Als; }

private:
    using Replies = std::vector<std::string>;
    struct Entry {
        const char* szPattern;
        Replies (*pfnHandler)(CSensorModel&, const CommandArgs&);
        const char* szReply = nullptr;  // the fixed reply of an entry without handler
    };
    struct TestConditions {
        int nMinutes = 0;
        double dVisibilityKm = 0.0;
        int nFault = 0;
        int nContamination = 0;
        int nWeatherCode = 0;
    };
    // The commands the sensor knows, in the order they are tried.
    static const Entry kCommands[];

    Replies WriteRegister(uint16_t& wRegister, const std::string& strDigits);
    Replies WriteNvram(const CommandArgs& args);
    Replies ReadNvram(const CommandArgs& args);
    Replies StartTestMode(const std::string& strFields);
    Replies Restart();
    Replies Calibration(const char* szDone);

    std::string m_strModel;
    int m_nModelCode;
    int m_nAddress;
    uint16_t m_wOpState = 0;
    uint16_t m_wOptions = 0;
    bool m_bDecimalOpState = false;
    std::array<int, kNvramVariables> m_anNvram{};
    double m_dRawTemperature = 21.8;
    double m_dAccumulation = 0.0;
    int m_nSampleTimeS = 60;
    unsigned m_nMessages = 0;
    bool m_bCalibrating = false;
    bool m_bTestMode = false;
    TestConditions m_Test;
    TimePoint m_testStart{};
    TimePoint m_now{};
    CAlsModel m_Als;
};

}  // namespace halyard::sim
