// Faults that pick out single commands of a long sequence, over the
// pseudo-terminal as a serial client sees them.
#include <gtest/gtest.h>

#include "SensorTexts.h"
#include "SimSensorFixture.h"

namespace halyard::sim {
namespace {

using namespace std::chrono_literals;

class SimFaultsIt : public test::CSimSensorFixture {
protected:
    std::optional<std::string> Ask(const std::string& strCommand) { return m_pClient->Ask(strCommand); }
    std::string NvramText(int nIndex) const { return NvramValueText(m_pSensor->GetNvram(nIndex)); }
};

// An NVRAM load whose one write is refused: the others land, the refused one
// keeps its old value, and the protection comes back with the restoring OS.
TEST_F(SimFaultsIt, BadCmdOnceInAnNvramLoad)
{
    StartSensor();
    m_pSensor->SetBadCmdOnceFor("V15,");
    const int nOld15 = m_pSensor->GetNvram(15);
    EXPECT_EQ(Ask("V9?"), "00000000,00000000");
    EXPECT_EQ(Ask("OS1010000000000000"), "10100000,00000000");
    for (int n = 10; n <= 20; ++n) {
        const std::string strWrite = "V" + std::to_string(n) + "," + std::to_string(500 + n);
        EXPECT_EQ(Ask(strWrite), n == 15 ? "BAD CMD" : strWrite);
    }
    EXPECT_EQ(m_pSensor->GetNvram(14), 514);
    EXPECT_EQ(m_pSensor->GetNvram(15), nOld15);
    EXPECT_EQ(Ask("V15,515"), "V15,515") << "refused once only";
    EXPECT_EQ(Ask("OS0000000000000000"), "00000000,00000000");
    EXPECT_EQ(Ask("V16,1"), "BAD CMD");
    EXPECT_EQ(Ask("V16?"), NvramText(16));
    EXPECT_EQ(m_pSensor->GetNvram(16), 516);
}

TEST_F(SimFaultsIt, NoAnswerForOneCommandOfADump)
{
    StartSensor();
    m_pSensor->SetNoAnswerFor("SN?");
    ASSERT_TRUE(m_pClient->WriteLine("SN?"));
    EXPECT_EQ(Ask("JM?"), "00630") << "the first line after SN? answers JM?";
    EXPECT_EQ(Ask("V0?"), NvramText(0));
    EXPECT_EQ(m_pSensor->ReceivedCommands(), (std::vector<std::string>{"SN?", "JM?", "V0?"}));

    m_pSensor->SetNoAnswerFor("");
    const std::optional<std::string> strSerial = Ask("SN?");
    ASSERT_TRUE(strSerial);
    EXPECT_EQ(strSerial->rfind("Serial Number", 0), 0U) << *strSerial;
}

TEST_F(SimFaultsIt, FallsSilentPartWayThroughADump)
{
    StartSensor();
    m_pSensor->SetSilentAfter(3);
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(Ask("V" + std::to_string(n) + "?"), NvramText(n));
    EXPECT_TRUE(m_pSensor->GetFault(Fault::Silent));
    ASSERT_TRUE(m_pClient->WriteLine("V3?"));
    ASSERT_TRUE(m_pSensor->WaitForCommands(4, 5s));
    m_pSensor->SetFault(Fault::Silent, false);
    EXPECT_EQ(Ask("JM?"), "00630") << "the silent sensor did not answer V3?";
    EXPECT_EQ(m_pSensor->ReceivedCommands().size(), 5U);
}

// The line drops in the middle of an NVRAM load: the last counted command is
// answered, the one sent with it in the same write never arrives.
TEST_F(SimFaultsIt, HangsUpAfterItsLastAnswer)
{
    StartSensor();
    const int nOld11 = m_pSensor->GetNvram(11);
    m_pSensor->SetHangUpAfter(3);
    EXPECT_EQ(Ask("V9?"), "00000000,00000000");
    EXPECT_EQ(Ask("OS1010000000000000"), "10100000,00000000");
    ASSERT_TRUE(m_pClient->Write("V10,1\r\nV11,2\r\n"));
    EXPECT_EQ(m_pClient->ReadLine(), "V10,1");
    EXPECT_TRUE(m_pClient->WaitForHangUp());
    EXPECT_FALSE(m_pSensor->IsRunning());
    EXPECT_TRUE(m_pSensor->GetFault(Fault::HangUp));
    EXPECT_EQ(m_pSensor->ReceivedCommands(),
              (std::vector<std::string>{"V9?", "OS1010000000000000", "V10,1"}));
    EXPECT_EQ(m_pSensor->GetNvram(11), nOld11);

    // Restarted, it answers on a fresh terminal: the count ran out.
    ASSERT_TRUE(m_pSensor->Start());
    EXPECT_TRUE(m_pSensor->IsRunning());
    EXPECT_FALSE(m_pSensor->GetFault(Fault::HangUp));
    test::CPtyClient client(m_pSensor->DevicePath());
    for (int n = 0; n < 5; ++n)
        EXPECT_EQ(client.Ask("JM?"), "00630");
}

TEST_F(SimFaultsIt, HangUpWaitsForALateAnswer)
{
    StartSensor();
    m_pSensor->SetLateAnswerMs(200);
    m_pSensor->SetFault(Fault::LateAnswer, true);
    m_pSensor->SetHangUpAfter(1);
    EXPECT_EQ(Ask("JM?"), "00630");
    EXPECT_TRUE(m_pClient->WaitForHangUp());
    EXPECT_FALSE(m_pSensor->IsRunning());
}

}  // namespace
}  // namespace halyard::sim
