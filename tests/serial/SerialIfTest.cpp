#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/PortTable.h"
#include "platform/WaitSet.h"
#include "serial/CSerial_IF.h"

using namespace halyard;

namespace {

// The serial object with its buffers and events set up as Initialise would,
// but no port and no thread: the owner's operations and ParseData run on the
// test's thread.
class CSerialHarness : public CSerial_IF {
public:
    explicit CSerialHarness(int nPort)
    {
        m_nPort = nPort;
        m_szDataInEventName = DataInEventName(nPort);
        m_pTxBuffer = std::make_unique<CCircularBuffer>();
        m_pRxBuffer = std::make_unique<CCircularBuffer>();
        m_pPacketBuffer = std::make_unique<CPacketBuffer>();
        m_pTxBuffer->Initialise(SERIAL_BUFFER_SIZE);
        m_pRxBuffer->Initialise(SERIAL_BUFFER_SIZE);
        m_pPacketBuffer->Initialise(SERIAL_PACKET_SLOTS);
        m_hDataInEvent = CreateAutoResetEvent(m_szDataInEventName);
        m_hWriteEvent = CreateAutoResetEvent();
    }
    void Arrive(const std::string& text)
    {
        m_pRxBuffer->AddData(reinterpret_cast<const uint8_t*>(text.data()),
                             static_cast<uint32_t>(text.size()));
    }
    uint32_t TxHeld()
    {
        uint32_t n = 0;
        m_pTxBuffer->GetBuffSize(&n);
        return n;
    }
    CAutoResetEvent& DataIn() { return *m_hDataInEvent; }
    CAutoResetEvent& WriteEvent() { return *m_hWriteEvent; }
};

std::string Receive(CSerial_IF& serial)
{
    uint8_t buffer[4096];
    uint32_t n = 0;
    if (!serial.ReceiveData(buffer, &n, sizeof buffer))
        return "<none>";
    return std::string(reinterpret_cast<char*>(buffer), n);
}

}  // namespace

TEST(SerialIf, EventNamesCarryThePortNumber)
{
    EXPECT_EQ(DataInEventName(3), "QRM_EVENT_COMMS_DATA_IN3");
    EXPECT_EQ(HangUpEventName(12), "QRM_HANGUP_EVENT_12");
    EXPECT_EQ(SerialEventName("QRM_KILL_EVENT_%d", 7), "QRM_KILL_EVENT_7");
}

TEST(SerialIf, FullPacketBufferKeepsSignallingUntilTheOwnerDrains)
{
    CSerialHarness serial(901);
    std::string burst;
    for (int i = 0; i < 41; ++i)
        burst += "L" + std::to_string(100 + i) + "\r\n";
    serial.Arrive(burst);
    serial.ParseData();
    serial.ParseData();
    EXPECT_TRUE(serial.DataIn().TryConsume());
    // All 40 slots hold lines now: every further parse nags the owner again.
    serial.ParseData();
    EXPECT_TRUE(serial.DataIn().TryConsume());
    serial.ParseData();
    EXPECT_TRUE(serial.DataIn().TryConsume());

    EXPECT_EQ(Receive(serial), "L100\r\n");
    serial.ParseData();
    EXPECT_TRUE(serial.DataIn().TryConsume());
    for (int i = 1; i <= 40; ++i)
        EXPECT_EQ(Receive(serial), "L" + std::to_string(100 + i) + "\r\n");
    serial.ParseData();
    EXPECT_FALSE(serial.DataIn().TryConsume());
}

TEST(SerialIf, SendDataQueuesWholeBlocksOnly)
{
    CSerialHarness serial(902);
    const std::string big(40000, 'a');
    const auto* pBig = reinterpret_cast<const uint8_t*>(big.data());
    ASSERT_EQ(serial.SendData(pBig, 40000), 1u);
    EXPECT_TRUE(serial.WriteEvent().TryConsume());
    // 960 more would fill the ring exactly: refused whole, nothing queued.
    EXPECT_EQ(serial.SendData(pBig, 960), 0u);
    EXPECT_EQ(serial.TxHeld(), 40000u);
    EXPECT_FALSE(serial.WriteEvent().TryConsume());
    EXPECT_EQ(serial.SendData(pBig, 959), 1u);
    EXPECT_EQ(serial.TxHeld(), 40959u);
    EXPECT_EQ(serial.SendData(nullptr, 1), 0u);
}

TEST(SerialIf, ReceiveDataWithNothingWaitingLeavesTheCount)
{
    CSerialHarness serial(903);
    uint8_t buffer[4096];
    uint32_t n = 55;
    EXPECT_EQ(serial.ReceiveData(buffer, &n, sizeof buffer), 0u);
    EXPECT_EQ(n, 55u);
    EXPECT_EQ(serial.ReceiveData(nullptr, &n, sizeof buffer), 0u);
    EXPECT_EQ(serial.ReceiveData(buffer, nullptr, sizeof buffer), 0u);
}

TEST(SerialIf, ReceiveDataRefusesABufferSmallerThanASlot)
{
    CSerialHarness serial(904);
    serial.Arrive("DM 01 0123\r\n");
    serial.ParseData();
    uint8_t small[16];
    uint32_t n = 0;
    EXPECT_EQ(serial.ReceiveData(small, &n, sizeof small), 0u);
    // The line is still there for a caller with room for it.
    EXPECT_EQ(Receive(serial), "DM 01 0123\r\n");
}

TEST(SerialIf, ObjectWithoutBuffersRefusesEverything)
{
    CSerial_IF serial;
    const uint8_t cmd[] = {'O', 'K', '\r', '\n'};
    EXPECT_EQ(serial.SendData(cmd, sizeof cmd), 0u);
    EXPECT_EQ(Receive(serial), "<none>");
    // The failures carry this system's code for a port that is not open.
    EXPECT_EQ(serial.WriteData().Error(), SystemErrorCode(EBADF));
    EXPECT_EQ(serial.ReadData().Error(), SystemErrorCode(EBADF));
    EXPECT_FALSE(serial.SetCommunicationTimeouts(MAXDWORD, 0, 0, 10, 1000));
    EXPECT_EQ(serial.GetLastError(), SystemErrorCode(EBADF));
    serial.ParseData();
    serial.Close();  // nothing open: nothing to do
    EXPECT_FALSE(serial.IsPortOpen());
}

TEST(SerialIf, PortMissingFromTheTableFailsWithENOENT)
{
    CPortTable::Instance().Unregister(249);
    CSerial_IF serial;
    EXPECT_FALSE(serial.Initialise("\\\\.\\COM249", 249, "", 10));
    EXPECT_EQ(serial.GetLastError(), SystemErrorCode(ENOENT));
    EXPECT_FALSE(serial.IsPortOpen());

    EXPECT_FALSE(serial.Initialise("/dev/halyard-no-such-port", 249, "", 10));
    EXPECT_EQ(serial.GetLastError(), SystemErrorCode(ENOENT));
    EXPECT_FALSE(serial.IsPortOpen());
    // Nothing is sent without a port.
    const uint8_t cmd[] = {'O', 'K', '\r', '\n'};
    EXPECT_EQ(serial.SendData(cmd, sizeof cmd), 0u);
}
