// Which received commands the command faults answer, refuse or leave unanswered.
#include <gtest/gtest.h>

#include "CommandFaults.h"

namespace halyard::sim {
namespace {

using Answer = CCommandFaults::Answer;

// A command received while the sensor talks and the BadCmdFor fault is off.
Answer Receive(CCommandFaults& faults, const std::string& strCommand)
{
    return faults.Receive(strCommand, false, false);
}

TEST(SimCommandFaults, BadCmdOnceRefusesTheNextMatchingCommandOnly)
{
    CCommandFaults faults;
    EXPECT_EQ(Receive(faults, "V9?"), Answer::Normal);
    faults.SetBadCmdOnceFor("V9?");
    EXPECT_EQ(Receive(faults, "SN?"), Answer::Normal) << "other commands pass";
    EXPECT_EQ(Receive(faults, "V9?"), Answer::BadCmd);
    EXPECT_EQ(Receive(faults, "V9?"), Answer::Normal);

    // A command is named by its start.
    faults.SetBadCmdOnceFor("V1");
    EXPECT_EQ(Receive(faults, "V0?"), Answer::Normal);
    EXPECT_EQ(Receive(faults, "V12,5"), Answer::BadCmd);
    EXPECT_EQ(Receive(faults, "V1?"), Answer::Normal);

    // A silent sensor answers nothing and so does not use it up.
    faults.SetBadCmdOnceFor("OS");
    EXPECT_EQ(faults.Receive("OS?", true, false), Answer::None);
    EXPECT_EQ(Receive(faults, "OS?"), Answer::BadCmd);
}

TEST(SimCommandFaults, BadCmdOnceCanBeTakenBackOrReplaced)
{
    CCommandFaults faults;
    faults.SetBadCmdOnceFor("JM?");
    faults.SetBadCmdOnceFor("");
    EXPECT_EQ(Receive(faults, "JM?"), Answer::Normal);

    faults.SetBadCmdOnceFor("JM?");
    faults.SetBadCmdOnceFor("PV?");
    EXPECT_EQ(Receive(faults, "JM?"), Answer::Normal);
    EXPECT_EQ(Receive(faults, "PV?"), Answer::BadCmd);
}

TEST(SimCommandFaults, BadCmdForRefusesWhileItsFaultIsOn)
{
    CCommandFaults faults;
    faults.SetBadCmdFor("JM?");
    EXPECT_EQ(faults.Receive("JM?", false, true), Answer::BadCmd);
    EXPECT_EQ(faults.Receive("JM?", false, true), Answer::BadCmd);
    EXPECT_EQ(faults.Receive("OS?", false, true), Answer::Normal);
    EXPECT_EQ(Receive(faults, "JM?"), Answer::Normal);

    // With both kinds for one command the once-kind is used up all the same.
    faults.SetBadCmdOnceFor("JM?");
    EXPECT_EQ(faults.Receive("JM?", false, true), Answer::BadCmd);
    EXPECT_EQ(Receive(faults, "JM?"), Answer::Normal);

    faults.SetBadCmdFor("");
    EXPECT_EQ(faults.Receive("JM?", false, true), Answer::Normal) << "an empty text matches nothing";
}

TEST(SimCommandFaults, NoAnswerGoesBeforeBadCmd)
{
    CCommandFaults faults;
    faults.SetNoAnswerFor("SN?");
    EXPECT_EQ(Receive(faults, "SN?"), Answer::None);
    EXPECT_EQ(Receive(faults, "SN?"), Answer::None);
    EXPECT_EQ(Receive(faults, "PV?"), Answer::Normal);

    faults.SetBadCmdFor("SN?");
    faults.SetBadCmdOnceFor("SN?");
    EXPECT_EQ(faults.Receive("SN?", false, true), Answer::None);
    faults.SetNoAnswerFor("");
    EXPECT_EQ(Receive(faults, "SN?"), Answer::BadCmd) << "the once-kind was still waiting";
    EXPECT_EQ(Receive(faults, "SN?"), Answer::Normal);
}

}  // namespace
}  // namespace halyard::sim
