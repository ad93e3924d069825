// Identification against the simulated sensor on a pseudo-terminal.
#include "SimFixture.h"

namespace halyard::test {
namespace {

struct ModelCase {
    const char* szModel;
    int nCode;
    bool bPQD;
};

class IdentificationModels : public ::testing::TestWithParam<ModelCase> {};

TEST_P(IdentificationModels, ModelCodeGivesNameAndPqdFlag)
{
    const ModelCase& c = GetParam();
    sim::SimOptions options;
    options.strModel = c.szModel;
    CSimPort port(options);
    ASSERT_TRUE(port.Started());
    CConnectLogic logic;
    logic.SetUp(port.Port(), 9600, false, 0);
    port.RunIdentification(logic, true);
    EXPECT_TRUE(logic.IsFinished());
    EXPECT_TRUE(logic.IsIdentified());
    EXPECT_EQ(logic.ModelNumber(), c.nCode);
    EXPECT_EQ(logic.ModelName(), c.szModel);
    EXPECT_EQ(logic.IsPQDSensor(), c.bPQD);
    EXPECT_EQ(logic.Status(), std::string("Found ") + c.szModel);
    EXPECT_EQ(logic.Port(), port.Port());
}

INSTANTIATE_TEST_SUITE_P(Sim, IdentificationModels,
                         ::testing::Values(ModelCase{"ZRT-630", 630, false}, ModelCase{"PQD-025", 25, true},
                                           ModelCase{"LMW-40", 40, true}, ModelCase{"KV-310", 310, false}));

TEST(Identification, BadCmdToJmCountsAsConnectedWithoutModel)
{
    CSimPort port;
    ASSERT_TRUE(port.Started());
    port.Sim().SetBadCmdFor("JM?");
    CConnectLogic logic;
    logic.SetUp(port.Port(), 9600, false, 0);
    port.RunIdentification(logic, true);
    EXPECT_TRUE(logic.IsIdentified());
    EXPECT_EQ(logic.ModelNumber(), -1);
    EXPECT_EQ(logic.Status(), "Found NOT SET");
}

TEST(Identification, AddressedSensorWithFFInPlaceOfTheChecksum)
{
    sim::SimOptions options;
    options.strModel = "ZRT-650";
    options.nAddress = 7;
    options.bRS485 = true;
    CSimPort port(options);
    ASSERT_TRUE(port.Started());
    CConnectLogic logic;
    logic.SetUp(port.Port(), 9600, true, 7);
    port.RunIdentification(logic, true);
    EXPECT_TRUE(logic.IsIdentified());
    EXPECT_EQ(logic.ModelNumber(), 650);
    EXPECT_EQ(logic.ModelName(), "ZRT-650");
    const auto commands = port.Sim().ReceivedCommands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[0], "OK");
    EXPECT_EQ(commands[1], "JM?");
}

TEST(Identification, SilentSensorLeavesNothingIdentified)
{
    CSimPort port;
    ASSERT_TRUE(port.Started());
    port.Sim().SetFault(sim::Fault::Silent, true);
    CConnectLogic logic;
    logic.SetUp(port.Port(), 9600, false, 0);
    port.RunIdentification(logic, false);
    EXPECT_TRUE(logic.IsFinished());
    EXPECT_FALSE(logic.IsIdentified());
    EXPECT_FALSE(logic.PortFailed());
    EXPECT_EQ(logic.Status(), "");
    // The port is free again for the document.
    CSerial_IF serial;
    EXPECT_TRUE(serial.Initialise(ComPortName(port.Port()), port.Port(), "QRM_EVENT_COMMS_DATA_IN", 10));
    serial.Close();
}

TEST(Identification, PortThatCannotBeOpened)
{
    const int nPort = CPortTable::Instance().RegisterSimulated("/dev/halyard-no-such-device", "missing");
    CConnectLogic logic;
    logic.SetUp(nPort, 9600, false, 0);
    logic.OnInitDialog();
    EXPECT_TRUE(logic.PortFailed());
    EXPECT_EQ(logic.Status(), "Port Not Connected");
    int nTicks = 0;
    while (!logic.IsFinished() && nTicks < 10) {
        logic.OnTimer(TIMER_CONNECT_DLG);
        ++nTicks;
    }
    EXPECT_EQ(nTicks, 4);
    EXPECT_FALSE(logic.IsIdentified());
    CPortTable::Instance().Unregister(nPort);
}

}  // namespace
}  // namespace halyard::test
