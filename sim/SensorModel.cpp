#include "SensorModel.h"

#include <cmath>
#include <cstdio>

#include "SensorTexts.h"
#include "SimProtocol.h"

namespace halyard::sim {

namespace {

using Replies = std::vector<std::string>;

Replies BadCmd()
{
    return {"BAD CMD"};
}

std::vector<std::string> SplitFields(const std::string& strText)
{
    std::vector<std::string> fields;
    size_t nFrom = 0;
    for (;;) {
        const size_t nComma = strText.find(',', nFrom);
        fields.push_back(strText.substr(nFrom, nComma - nFrom));
        if (nComma == std::string::npos)
            return fields;
        nFrom = nComma + 1;
    }
}

}  // namespace

CSensorModel::CSensorModel(const std::string& strModel, int nAddress, bool bRS485)
    : m_strModel(strModel)
    , m_nModelCode(ModelCode(strModel))
    , m_nAddress(nAddress % 100)
    , m_wOptions(bRS485 ? kRS485OptionBit : 0)
    , m_Als(nAddress % 100)
{
    for (int n = 0; n < kNvramVariables; ++n)
        m_anNvram[static_cast<size_t>(n)] = (n * 73 + 11) % 1000;
    m_anNvram[0] = m_nModelCode < 0 ? 0 : m_nModelCode;
    m_anNvram[kTempOffsetVariable] = 5;
}

bool CSensorModel::IsKnownModel(const std::string& strModel)
{
    return ModelCode(strModel) >= 0 || strModel == "NOT SET";
}

const CSensorModel::Entry CSensorModel::kCommands[] = {
    {"OK", nullptr, "Orvan Sensor OK"},
    {"JM?",
     [](CSensorModel& s, const CommandArgs&) {
         return s.m_nModelCode < 0 ? BadCmd() : Replies{NvramValueText(s.m_nModelCode)};
     }},
    {"OS?", [](CSensorModel& s, const CommandArgs&) { return Replies{RegisterReplyText(s.m_wOpState)}; }},
    {"OP?", [](CSensorModel& s, const CommandArgs&) { return Replies{RegisterReplyText(s.m_wOptions)}; }},
    {"OS%b", [](CSensorModel& s, const CommandArgs& a) { return s.WriteRegister(s.m_wOpState, a[0]); }},
    {"OP%b", [](CSensorModel& s, const CommandArgs& a) { return s.WriteRegister(s.m_wOptions, a[0]); }},
    {"OSNVW5",
     [](CSensorModel& s, const CommandArgs&) {
         s.m_wOpState = static_cast<uint16_t>((s.m_wOpState & ~kWriteEnableMask) | kWriteEnableBits);
         return Replies{"NVRAM WRITE ON"};
     }},
    {"OSNVW0",
     [](CSensorModel& s, const CommandArgs&) {
         s.m_wOpState = static_cast<uint16_t>(s.m_wOpState & ~kWriteEnableMask);
         return Replies{"NVRAM WRITE OFF"};
     }},
    {"ADR?", [](CSensorModel& s, const CommandArgs&) { return Replies{AddressText(s.m_nAddress)}; }},
    {"D?", [](CSensorModel& s, const CommandArgs&) { return Replies{s.DataMessage()}; }},
    {"R?",
     [](CSensorModel& s, const CommandArgs&) {
         MaintenanceFields fields;
         fields.nAddress = s.m_nAddress;
         fields.dTemperature = s.ReportedTemperature();
         fields.bFault = s.m_bTestMode && s.m_Test.nFault != 0;
         return Replies{MaintenanceText(fields)};
     }},
    {"A?",
     [](CSensorModel& s, const CommandArgs&) {
         char szText[16];
         std::snprintf(szText, sizeof szText, "%07.2f", s.m_dAccumulation);
         return Replies{szText};
     }},
    {"AC",
     [](CSensorModel& s, const CommandArgs&) {
         s.m_dAccumulation = 0.0;
         return Replies{"0000.00"};
     }},
    {"M?", nullptr, "M 0000,0001,0000,0000,0002,0000,0000,0000,0001,0000,0000,0000"},
    {"XW?", nullptr, "XW 0.000,0.000,0.012,00,00,0000"},
    {"RST", [](CSensorModel& s, const CommandArgs&) { return s.Restart(); }},
    {"V%d?", [](CSensorModel& s, const CommandArgs& a) { return s.ReadNvram(a); }},
    {"V%d,%s", [](CSensorModel& s, const CommandArgs& a) { return s.WriteNvram(a); }},
    {"PV?", nullptr, "Program Version 2.14 Build 0412"},
    {"P?", nullptr, "P 0060,0010,0250,1.000,0.950,0020,0005,00,01,0"},
    {"BT?", nullptr, "BT 1.0234"},
    {"BB?", nullptr, "BB 0.9876"},
    {"T?", [](CSensorModel&, const CommandArgs&) { return Replies{"TIME " + LocalDateTimeText()}; }},
    {"C?", nullptr, "CAL 1.0250,0.9975,0.0000,0.0000"},
    {"WT?", nullptr, "WT 0.020,0.030,0.000"},
    {"XF?", nullptr, "XF 0.0120,0.0000,0.0000"},
    {"XS?", nullptr, "XS 01450,01432,00012"},
    {"XR?", nullptr, "XR 00125,00119"},
    {"TR?",
     [](CSensorModel& s, const CommandArgs&) {
         char szText[48];
         std::snprintf(szText, sizeof szText, "TR %+06.1f,%+06.1f", s.m_dRawTemperature,
                       s.m_dRawTemperature + 0.3);
         return Replies{szText};
     }},
    {"SN?", nullptr, "Serial Number Z24117"},
    {"JRO?", nullptr, "00000"},
    {"JAO?", nullptr, "00001"},
    {"JAI?", nullptr, "00000"},
    {"JAL?", nullptr, "00120"},
    {"JCC?", nullptr, "00003"},
    {"DHO",
     [](CSensorModel& s, const CommandArgs&) {
         s.m_wOpState = static_cast<uint16_t>(s.m_wOpState & ~0x0008U);
         return Replies{"HOOD HEATERS AUTO"};
     }},
    {"DHX",
     [](CSensorModel& s, const CommandArgs&) {
         s.m_wOpState = static_cast<uint16_t>(s.m_wOpState | 0x0008U);
         return Replies{"HOOD HEATERS OFF"};
     }},
    {"TM30",
     [](CSensorModel& s, const CommandArgs&) {
         s.m_nSampleTimeS = 30;
         return Replies{"SAMPLE TIME 30"};
     }},
    {"TM60",
     [](CSensorModel& s, const CommandArgs&) {
         s.m_nSampleTimeS = 60;
         return Replies{"SAMPLE TIME 60"};
     }},
    {"CO",
     [](CSensorModel& s, const CommandArgs&) {
         s.m_bCalibrating = true;
         return Replies{"CALIBRATION INITIALISED"};
     }},
    {"CE", [](CSensorModel& s, const CommandArgs&) { return s.Calibration("EXCO CALIBRATED"); }},
    {"CT", [](CSensorModel& s, const CommandArgs&) { return s.Calibration("TEMPERATURE CALIBRATED"); }},
    {"CA",
     [](CSensorModel& s, const CommandArgs&) { return s.Calibration("AMOUNT ADJUSTMENT CALIBRATED"); }},
    {"CX",
     [](CSensorModel& s, const CommandArgs&) {
         s.m_bCalibrating = false;
         return Replies{"CALIBRATION STOPPED"};
     }},
    {"TEST,%s", [](CSensorModel& s, const CommandArgs& a) { return s.StartTestMode(a[0]); }},
    {"ALS-%s", [](CSensorModel& s, const CommandArgs& a) { return s.m_Als.Execute(a[0]); }},
};

std::vector<std::string> CSensorModel::Execute(const std::string& strCommand, TimePoint now)
{
    m_now = now;
    UpdateTestMode(now);
    CommandArgs args;
    const Entry* pEntry = FindCommand(std::span<const Entry>(kCommands), strCommand, args);
    if (pEntry == nullptr)
        return BadCmd();
    return pEntry->pfnHandler != nullptr ? pEntry->pfnHandler(*this, args) : Replies{pEntry->szReply};
}

std::string CSensorModel::DataMessage()
{
    ++m_nMessages;
    DataFields fields;
    fields.strCode = DataCodeForModel(m_strModel);
    if (m_bTestMode)
        fields.strCode.insert(0, 1, 'T');
    fields.nAddress = m_nAddress;
    fields.nPeriodS = m_nSampleTimeS;
    fields.dTemperature = ReportedTemperature();
    if (m_bTestMode) {
        fields.nVisibilityM = static_cast<int>(std::lround(m_Test.dVisibilityKm * 1000.0));
        fields.nVisibility10M = fields.nVisibilityM;
        fields.nWeatherCode = m_Test.nWeatherCode;
        fields.nFault = m_Test.nFault;
        fields.nContamination = m_Test.nContamination;
    } else {
        fields.nVisibilityM = 15000 - static_cast<int>((m_nMessages * 137U) % 900U);
        fields.nVisibility10M = 15000 - static_cast<int>((m_nMessages * 61U) % 400U);
    }
    fields.dAccumulation = m_dAccumulation;
    if ((m_wOptions & 0x0001U) != 0)
        fields.strDateTime = LocalDateTimeText();
    fields.bChecksum = (m_wOptions & 0x0020U) != 0;
    return DataMessageText(fields);
}

std::optional<CSensorModel::TimePoint> CSensorModel::UpdateTestMode(TimePoint now)
{
    if (!m_bTestMode || m_Test.nMinutes <= 0)
        return std::nullopt;
    const TimePoint end = m_testStart + std::chrono::minutes(m_Test.nMinutes);
    if (now >= end) {
        m_bTestMode = false;
        return std::nullopt;
    }
    return end;
}

int CSensorModel::GetNvram(int nIndex) const
{
    if (nIndex == kOpStateVariable)
        return m_wOpState;
    return (nIndex >= 0 && nIndex < kNvramVariables) ? m_anNvram[static_cast<size_t>(nIndex)] : 0;
}

bool CSensorModel::SetNvram(int nIndex, int nValue)
{
    if (nIndex < 0 || nIndex >= kNvramVariables)
        return false;
    if (nIndex == kOpStateVariable) {
        if (nValue < 0 || nValue > 0xFFFF)
            return false;
        m_wOpState = static_cast<uint16_t>(nValue);
        return true;
    }
    m_anNvram[static_cast<size_t>(nIndex)] = nValue;
    return true;
}

double CSensorModel::ReportedTemperature() const
{
    return m_dRawTemperature - m_anNvram[kTempOffsetVariable] / 10.0;
}

CSensorModel::Replies CSensorModel::WriteRegister(uint16_t& wRegister, const std::string& strDigits)
{
    const std::optional<uint16_t> value = ParseRegisterCommandText(strDigits);
    if (!value)
        return BadCmd();
    wRegister = *value;
    return {RegisterReplyText(wRegister)};
}

CSensorModel::Replies CSensorModel::ReadNvram(const CommandArgs& args)
{
    int nIndex = -1;
    if (!ParseInt(args[0], nIndex) || nIndex < 0 || nIndex >= kNvramVariables)
        return BadCmd();
    if (nIndex == kOpStateVariable && !m_bDecimalOpState)
        return {RegisterReplyText(m_wOpState)};
    return {NvramValueText(GetNvram(nIndex))};
}

CSensorModel::Replies CSensorModel::WriteNvram(const CommandArgs& args)
{
    int nIndex = -1;
    int nValue = 0;
    if (!NvramWriteEnabled() || !ParseInt(args[0], nIndex) || !ParseInt(args[1], nValue) ||
        !SetNvram(nIndex, nValue))
        return BadCmd();
    return {"V" + std::to_string(nIndex) + "," + std::to_string(nValue)};
}

CSensorModel::Replies CSensorModel::StartTestMode(const std::string& strFields)
{
    if (strFields == "0") {
        m_bTestMode = false;
        return {"TEST MODE OFF"};
    }
    const std::vector<std::string> fields = SplitFields(strFields);
    TestConditions test;
    // Five fields, each ended by a comma; the last comma may be missing.
    const bool bShape = fields.size() == 5 || (fields.size() == 6 && fields[5].empty());
    if (!bShape || !ParseInt(fields[0], test.nMinutes) || !ParseDouble(fields[1], test.dVisibilityKm) ||
        !ParseInt(fields[2], test.nFault) || !ParseInt(fields[3], test.nContamination) ||
        !ParseInt(fields[4], test.nWeatherCode) || test.nMinutes < 0 || test.dVisibilityKm < 0.0 ||
        test.dVisibilityKm > 99.0 || test.nFault < 0 || test.nFault > 1 || test.nContamination < 0 ||
        test.nContamination > 2 || test.nWeatherCode < 0 || test.nWeatherCode > 99)
        return BadCmd();
    m_Test = test;
    m_bTestMode = true;
    m_testStart = m_now;
    return {"TEST MODE ON"};
}

CSensorModel::Replies CSensorModel::Restart()
{
    m_bTestMode = false;
    m_bCalibrating = false;
    return {StartupText()};
}

CSensorModel::Replies CSensorModel::Calibration(const char* szDone)
{
    if (!m_bCalibrating)
        return BadCmd();
    return {szDone};
}

}  // namespace halyard::sim
