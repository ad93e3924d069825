// The simulated sensor through its pseudo-terminal, as a serial client sees it.
#include <gtest/gtest.h>

#include "GermanLocale.h"
#include "SimProtocol.h"
#include "SimSensorFixture.h"

namespace halyard::sim {
namespace {

using test::CPtyClient;
using namespace std::chrono_literals;

class SimSensorIt : public test::CSimSensorFixture {};

TEST_F(SimSensorIt, IdentifiesTwoModels)
{
    StartSensor();
    const std::optional<std::string> strWake = m_pClient->Ask("OK");
    ASSERT_TRUE(strWake);
    EXPECT_NE(strWake->find("Orvan"), std::string::npos);
    EXPECT_EQ(m_pClient->Ask("JM?"), "00630");

    SimOptions pqd;
    pqd.strModel = "PQD-025";
    StartSensor(pqd);
    EXPECT_EQ(m_pClient->Ask("JM?"), "00025");
}

TEST_F(SimSensorIt, NumbersHaveADecimalPointInAnyLocale)
{
    halyard::test::CGermanLocale german;
    ASSERT_TRUE(german.IsActive());
    StartSensor();
    const std::optional<std::string> strData = m_pClient->Ask("D?");
    ASSERT_TRUE(strData);
    EXPECT_NE(strData->find("+021.3"), std::string::npos) << *strData;
    EXPECT_EQ(strData->find("21,3"), std::string::npos) << *strData;
}

TEST_F(SimSensorIt, RefusesUnknownCommandsAndRecordsAll)
{
    StartSensor();
    EXPECT_EQ(m_pClient->Ask("HELLO"), "BAD CMD");
    EXPECT_EQ(m_pClient->Ask("OS?"), "00000000,00000000");
    // A terminal program sends CR alone.
    ASSERT_TRUE(m_pClient->Write("ADR?\r"));
    EXPECT_EQ(m_pClient->ReadLine(), "00");
    EXPECT_EQ(m_pSensor->ReceivedCommands(), (std::vector<std::string>{"HELLO", "OS?", "ADR?"}));
    m_pSensor->ClearReceivedCommands();
    EXPECT_TRUE(m_pSensor->ReceivedCommands().empty());
}

TEST_F(SimSensorIt, RegisterWritesAndWriteProtection)
{
    StartSensor();
    EXPECT_EQ(m_pClient->Ask("V63,18"), "BAD CMD");
    EXPECT_EQ(m_pSensor->GetNvram(63), 5);
    EXPECT_EQ(m_pClient->Ask("OS1010000000100000"), "10100000,00100000");
    EXPECT_TRUE(m_pSensor->NvramWriteEnabled());
    EXPECT_EQ(m_pClient->Ask("V63,18"), "V63,18");
    EXPECT_EQ(m_pSensor->GetNvram(63), 18);
    EXPECT_EQ(m_pClient->Ask("OSNVW0"), "NVRAM WRITE OFF");
    EXPECT_EQ(m_pSensor->GetOpState(), 0x0020);
    EXPECT_EQ(m_pClient->Ask("V63,-3"), "BAD CMD");
    EXPECT_EQ(m_pClient->Ask("OP0000000000000101"), "00000000,00000101");
    EXPECT_EQ(m_pSensor->GetOptions(), 0x0005);
    EXPECT_EQ(m_pClient->Ask("V63?"), "00018");
}

// The sensor's write enable does not reach the ALS: it has its own.
TEST_F(SimSensorIt, AlsWritesNeedTheAlsWriteEnable)
{
    StartSensor();
    const std::optional<std::string> strOld = m_pClient->Ask("ALS-V7?");
    ASSERT_TRUE(strOld);
    EXPECT_EQ(m_pClient->Ask("ALS-V7,321"), "BAD CMD");
    EXPECT_EQ(m_pClient->Ask("OS1010000000000000"), "10100000,00000000");
    EXPECT_EQ(m_pClient->Ask("ALS-V7,321"), "BAD CMD");
    EXPECT_EQ(m_pClient->Ask("ALS-V7?"), *strOld);

    EXPECT_EQ(m_pClient->Ask("ALS-OSNVW5"), "ALS NVRAM WRITE ON");
    EXPECT_EQ(m_pClient->Ask("ALS-V7,321"), "ALS-V7,321");
    EXPECT_EQ(m_pClient->Ask("ALS-VF1,3.25"), "ALS-VF1,3.2500");
    EXPECT_EQ(m_pClient->Ask("ALS-OSNVW0"), "ALS NVRAM WRITE OFF");
    EXPECT_EQ(m_pClient->Ask("ALS-V7,5"), "BAD CMD");
    EXPECT_EQ(m_pClient->Ask("ALS-V7?"), "00321");
    EXPECT_EQ(m_pClient->Ask("ALS-VF1?"), "3.2500");
}

TEST_F(SimSensorIt, Rs485AnswersOnlyItsOwnWellFramedLines)
{
    StartSensor(Bus(7));
    ASSERT_TRUE(m_pClient->WriteLine("JM?"));                // unaddressed
    ASSERT_TRUE(m_pClient->WriteLine(FrameLine(8, "JM?")));  // another sensor
    ASSERT_TRUE(m_pClient->WriteLine(FrameLine(7, "OS?", LrcStyle::Wrong)));
    ASSERT_TRUE(m_pClient->WriteLine(FrameLine(7, "JM?")));
    const std::optional<std::string> strReply = m_pClient->ReadLine();
    ASSERT_TRUE(strReply);
    EXPECT_EQ(*strReply, FrameLine(7, "00650"));
    const FramedLine framed = UnframeLine(*strReply);
    EXPECT_EQ(framed.status, FramedLine::Status::Ok);
    EXPECT_EQ(framed.nAddress, 7);
    EXPECT_EQ(m_pSensor->ReceivedCommands(), std::vector<std::string>{"JM?"});
    EXPECT_EQ(m_pSensor->RejectedLines(), 1U);

    // The identification's "FF" placeholder is accepted.
    EXPECT_EQ(m_pClient->Ask(":07OKFF"), FrameLine(7, "Orvan Sensor OK"));
    // Unsolicited lines are framed as well.
    m_pSensor->SendLine("Sensor Startup");
    EXPECT_EQ(m_pClient->ReadLine(), FrameLine(7, "Sensor Startup"));
}

TEST_F(SimSensorIt, SwitchingRs485OffByTheOptionsWord)
{
    StartSensor(Bus(12));
    EXPECT_EQ(m_pClient->Ask(FrameLine(12, "OP?")), FrameLine(12, "00000000,10000000"));
    // The reply still goes out framed; later lines are plain.
    EXPECT_EQ(m_pClient->Ask(FrameLine(12, "OP0000000000000000")), FrameLine(12, "00000000,00000000"));
    EXPECT_EQ(m_pClient->Ask("JM?"), "00650");
}

TEST_F(SimSensorIt, AutomaticDataWhileBitZeroIsSet)
{
    SimOptions options;
    options.nDataPeriodMs = 30;
    StartSensor(options);
    m_pSensor->SetOpState(0x0001);
    for (int n = 0; n < 3; ++n) {
        const std::optional<std::string> strLine = m_pClient->ReadLine();
        ASSERT_TRUE(strLine);
        EXPECT_EQ(strLine->rfind("PW ", 0), 0U) << *strLine;
    }
    // In test mode the same output carries the test form.
    ASSERT_TRUE(m_pClient->WriteLine("TEST,05,4.50,0,0,00,"));
    bool bTestForm = false;
    for (int n = 0; n < 20 && !bTestForm; ++n) {
        const std::optional<std::string> strLine = m_pClient->ReadLine();
        ASSERT_TRUE(strLine);
        bTestForm = strLine->rfind("TPW ", 0) == 0;
    }
    EXPECT_TRUE(bTestForm);
    EXPECT_TRUE(m_pSensor->InTestMode());
}

TEST_F(SimSensorIt, StartupLineReachesAClientThatKeepsItsInput)
{
    SimOptions options;
    options.bStartupMessage = true;
    StartSensor(options);
    const std::optional<std::string> strLine = m_pClient->ReadLine();
    ASSERT_TRUE(strLine);
    EXPECT_NE(strLine->find("Sensor Startup"), std::string::npos);
    EXPECT_NE(m_pClient->Ask("RST")->find("Sensor Startup"), std::string::npos);
}

TEST_F(SimSensorIt, ClientCanCloseAndReopen)
{
    StartSensor();
    EXPECT_EQ(m_pClient->Ask("JM?"), "00630");
    m_pClient->Close();
    m_pClient = std::make_unique<CPtyClient>(m_pSensor->DevicePath());
    ASSERT_TRUE(m_pClient->IsOpen());
    EXPECT_EQ(m_pClient->Ask("JM?"), "00630");
}

TEST_F(SimSensorIt, HangUpIsSeenByTheClient)
{
    StartSensor();
    EXPECT_EQ(m_pClient->Ask("JM?"), "00630");
    m_pSensor->SetFault(Fault::HangUp, true);
    EXPECT_TRUE(m_pSensor->GetFault(Fault::HangUp));
    EXPECT_FALSE(m_pSensor->IsRunning());
    EXPECT_TRUE(m_pClient->WaitForHangUp());
    // A restarted sensor gets a fresh terminal.
    ASSERT_TRUE(m_pSensor->Start());
    CPtyClient client(m_pSensor->DevicePath());
    EXPECT_EQ(client.Ask("JM?"), "00630");
}

TEST_F(SimSensorIt, SilentAndLateAndRefusing)
{
    StartSensor();
    m_pSensor->SetFault(Fault::Silent, true);
    ASSERT_TRUE(m_pClient->WriteLine("JM?"));
    ASSERT_TRUE(m_pSensor->WaitForCommands(1, 5s));
    m_pSensor->SetFault(Fault::Silent, false);
    EXPECT_EQ(m_pClient->Ask("OS?"), "00000000,00000000") << "the silenced JM? got no answer";

    // A late answer is not there yet when the sensor has already taken the
    // next command (an answer on time is written before that), and comes in
    // its order after all.
    // The delay is longer than any stall the sensor's thread may meet between
    // the two commands on a loaded machine.
    m_pSensor->SetLateAnswerMs(6000);
    m_pSensor->SetFault(Fault::LateAnswer, true);
    m_pSensor->ClearReceivedCommands();
    ASSERT_TRUE(m_pClient->WriteLine("JM?"));
    ASSERT_TRUE(m_pSensor->WaitForCommands(1, 5s));
    ASSERT_TRUE(m_pClient->WriteLine("ADR?"));
    ASSERT_TRUE(m_pSensor->WaitForCommands(2, 5s));
    EXPECT_FALSE(m_pClient->InputWaiting()) << "the answer came on time";
    EXPECT_EQ(m_pClient->ReadLine('\n', 15s), "00630");
    EXPECT_EQ(m_pClient->ReadLine(), "00");

    m_pSensor->SetFault(Fault::LateAnswer, false);
    m_pSensor->SetBadCmdFor("JM?");
    EXPECT_TRUE(m_pSensor->GetFault(Fault::BadCmdFor));
    EXPECT_EQ(m_pClient->Ask("JM?"), "BAD CMD");
    EXPECT_EQ(m_pClient->Ask("OS?"), "00000000,00000000");
    m_pSensor->SetBadCmdFor("");
    EXPECT_EQ(m_pClient->Ask("JM?"), "00630");
}

TEST_F(SimSensorIt, LineShapeFaults)
{
    StartSensor();
    m_pSensor->SetFault(Fault::SplitLines, true);
    EXPECT_EQ(m_pClient->Ask("JM?"), "00630");
    EXPECT_EQ(m_pClient->Ask("OP?"), "00000000,00000000");
    m_pSensor->SetFault(Fault::SplitLines, false);

    m_pSensor->SetFault(Fault::CrOnly, true);
    ASSERT_TRUE(m_pClient->WriteLine("JM?"));
    EXPECT_EQ(m_pClient->ReadLine('\r'), "00630");
    ASSERT_TRUE(m_pClient->WriteLine("ADR?"));
    EXPECT_EQ(m_pClient->ReadLine('\r'), "00") << "no LF between the two lines";
    m_pSensor->SetFault(Fault::CrOnly, false);

    m_pSensor->SetFault(Fault::Noise, true);
    const std::optional<std::string> strNoisy = m_pClient->Ask("JM?");
    m_pSensor->SetFault(Fault::Noise, false);
    ASSERT_TRUE(strNoisy);
    EXPECT_NE(strNoisy->find('\xFF'), std::string::npos);
    std::string strClean;
    for (char ch : *strNoisy) {
        if (ch >= 0x20 && ch <= 0x7E)
            strClean += ch;
    }
    EXPECT_EQ(strClean, "00630");

    m_pSensor->SetFault(Fault::OverlongLine, true);
    EXPECT_FALSE(m_pSensor->GetFault(Fault::OverlongLine)) << "sent once";
    const std::optional<std::string> strLong = m_pClient->Ask("JM?");
    ASSERT_TRUE(strLong);
    EXPECT_EQ(strLong->size(), 5005U);
    EXPECT_EQ(strLong->substr(5000), "00630");
    EXPECT_EQ(m_pClient->Ask("JM?"), "00630");
}

TEST_F(SimSensorIt, FramingFaults)
{
    StartSensor(Bus(3, "PQD-025"));
    m_pSensor->SetFault(Fault::BadLrc, true);
    std::optional<std::string> strReply = m_pClient->Ask(FrameLine(3, "JM?"));
    ASSERT_TRUE(strReply);
    EXPECT_EQ(UnframeLine(*strReply).status, FramedLine::Status::BadLrc);
    EXPECT_EQ(UnframeLine(*strReply).strPayload, "00025");
    m_pSensor->SetFault(Fault::BadLrc, false);

    m_pSensor->SetFault(Fault::LowerCaseLrc, true);
    EXPECT_EQ(m_pClient->Ask(FrameLine(3, "OS?")), FrameLine(3, "00000000,00000000", LrcStyle::LowerCase));
    m_pSensor->SetFault(Fault::LowerCaseLrc, false);

    m_pSensor->SetFault(Fault::WrongAddress, true);
    strReply = m_pClient->Ask(FrameLine(3, "JM?"));
    ASSERT_TRUE(strReply);
    EXPECT_EQ(UnframeLine(*strReply).status, FramedLine::Status::Ok);
    EXPECT_EQ(UnframeLine(*strReply).nAddress, 4);
}

}  // namespace
}  // namespace halyard::sim
