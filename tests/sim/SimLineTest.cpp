// A simulated sensor on an in-process line and the program's links to it:
// the link takes the line alone, the sensor's lines come whole through the
// receive path, a hang-up and a stopped sensor read as they do on a port,
// and the port link opens it by the device the port table gives.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "SimLine.h"
#include "SimSensor.h"
#include "SimSystem.h"
#include "WaitUntil.h"
#include "platform/PortTable.h"
#include "platform/WaitSet.h"
#include "serial/CPortLink.h"
#include "serial/CSerial_IF.h"

namespace halyard::sim::test {
namespace {

constexpr int kWaitMs = 5000;

class SimLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pLine = std::make_shared<CSimLine>("SIM-TEST");
        m_pSensor = std::make_unique<CSimSensor>(SimOptions{}, m_pLine);
        ASSERT_TRUE(m_pSensor->Start());
        ASSERT_EQ(m_pSensor->DevicePath(), "SIM-TEST");
    }

    std::unique_ptr<ISerialLink> OpenLink(int nPort = 9)
    {
        std::unique_ptr<ISerialLink> pLink = m_pLine->MakeLinkFactory()();
        EXPECT_TRUE(pLink->Initialise("COM9:", nPort, DATA_IN_EVENT_BASE, LINE_END_CHAR));
        return pLink;
    }

    // The next line the link received, waiting for its data-in event.
    static std::string NextLine(ISerialLink& link)
    {
        uint8_t abyLine[PACKET_SLOT_SIZE];
        uint32_t dwLength = 0;
        // Each signal is a line cut; one may stand from a line taken already.
        do {
            if (link.ReceiveData(abyLine, &dwLength, sizeof abyLine) == 1)
                return std::string(reinterpret_cast<char*>(abyLine), dwLength);
        } while (WaitForEvent(*link.DataInEvent(), kWaitMs));
        return "(nothing)";
    }

    static void Send(ISerialLink& link, const std::string& strText)
    {
        ASSERT_EQ(link.SendData(reinterpret_cast<const uint8_t*>(strText.data()),
                                static_cast<uint32_t>(strText.size())),
                  1u);
    }

    std::shared_ptr<CSimLine> m_pLine;
    std::unique_ptr<CSimSensor> m_pSensor;
};

TEST_F(SimLineTest, ALinkHasTheLineAloneAndTheSensorAnswersIt)
{
    std::unique_ptr<ISerialLink> pLink = OpenLink();
    ASSERT_TRUE(pLink->DataInEvent());
    EXPECT_EQ(pLink->DataInEvent(), CreateAutoResetEvent(DataInEventName(9)))
        << "the data-in event is the port's named one, as a serial port's";
    std::unique_ptr<ISerialLink> pSecond = m_pLine->MakeLinkFactory()();
    EXPECT_FALSE(pSecond->Initialise("COM9:", 9, DATA_IN_EVENT_BASE, LINE_END_CHAR));
    EXPECT_EQ(pSecond->GetLastError(), PortInUseError());

    pLink->EnableCommThread(true);
    Send(*pLink, "OK\r\n");
    EXPECT_EQ(NextLine(*pLink), "Orvan Sensor OK\r\n");
    EXPECT_EQ(m_pSensor->ReceivedCommands(), (std::vector<std::string>{"OK"}));

    // Closed, the line is free for the next link.
    pLink->Close();
    EXPECT_TRUE(pSecond->Initialise("COM9:", 9, DATA_IN_EVENT_BASE, LINE_END_CHAR));
}

TEST_F(SimLineTest, LinesWaitUntilTheLinkDeliversAndASplitLineComesWhole)
{
    std::unique_ptr<ISerialLink> pLink = OpenLink();
    m_pSensor->SendLine("first");
    m_pSensor->SetFault(Fault::SplitLines, true);
    m_pSensor->SendLine("second line, cut in pieces");
    // Written by the sensor, and waiting on the line for the link.
    ASSERT_TRUE(halyard::test::WaitUntil([&] { return m_pLine->ClientHasInput(); }));
    uint8_t abyLine[PACKET_SLOT_SIZE];
    uint32_t dwLength = 0;
    EXPECT_EQ(pLink->ReceiveData(abyLine, &dwLength, sizeof abyLine), 0u)
        << "nothing is delivered before the link asks for it";

    pLink->EnableCommThread(true);
    EXPECT_EQ(NextLine(*pLink), "first\r\n");
    EXPECT_EQ(NextLine(*pLink), "second line, cut in pieces\r\n");
}

TEST_F(SimLineTest, AHangUpIsTheLinksAndAStoppedSensorIsAPortThatIsNotThere)
{
    std::unique_ptr<ISerialLink> pLink = OpenLink();
    pLink->EnableCommThread(true);
    EXPECT_FALSE(pLink->IsHungUp());
    m_pSensor->HangUp();
    ASSERT_TRUE(WaitForEvent(*pLink->HangUpEvent(), kWaitMs));
    EXPECT_TRUE(pLink->IsHungUp());
    EXPECT_EQ(pLink->SendData(reinterpret_cast<const uint8_t*>("OK\r\n"), 4), 0u);
    pLink->Close();

    EXPECT_FALSE(pLink->Initialise("COM9:", 9, DATA_IN_EVENT_BASE, LINE_END_CHAR));
    EXPECT_EQ(pLink->GetLastError(), PortGoneError());
    ASSERT_TRUE(m_pSensor->Start());
    ASSERT_TRUE(pLink->Initialise("COM9:", 9, DATA_IN_EVENT_BASE, LINE_END_CHAR));
    EXPECT_FALSE(pLink->IsHungUp()) << "a sensor started again is a fresh line";
}

TEST_F(SimLineTest, ThePortLinkOpensThroughTheFactoryOfThePortsDevice)
{
    CPortTable& table = CPortTable::Instance();
    const int nPort = table.RegisterSimulated("SIM-TEST", "Simulated ZRT-630");
    const std::string strName = "COM" + std::to_string(nPort) + ":";
    CPortLink link;
    CPortLink::RegisterLinkFactory("SIM-TEST", m_pLine->MakeLinkFactory());
    link.SetBaudRate(57600);
    ASSERT_TRUE(link.Initialise(strName, nPort, DATA_IN_EVENT_BASE, LINE_END_CHAR));
    link.EnableCommThread(true);
    Send(link, "OK\r\n");
    EXPECT_EQ(NextLine(link), "Orvan Sensor OK\r\n");
    link.Close();

    // Without the factory the same name is a device of the system, which is not there.
    CPortLink::UnregisterLinkFactory("SIM-TEST");
    EXPECT_FALSE(link.Initialise(strName, nPort, DATA_IN_EVENT_BASE, LINE_END_CHAR));
    EXPECT_NE(link.GetLastError(), 0u);
    EXPECT_EQ(m_pSensor->ReceivedCommands().size(), 1u) << "the sensor saw nothing of that open";
    table.Unregister(nPort);
}

}  // namespace
}  // namespace halyard::sim::test
