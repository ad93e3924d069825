#include "AlsModel.h"

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

std::string FloatText(double dValue)
{
    char szText[32];
    std::snprintf(szText, sizeof szText, "%.4f", dValue);
    return szText;
}

}  // namespace

CAlsModel::CAlsModel(int nAddress)
    : m_nAddress(nAddress)
{
    for (int n = 0; n < kVariables; ++n)
        m_anVariables[static_cast<size_t>(n)] = (n * 41 + 7) % 500;
    for (int n = 0; n < kFloatVariables; ++n)
        m_adFloatVariables[static_cast<size_t>(n)] = 1.0 + 0.125 * n;
}

std::span<const CAlsModel::Entry> CAlsModel::Table()
{
    static const Entry kTable[] = {
        {"D?", [](CAlsModel& als, const CommandArgs&) { return Replies{als.DataText()}; }},
        {"R?", [](CAlsModel& als, const CommandArgs&) { return Replies{als.MaintenanceText()}; }},
        {"PV?", [](CAlsModel&, const CommandArgs&) { return Replies{"ALS Program Version 1.07"}; }},
        {"S?", [](CAlsModel&, const CommandArgs&) { return Replies{"ALS Serial Number L20417"}; }},
        {"SN?", [](CAlsModel&, const CommandArgs&) { return Replies{"ALS Serial Number L20417"}; }},
        {"ADR?", [](CAlsModel& als, const CommandArgs&) { return Replies{AddressText(als.m_nAddress)}; }},
        {"OS?",
         [](CAlsModel& als, const CommandArgs&) { return Replies{RegisterReplyText(als.m_wOpState)}; }},
        {"OS%b",
         [](CAlsModel& als, const CommandArgs& args) {
             als.m_wOpState = ParseRegisterCommandText(args[0]).value_or(als.m_wOpState);
             return Replies{RegisterReplyText(als.m_wOpState)};
         }},
        {"OSNVW5",
         [](CAlsModel& als, const CommandArgs&) {
             als.m_bNvramWrite = true;
             return Replies{"ALS NVRAM WRITE ON"};
         }},
        {"OSNVW0",
         [](CAlsModel& als, const CommandArgs&) {
             als.m_bNvramWrite = false;
             return Replies{"ALS NVRAM WRITE OFF"};
         }},
        {"C?", [](CAlsModel&, const CommandArgs&) { return Replies{"ALS CAL 1.0250,0.0000,0.9975"}; }},
        {"XF?", [](CAlsModel&, const CommandArgs&) { return Replies{"ALS XF 0.0120,0.0000"}; }},
        {"RST",
         [](CAlsModel&, const CommandArgs&) { return Replies{"ALS Restarted, Program Version 1.07"}; }},
        {"V%d?",
         [](CAlsModel& als, const CommandArgs& args) {
             int nIndex = -1;
             if (!ParseInt(args[0], nIndex) || nIndex < 0 || nIndex >= kVariables)
                 return BadCmd();
             return Replies{NvramValueText(als.m_anVariables[static_cast<size_t>(nIndex)])};
         }},
        {"VF%d?",
         [](CAlsModel& als, const CommandArgs& args) {
             int nIndex = -1;
             if (!ParseInt(args[0], nIndex) || nIndex < 0 || nIndex >= kFloatVariables)
                 return BadCmd();
             return Replies{FloatText(als.m_adFloatVariables[static_cast<size_t>(nIndex)])};
         }},
        {"V%d,%s", [](CAlsModel& als, const CommandArgs& args) { return als.WriteVariable(args); }},
        {"VF%d,%s", [](CAlsModel& als, const CommandArgs& args) { return als.WriteFloatVariable(args); }},
    };
    return kTable;
}

std::vector<std::string> CAlsModel::Execute(const std::string& strCommand)
{
    CommandArgs args;
    const Entry* pEntry = FindCommand(Table(), strCommand, args);
    return pEntry != nullptr ? pEntry->pfnHandler(*this, args) : BadCmd();
}

int CAlsModel::GetVariable(int nIndex) const
{
    return (nIndex >= 0 && nIndex < kVariables) ? m_anVariables[static_cast<size_t>(nIndex)] : 0;
}

std::vector<std::string> CAlsModel::WriteVariable(const CommandArgs& args)
{
    int nIndex = -1;
    int nValue = 0;
    if (!m_bNvramWrite || !ParseInt(args[0], nIndex) || nIndex < 0 || nIndex >= kVariables ||
        !ParseInt(args[1], nValue))
        return BadCmd();
    m_anVariables[static_cast<size_t>(nIndex)] = nValue;
    return {"ALS-V" + std::to_string(nIndex) + "," + std::to_string(nValue)};
}

std::vector<std::string> CAlsModel::WriteFloatVariable(const CommandArgs& args)
{
    int nIndex = -1;
    double dValue = 0.0;
    if (!m_bNvramWrite || !ParseInt(args[0], nIndex) || nIndex < 0 || nIndex >= kFloatVariables ||
        !ParseDouble(args[1], dValue))
        return BadCmd();
    m_adFloatVariables[static_cast<size_t>(nIndex)] = dValue;
    return {"ALS-VF" + std::to_string(nIndex) + "," + FloatText(dValue)};
}

std::string CAlsModel::DataText() const
{
    char szText[96];
    std::snprintf(szText, sizeof szText, "ALS-DATA %02d,%08.1f,%05.1f,%03d,0,%04X", m_nAddress % 100,
                  m_dIlluminance, m_dIlluminance / 100.0, m_anVariables[3] % 1000, m_wOpState);
    return szText;
}

std::string CAlsModel::MaintenanceText() const
{
    char szText[128];
    std::snprintf(szText, sizeof szText,
                  "ALS-REM %02d,12.05,0.004,0.003,%08.1f,0125,0118,+021.4,OK,%04X,0000,0000,0000,0000,1",
                  m_nAddress % 100, m_dIlluminance, m_wOpState);
    return szText;
}

}  // namespace halyard::sim
