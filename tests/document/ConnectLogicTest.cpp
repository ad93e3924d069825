// The identification logic driven tick by tick on a fake port.
#include <gtest/gtest.h>

#include "FakeSerial.h"
#include "document/CConnectLogic.h"

namespace halyard::test {
namespace {

class ConnectLogic : public ::testing::Test {
protected:
    // A logic on a fake port that answers "JM?" with strReply (nothing when empty)
    // and "OK" with strOkReply.
    void Make(const std::string& strReply, const std::string& strOkReply = "", bool bRS485 = false,
              uint16_t wAddress = 0)
    {
        auto pFake = std::make_unique<CFakeSerial>();
        m_pPort = pFake.get();
        pFake->m_responder = [strReply, strOkReply](const std::string& strLine) {
            std::vector<std::string> replies;
            const std::string& strAnswer = strLine.find("JM?") != std::string::npos ? strReply : strOkReply;
            if (!strAnswer.empty())
                replies.push_back(strAnswer + "\r\n");
            return replies;
        };
        m_pLogic = std::make_unique<CConnectLogic>(std::move(pFake));
        m_pLogic->SetUp(m_nPort, 9600, bRS485, wAddress);
    }

    // Runs OnInitDialog and ticks until finished; returns the number of ticks.
    int RunToEnd()
    {
        m_pLogic->OnInitDialog();
        int nTicks = 0;
        while (!m_pLogic->IsFinished() && nTicks < 50) {
            m_pLogic->OnTimer(TIMER_CONNECT_DLG);
            ++nTicks;
        }
        return nTicks;
    }

    int m_nPort = 3;
    CFakeSerial* m_pPort = nullptr;
    std::unique_ptr<CConnectLogic> m_pLogic;
};

TEST(SensorModels, TableAndUnknownCodes)
{
    const std::pair<int, const char*> rows[] = {{40, "LMW-40"},   {15, "PQD-015"},  {25, "PQD-025"},
                                                {35, "PQD-035"},  {45, "PQD-045"},  {310, "KV-310"},
                                                {610, "ZRT-610"}, {630, "ZRT-630"}, {650, "ZRT-650"}};
    for (const auto& [nCode, szName] : rows) {
        const SensorModel model = LookUpSensorModel(nCode);
        EXPECT_EQ(model.strName, szName);
        EXPECT_EQ(model.bPQDSensor, nCode < 100) << nCode;
    }
    EXPECT_EQ(LookUpSensorModel(-1).strName, "NOT SET");
    EXPECT_EQ(LookUpSensorModel(12345).strName, "NOT SET");
    EXPECT_FALSE(LookUpSensorModel(0).bPQDSensor);
}

TEST(SensorModels, PortNames)
{
    EXPECT_EQ(ComPortName(9), "COM9:");
    EXPECT_EQ(ComPortName(10), "\\\\.\\COM10");
}

TEST_F(ConnectLogic, IdentifiesAndCountsDownThreeMoreTicks)
{
    Make("00630", "OK");
    m_pLogic->OnInitDialog();
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"OK"}));
    EXPECT_EQ(m_pLogic->Timeout(), 5);
    m_pLogic->OnTimer(TIMER_CONNECT_DLG);  // wake-up replies; first JM?
    EXPECT_FALSE(m_pLogic->IsIdentified());
    EXPECT_EQ(m_pLogic->Timeout(), 4);
    m_pLogic->OnTimer(TIMER_CONNECT_DLG);  // the JM? reply
    EXPECT_TRUE(m_pLogic->IsIdentified());
    EXPECT_EQ(m_pLogic->Status(), "Found ZRT-630");
    EXPECT_EQ(m_pLogic->ModelName(), "ZRT-630");
    EXPECT_EQ(m_pLogic->ModelNumber(), 630);
    EXPECT_FALSE(m_pLogic->IsPQDSensor());
    EXPECT_EQ(m_pLogic->Timeout(), 3);
    // JM? also goes out on the tick that identified; nothing after.
    EXPECT_EQ(m_pPort->SentLines(), (std::vector<std::string>{"OK", "JM?", "JM?"}));
    int nTicks = 0;
    while (!m_pLogic->IsFinished()) {
        m_pLogic->OnTimer(TIMER_CONNECT_DLG);
        ++nTicks;
    }
    EXPECT_EQ(nTicks, 4);
    EXPECT_EQ(m_pPort->SentLines().size(), 3u);
    EXPECT_EQ(m_pPort->m_nCloseCalls, 1);
    EXPECT_TRUE(m_pLogic->IsIdentified());
}

TEST_F(ConnectLogic, PqdCodeSetsTheFlag)
{
    Make("00025");
    RunToEnd();
    EXPECT_EQ(m_pLogic->ModelName(), "PQD-025");
    EXPECT_TRUE(m_pLogic->IsPQDSensor());
}

TEST_F(ConnectLogic, UnknownCodeIsFoundAsNotSet)
{
    Make("12345");
    RunToEnd();
    EXPECT_TRUE(m_pLogic->IsIdentified());
    EXPECT_EQ(m_pLogic->ModelNumber(), 12345);
    EXPECT_EQ(m_pLogic->Status(), "Found NOT SET");
}

TEST_F(ConnectLogic, BadCmdToOkIsNotTakenAsTheModelButBadCmdToJmIs)
{
    Make("", "BAD CMD");
    RunToEnd();
    EXPECT_FALSE(m_pLogic->IsIdentified());

    Make("BAD CMD", "BAD CMD");
    RunToEnd();
    EXPECT_TRUE(m_pLogic->IsIdentified());
    EXPECT_EQ(m_pLogic->ModelNumber(), -1);
    EXPECT_EQ(m_pLogic->Status(), "Found NOT SET");
}

TEST_F(ConnectLogic, AddressedReplyAndRS485Lines)
{
    Make(":0700630ab", "", true, 7);
    RunToEnd();
    EXPECT_EQ(m_pPort->SentLines().front(), ":07OKFF");
    EXPECT_EQ(m_pPort->SentLines().at(1), ":07JM?FF");
    EXPECT_TRUE(m_pLogic->IsIdentified());
    EXPECT_EQ(m_pLogic->ModelNumber(), 630);
    EXPECT_EQ(m_pLogic->ModelName(), "ZRT-630");
}

TEST_F(ConnectLogic, ShortAddressedReplyIsIgnored)
{
    Make(":07006");
    RunToEnd();
    // ":07006" is six characters: taken as a code by its length.
    EXPECT_TRUE(m_pLogic->IsIdentified());
    Make("xx:0700");  // a colon with fewer than 7 characters from it
    RunToEnd();
    EXPECT_FALSE(m_pLogic->IsIdentified());
}

TEST_F(ConnectLogic, SilentSensorEndsOnTheSixthTickUnidentified)
{
    Make("");
    EXPECT_EQ(RunToEnd(), 6);
    EXPECT_FALSE(m_pLogic->IsIdentified());
    const auto sent = m_pPort->SentLines();
    EXPECT_EQ(sent.size(), 6u);  // OK and five JM?
    EXPECT_EQ(m_pPort->m_nCloseCalls, 1);
}

TEST_F(ConnectLogic, PortThatCannotOpen)
{
    Make("00630");
    m_pPort->m_bOpenSucceeds = false;
    m_pLogic->OnInitDialog();
    EXPECT_EQ(m_pLogic->Status(), "Port Not Connected");
    EXPECT_TRUE(m_pLogic->PortFailed());
    EXPECT_NE(m_pLogic->PortError(), 0u);
    EXPECT_EQ(m_pLogic->Timeout(), 3);
    int nTicks = 0;
    while (!m_pLogic->IsFinished()) {
        m_pLogic->OnTimer(TIMER_CONNECT_DLG);
        ++nTicks;
    }
    EXPECT_EQ(nTicks, 4);
    EXPECT_FALSE(m_pLogic->IsIdentified());
    EXPECT_TRUE(m_pPort->SentLines().empty());
}

TEST_F(ConnectLogic, CancelKeepsTheResultAndClosesThePort)
{
    Make("00045");
    m_pLogic->OnInitDialog();
    m_pLogic->OnTimer(TIMER_CONNECT_DLG);
    m_pLogic->OnTimer(TIMER_CONNECT_DLG);
    ASSERT_TRUE(m_pLogic->IsIdentified());
    m_pLogic->OnCancel();
    EXPECT_TRUE(m_pLogic->IsFinished());
    EXPECT_TRUE(m_pLogic->IsIdentified());
    EXPECT_EQ(m_pLogic->ModelName(), "PQD-045");
    EXPECT_EQ(m_pPort->m_nCloseCalls, 1);
    m_pLogic->OnTimer(TIMER_CONNECT_DLG);  // a late tick changes nothing
    EXPECT_EQ(m_pPort->m_nCloseCalls, 1);
}

TEST_F(ConnectLogic, OtherTimerIdsDoNothing)
{
    Make("00630");
    m_pLogic->OnInitDialog();
    m_pLogic->OnTimer(TIMER_CLOCK);
    m_pLogic->OnTimer(TIMER_SENSOR_SETTINGS);
    EXPECT_EQ(m_pLogic->Timeout(), 5);
    EXPECT_EQ(m_pPort->SentLines().size(), 1u);
}

}  // namespace
}  // namespace halyard::test
