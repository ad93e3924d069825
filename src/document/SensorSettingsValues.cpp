#include "document/SensorSettingsValues.h"

namespace halyard {

namespace {

char Bit(bool b)
{
    return b ? '1' : '0';
}

}  // namespace

void LoadOptionsSelections(SensorSettingsValues& v)
{
    const uint16_t w = v.m_wOptions;
    v.m_nDateTime = (w & OPT_DATE_TIME_BIT) ? 0 : 1;
    v.m_nTempForPW = (w & OPT_NO_TEMP_BIT) ? 1 : 0;
    v.m_nChecksum = (w & OPT_CHECKSUM_BIT) ? 0 : 1;
    v.m_nRS485 = (w & OPT_RS485_BIT) ? 0 : 1;
    v.m_nExco = (w & OPT_NO_EXCO_BIT) ? 1 : 0;
}

void LoadOpStateSelections(SensorSettingsValues& v)
{
    const auto& bits = v.m_wOpState.bits;
    v.m_nHoodHeaters = bits.bHoodHeatersOff ? 1 : 0;
    v.m_nSendMode = bits.bAutoSend ? 0 : 1;
    v.m_nMsgFormat = bits.bCompressed ? 0 : 1;
    v.m_nCalcMode = bits.bCalcOnDemand ? 0 : 1;
    v.m_bWriteNVRAM = bits.nNVRAMWrite == 5 ? 1 : 0;
    switch (bits.nWindowHeaters) {
    case 0:
        v.m_nWindowHeaters = 0;
        break;
    case 3:
        v.m_nWindowHeaters = 1;
        break;
    default:
        v.m_nWindowHeaters = 2;  // 01 and 10 are both the power-saving mode
        break;
    }
}

void StoreOptionsSelections(SensorSettingsValues& v)
{
    auto set = [&v](uint16_t wBit, bool bOn) {
        v.m_wOptions = static_cast<uint16_t>(bOn ? (v.m_wOptions | wBit) : (v.m_wOptions & ~wBit));
    };
    set(OPT_DATE_TIME_BIT, v.m_nDateTime == 0);
    set(OPT_NO_TEMP_BIT, v.m_nTempForPW == 1);
    set(OPT_CHECKSUM_BIT, v.m_nChecksum == 0);
    set(OPT_NO_EXCO_BIT, v.m_nExco == 1);
    set(OPT_RS485_BIT, v.m_nRS485 == 0);
}

std::string BuildOptionsText(const SensorSettingsValues& v)
{
    const uint16_t w = v.m_wOptions;
    std::string str = "00000000,";
    str += Bit(w & OPT_RS485_BIT);
    str += Bit(v.m_nExco == 1);
    str += Bit(w & OPT_CHECKSUM_BIT);
    str += "00";
    str += Bit(w & OPT_NO_TEMP_BIT);
    str += '0';
    str += Bit(w & OPT_DATE_TIME_BIT);
    return str;
}

std::string BuildOpStateText(const SensorSettingsValues& v)
{
    std::string str = v.m_bWriteNVRAM ? "101" : "000";
    str += "00000,";
    str += v.m_nWindowHeaters == 0 ? "00" : v.m_nWindowHeaters == 1 ? "11" : "01";
    str += Bit(v.m_nMsgFormat == 0);
    str += '0';
    str += Bit(v.m_nHoodHeaters == 1);
    str += '0';
    str += Bit(v.m_nCalcMode == 0);
    str += Bit(v.m_nSendMode == 0);
    return str;
}

std::string RegisterWriteCommand(const char* szPrefix, const std::string& strText)
{
    return szPrefix + strText.substr(0, 8) + strText.substr(strText.size() > 9 ? 9 : strText.size());
}

}  // namespace halyard
