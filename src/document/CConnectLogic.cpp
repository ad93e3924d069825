#include "document/CConnectLogic.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "document/Framing.h"
#include "platform/AppMessages.h"
#include "serial/CPortLink.h"

namespace halyard {

namespace {

constexpr int kTimeoutAfterResult = 3;
// Lines read in one tick at most; the packet buffer holds 40, the rest wait.
constexpr int kMaxReadsPerTick = 2 * static_cast<int>(SERIAL_PACKET_SLOTS);

struct ModelRow {
    int nCode;
    const char* szName;
    bool bPQDSensor;
};

constexpr std::array<ModelRow, 9> kModels{{
    {40, "LMW-40", true},
    {15, "PQD-015", true},
    {25, "PQD-025", true},
    {35, "PQD-035", true},
    {45, "PQD-045", true},
    {310, "KV-310", false},
    {610, "ZRT-610", false},
    {630, "ZRT-630", false},
    {650, "ZRT-650", false},
}};

}  // namespace

SensorModel LookUpSensorModel(int nModelNumber)
{
    const auto it = std::find_if(kModels.begin(), kModels.end(),
                                 [nModelNumber](const ModelRow& row) { return row.nCode == nModelNumber; });
    if (it == kModels.end())
        return {"NOT SET", false};
    return {it->szName, it->bPQDSensor};
}

std::string ComPortName(int nPort)
{
    char sz[20];
    if (nPort >= 10)
        std::snprintf(sz, sizeof sz, "\\\\.\\COM%d", nPort);
    else
        std::snprintf(sz, sizeof sz, "COM%d:", nPort);
    return sz;
}

CConnectLogic::CConnectLogic(std::unique_ptr<ISerialLink> pSerial)
    : m_pSerial(pSerial ? std::move(pSerial) : std::make_unique<CPortLink>())
{}

void CConnectLogic::UseSerial(std::unique_ptr<ISerialLink> pSerial)
{
    if (!pSerial)
        return;
    ClosePort();
    m_pSerial = std::move(pSerial);
}

CConnectLogic::~CConnectLogic()
{
    ClosePort();
}

void CConnectLogic::SetUp(int nPort, uint32_t dwBaudRate, bool bRS485, uint16_t wRS485Address)
{
    m_nPort = nPort;
    m_dwBaudRate = dwBaudRate;
    m_nRS485Mode = bRS485 ? 1 : 0;
    m_wRS485Address = wRS485Address;
}

void CConnectLogic::BuildCommandLine(const char* szCommand)
{
    const std::string strLine = FrameIdentificationCommand(szCommand, m_nRS485Mode == 1, m_wRS485Address);
    m_abyTxBuffer.fill(0);
    m_nTxLength = static_cast<int>(std::min(strLine.size(), m_abyTxBuffer.size()));
    std::copy_n(strLine.begin(), m_nTxLength, m_abyTxBuffer.begin());
}

void CConnectLogic::SendCommandLine()
{
    Serial().SendData(m_abyTxBuffer.data(), static_cast<uint32_t>(m_nTxLength));
}

bool CConnectLogic::OnInitDialog()
{
    BuildCommandLine("OK");
    Serial().SetBaudRate(m_dwBaudRate);
    if (Serial().Initialise(ComPortName(m_nPort), m_nPort, DATA_IN_EVENT_BASE, LINE_END_CHAR)) {
        m_bPortOpen = true;
        m_bPortFailed = false;
        m_nTriesLeft = static_cast<int16_t>(m_nRetries);
        Serial().EnableCommThread(true);
        SendCommandLine();
        m_nReplyStage = 0;
    } else {
        m_dwPortError = Serial().GetLastError();
        m_strStatus = "Port Not Connected";
        m_nTimeout = kTimeoutAfterResult;
    }
    return true;
}

void CConnectLogic::OnTimer(uint32_t nIDEvent)
{
    if (nIDEvent != TIMER_CONNECT_DLG || m_bFinished)
        return;
    BuildCommandLine("JM?");
    if (--m_nTimeout < 0) {
        m_nTimeout = 0;
        Finish();
    } else if (m_bPortFailed) {
        m_strStatus = "Port Not Connected";
    } else if (m_bIdentified) {
        // The result stands; the countdown runs out.
    } else if (m_nTriesLeft < 0) {
        ClosePort();
        --m_nTriesLeft;
    } else {
        DrainReplies();
    }
}

void CConnectLogic::DrainReplies()
{
    for (int nReads = 0; nReads < kMaxReadsPerTick; ++nReads) {
        m_abyRxBuffer.fill(0);
        uint32_t dwCount = 0;
        if (Serial().ReceiveData(m_abyRxBuffer.data(), &dwCount, SERIAL_CHUNK_SIZE) == 0)
            break;
        if (dwCount == 0)
            continue;
        TakeReply(PrintableText(m_abyRxBuffer.data(), std::min<size_t>(dwCount, m_abyRxBuffer.size())));
    }
    ++m_nReplyStage;
    SendCommandLine();
    if (m_bIdentified) {
        const SensorModel model = LookUpSensorModel(m_nModelNumber);
        m_strModelName = model.strName;
        m_bPQDSensor = model.bPQDSensor;
        m_strStatus = "Found " + m_strModelName;
        m_nTimeout = kTimeoutAfterResult;
    }
    --m_nTriesLeft;
}

void CConnectLogic::TakeReply(const std::string& strText)
{
    if (m_nReplyStage == 0) {
        // Replies to the wake-up; in addressed mode any reply will do.
        if (strText.find("BAD CMD") != std::string::npos || strText.find("Orvan") != std::string::npos ||
            m_nRS485Mode == 1)
            ++m_nReplyStage;
        return;
    }
    const size_t nColon = strText.find(':');
    if (strText.find("BAD CMD") != std::string::npos) {
        m_nModelNumber = -1;
        m_strModelName.clear();
        m_bIdentified = true;
    } else if (strText.size() == 5 || strText.size() == 6) {
        m_nModelNumber = LeadingDecimal(strText);
        m_strModelName = strText;
        m_bIdentified = true;
    } else if (nColon != std::string::npos && strText.size() >= nColon + 7) {
        m_strModelName = strText.substr(nColon + 3, 5);
        m_nModelNumber = LeadingDecimal(m_strModelName);
        m_bIdentified = true;
    }
}

void CConnectLogic::ClosePort()
{
    if (!m_bPortOpen)
        return;
    Serial().EnableCommThread(false);
    Serial().Close();
    m_bPortOpen = false;
}

void CConnectLogic::Finish()
{
    ClosePort();
    m_bFinished = true;
}

void CConnectLogic::OnCancel()
{
    Finish();
}

void CConnectLogic::OnClose()
{
    Finish();
}

}  // namespace halyard
