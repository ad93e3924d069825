// CHalyardDoc: command ring, received lines and register replies.
#include <algorithm>
#include <cstring>
#include <utility>

#include "document/CHalyardDoc.h"

namespace halyard {

namespace {

bool Contains(const std::string& strText, const char* szWhat)
{
    return strText.find(szWhat) != std::string::npos;
}

// A packet is one line, or more when the port handed several at once.
int LinesIn(const uint8_t* pbyPacket, uint32_t dwLength)
{
    return std::max(1, static_cast<int>(std::count(pbyPacket, pbyPacket + dwLength, '\n')));
}

int NextSlot(int nSlot)
{
    return (nSlot + 1) % CMD_QUEUE_SLOTS;
}

}  // namespace

void CHalyardDoc::ResetCommandRing()
{
    for (CommandSlot& slot : m_CmdQueue) {
        slot.dwLength = 0;
        slot.byData.fill(0);
    }
    m_nCmdWrite = 0;
    m_nCmdRead = 0;
    m_bSending = false;
    m_bAwaitOS = false;
    m_bAwaitOP = false;
}

int CHalyardDoc::PendingCommands() const
{
    return (m_nCmdWrite - m_nCmdRead + CMD_QUEUE_SLOTS) % CMD_QUEUE_SLOTS;
}

int CHalyardDoc::TakeLinesDropped()
{
    return std::exchange(m_nLinesDropped, 0);
}

bool CHalyardDoc::CommandRingFull() const
{
    return NextSlot(m_nCmdWrite) == m_nCmdRead;
}

bool CHalyardDoc::SendCommand(const std::string& szCommand, bool bAddCRLF)
{
    if (szCommand.empty() || !m_bConnected)
        return false;
    // Refused rather than overwriting a command that has not gone out, or
    // overflowing the slot.
    if (szCommand.size() > MAX_COMMAND_TEXT || CommandRingFull())
        return false;

    CommandSlot& slot = m_CmdQueue[static_cast<size_t>(m_nCmdWrite)];
    slot.byData.fill(0);
    const std::string strFrame = FrameCommand(szCommand, m_bRS485, m_wAddress, bAddCRLF);
    std::memcpy(slot.byData.data(), strFrame.data(), strFrame.size());
    slot.dwLength = static_cast<uint32_t>(strFrame.size());
    m_nCmdWrite = NextSlot(m_nCmdWrite);

    if (Contains(szCommand, "OS?") || Contains(szCommand, "V9?"))
        m_bAwaitOS = true;
    if (Contains(szCommand, "OP?"))
        m_bAwaitOP = true;
    if (Contains(szCommand, "ADR?"))
        m_bAwaitADR = true;

    if (!m_bSending)
        SendNextMessage();
    return true;
}

void CHalyardDoc::SendNextMessage()
{
    const CommandSlot& slot = m_CmdQueue[static_cast<size_t>(m_nCmdRead)];
    if (slot.dwLength == 0)
        return;
    m_Serial.SendData(slot.byData.data(), slot.dwLength);
    m_bSending = true;
    m_bReplyReceived = false;
    m_bBadCmd = false;
    PostToViews(WM_COMMS_COMMAND, slot.dwLength, m_nCmdRead);
}

void CHalyardDoc::GetCommsCommand(std::string& szData, uint32_t dwNumBytes)
{
    // Only the command in flight is collected, once; a stale notice after the
    // ring was reset leaves it alone.
    if (dwNumBytes <= 2 || !m_bSending)
        return;
    const CommandSlot& slot = m_CmdQueue[static_cast<size_t>(m_nCmdRead)];
    const uint32_t dwLength = std::min(dwNumBytes, CMD_SLOT_SIZE) - 2;
    szData.assign(reinterpret_cast<const char*>(slot.byData.data()), dwLength);
    m_bSending = false;
    m_nCmdRead = NextSlot(m_nCmdRead);
    // The answer may have come before the view collected the echo (the port
    // signalled twice for one reply, say): the next command goes now.
    if (m_bReplyReceived && m_nCmdRead != m_nCmdWrite)
        SendNextMessage();
}

void CHalyardDoc::CalculateLRCChecksum(uint32_t dwBytes, uint8_t& byCkSum)
{
    const CommandSlot& slot = m_CmdQueue[static_cast<size_t>(m_nCmdWrite)];
    const uint32_t dwEnd = std::min(dwBytes, CMD_SLOT_SIZE);
    byCkSum = dwEnd > 1 ? LRCOf(slot.byData.data() + 1, dwEnd - 1) : 0;
}

bool CHalyardDoc::CheckLRCChecksum(const uint8_t* pbyData, uint32_t dwNumBytes)
{
    return CheckLRC(pbyData, dwNumBytes);
}

bool CHalyardDoc::IsDataMessage(const std::string& szData)
{
    const DataMessageClass cls = ClassifyDataMessage(szData);
    if (cls.bDataMessage && cls.bPQDSensor)
        m_bPQDSensor = *cls.bPQDSensor;
    return cls.bDataMessage;
}

void CHalyardDoc::EnableRS485(bool bEnable)
{
    m_bRS485 = bEnable;
    PostToViews(WM_RS485_ENABLE, static_cast<uintptr_t>(m_bRS485), m_wAddress);
}

void CHalyardDoc::SetAddress(uint16_t wAddress)
{
    m_wAddress = wAddress;
}

void CHalyardDoc::CommsDataReceived(bool bChanged)
{
    if (!bChanged || !m_bConnected)
        return;
    m_bCommsTimedOut = false;
    int nTaken = 0;
    bool bMoreWaiting = true;
    // Every call counts against the limit, so that a port that keeps handing
    // out empty packets cannot hold the UI thread here.
    for (int nCalls = 0; nCalls < MAX_PACKETS_PER_EVENT; ++nCalls) {
        m_byRxData.fill(0);
        if (m_Serial.ReceiveData(m_byRxData.data(), &m_dwRxLength, CMD_SLOT_SIZE) == 0) {
            bMoreWaiting = false;
            break;
        }
        if (m_dwRxLength == 0)
            continue;
        m_dwRxLength = std::min(m_dwRxLength, CMD_SLOT_SIZE - 1);
        ++nTaken;
        m_bReplyReceived = true;
        if (m_bLogging)
            LogData();
        if (m_pRxPackets) {
            uint32_t dwSize = 0;
            if (!m_pRxPackets->AddData(m_byRxData.data(), m_dwRxLength) ||
                !m_pRxPackets->FinalisePacket(dwSize)) {
                // The queue is full: the views are told how many lines it lost.
                m_pRxPackets->ClearInputPacket();
                m_nLinesDropped += LinesIn(m_byRxData.data(), m_dwRxLength);
            }
        }
    }
    if (nTaken == 0)
        return;
    PostToViews(WM_COMMS_DATA, m_dwRxLength, 0);
    // The port signals once for a burst of lines: the rest of a burst longer
    // than one helping is fetched on the frame's next turn instead of waiting
    // for the sensor's next line, which may be minutes away.
    if (bMoreWaiting)
        PostToFrame(WM_COMMS_EVENT, COMMS_EVENT_DATA, 0);
    // The next queued command goes out once the one in flight was collected.
    if (m_nCmdRead != m_nCmdWrite && !m_bSending)
        SendNextMessage();
}

bool CHalyardDoc::LinesUnread()
{
    uint32_t dwWaiting = 0;
    if (m_pRxPackets)
        m_pRxPackets->GetBuffSize(&dwWaiting);
    return dwWaiting > 0;
}

bool CHalyardDoc::GetCommsData(std::vector<std::string>& szDataList, uint32_t& dwNumBytes)
{
    if (!m_pRxPackets)
        return false;
    std::array<uint8_t, CMD_SLOT_SIZE> byPacket{};
    uint32_t dwLength = 0;
    if (!m_pRxPackets->GetData(byPacket.data(), &dwLength))
        return false;
    dwNumBytes = std::min(dwLength, CMD_SLOT_SIZE);

    const bool bAddressed = m_bRS485 || byPacket[0] == ':';
    std::string strText;
    std::string strLast;
    uint32_t dwLineStart = 0;
    for (uint32_t i = 0; i < dwNumBytes; ++i) {
        const uint8_t by = byPacket[i];
        if (by == '\r')
            continue;
        if (by != '\n') {
            if (IsPrintableByte(by))
                strText += static_cast<char>(by);
            continue;
        }
        HandleLine(strText, byPacket.data() + dwLineStart, i - dwLineStart, bAddressed, szDataList);
        strLast = std::move(strText);
        strText.clear();
        dwLineStart = i + 1;
    }
    if (!strText.empty()) {
        szDataList.push_back(strText);
        strLast = std::move(strText);
    }

    if (DumpRunning())
        CaptureDumpLine(strLast, m_bDataMessage, m_bSensorStartup);
    if (m_Sequence == Sequence::NVRAMLoad && Contains(strLast, "BAD CMD"))
        m_bBadCmd = true;
    return true;
}

void CHalyardDoc::HandleLine(std::string& strText, const uint8_t* pbyLine, uint32_t nLFIndex, bool bAddressed,
                             std::vector<std::string>& szDataList)
{
    szDataList.push_back(strText);
    if (bAddressed) {
        AddressedLine line = StripAddressedLine(strText, nLFIndex);
        if (line.bWellFormed) {
            m_bRS485 = true;
            m_wAddress = line.wAddress;
            if (!CheckLRCChecksum(pbyLine, nLFIndex))
                szDataList.emplace_back("Bad Checksum\n");
            strText = std::move(line.strPayload);
            PostToViews(WM_RS485_ENABLE, static_cast<uintptr_t>(m_bRS485), m_wAddress);
        } else {
            szDataList.emplace_back("Bad Data Format\n");
        }
    }

    m_bSensorStartup = Contains(strText, "Sensor Startup");
    m_bDataMessage = IsDataMessage(strText);
    if (m_bDataMessage) {
        m_bAwaitDataMsg = false;
        if (!m_bFirstDataSeen) {
            m_bFirstDataSeen = true;
            PostToViews(WM_FIRST_DATA_MSG, m_bPQDSensor ? 1 : 0, 0);
        }
    } else if (!m_bSensorStartup) {
        if (m_bAwaitOP || m_bAwaitOS) {
            OfferRegisterReply(strText);
        } else if (m_bAwaitADR) {
            m_bAwaitADR = false;
            m_wAddress =
                static_cast<uint16_t>(std::max(0, LeadingDecimal(std::string_view(strText).substr(0, 2))));
            PostToViews(WM_RS485_ENABLE, static_cast<uintptr_t>(m_bRS485), m_wAddress);
        }
    }
}

void CHalyardDoc::OfferRegisterReply(const std::string& strText)
{
    if (m_bAwaitOP) {
        if (const auto reply = RegisterReplyText(strText)) {
            halyard::ConvertBinaryStringtoData(*reply, &m_wOptions);
            m_bOptionsValid = true;
            m_bAwaitOP = false;
        }
        return;
    }
    const OpStateReply reply = RecogniseOpStateReply(strText);
    if (!reply.bRecognised)
        return;
    // Only a reply that sets the state says whether it was a register value.
    if (reply.bBinary || m_bOSDecimal) {
        if (reply.bBinary)
            halyard::ConvertBinaryStringtoData(reply.strText, &m_wOpState);
        else
            m_wOpState = static_cast<uint16_t>(LeadingDecimal(reply.strText));
        m_bOpStateIsValue = reply.bValue;
        m_strOpStateReply = reply.strText;
    }
    m_bOpStateValid = true;
    m_bAwaitOS = false;
}

bool CHalyardDoc::GetOperatingState(uint16_t* punState, bool bForce)
{
    if (punState != nullptr)
        *punState = m_wOpState;
    if (m_bAwaitOS)
        return false;
    if (!bForce && m_bOpStateValid)
        return true;
    SendCommand("V9?", true);
    m_bAwaitOS = true;
    return false;
}

bool CHalyardDoc::GetOptionsWord(uint16_t* punValue, bool bForce)
{
    if (punValue != nullptr)
        *punValue = m_wOptions;
    if (m_bAwaitOP)
        return false;
    if (!bForce && m_bOptionsValid)
        return true;
    SendCommand("OP?", true);
    m_bAwaitOP = true;
    return false;
}

bool CHalyardDoc::ConvertBinaryStringtoData(const std::string& szData, uint16_t* punValue)
{
    return halyard::ConvertBinaryStringtoData(szData, punValue);
}

void CHalyardDoc::ConvertDatatoBinaryString(std::string& szData, uint16_t unValue)
{
    halyard::ConvertDatatoBinaryString(szData, unValue);
}

}  // namespace halyard
