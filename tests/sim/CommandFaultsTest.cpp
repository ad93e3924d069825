// Which received commands the command faults answer, refuse or leave unanswered.
#include <gtest/gtest.h>

#include "CommandFaults.h"

namespace halyard::sim {
namespace {

using Answer = CCommandFaults::Answer;

// A command received while the sensor talks and the BadCmdFor fault is off.
Answer Receive(CCommandFaults& faults, const std::string& strCommand)
{
    return faults.Receive(strCommand, false, false).answer;
}

bool FallsSilent(CCommandFaults& faults, const std::string& strCommand)
{
    return faults.Receive(strCommand, false, false).bFallSilent;
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
    EXPECT_EQ(faults.Receive("OS?", true, false).answer, Answer::None);
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
    EXPECT_EQ(faults.Receive("JM?", false, true).answer, Answer::BadCmd);
    EXPECT_EQ(faults.Receive("JM?", false, true).answer, Answer::BadCmd);
    EXPECT_EQ(faults.Receive("OS?", false, true).answer, Answer::Normal);
    EXPECT_EQ(Receive(faults, "JM?"), Answer::Normal);

    // With both kinds for one command the once-kind is used up all the same.
    faults.SetBadCmdOnceFor("JM?");
    EXPECT_EQ(faults.Receive("JM?", false, true).answer, Answer::BadCmd);
    EXPECT_EQ(Receive(faults, "JM?"), Answer::Normal);

    faults.SetBadCmdFor("");
    EXPECT_EQ(faults.Receive("JM?", false, true).answer, Answer::Normal) << "an empty text matches nothing";
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
    EXPECT_EQ(faults.Receive("SN?", false, true).answer, Answer::None);
    faults.SetNoAnswerFor("");
    EXPECT_EQ(Receive(faults, "SN?"), Answer::BadCmd) << "the once-kind was still waiting";
    EXPECT_EQ(Receive(faults, "SN?"), Answer::Normal);
}

TEST(SimCommandFaults, FallsSilentAfterTheCountOfAnsweredCommands)
{
    CCommandFaults faults;
    faults.SetSilentAfter(3);
    faults.SetNoAnswerFor("SN?");
    faults.SetBadCmdOnceFor("PV?");
    EXPECT_FALSE(FallsSilent(faults, "JM?"));
    EXPECT_FALSE(FallsSilent(faults, "SN?"));
    EXPECT_FALSE(faults.Receive("JM?", true, false).bFallSilent) << "nothing is answered while silent";
    EXPECT_FALSE(FallsSilent(faults, "PV?")) << "BAD CMD is the second answer";
    const CCommandFaults::Outcome third = faults.Receive("OS?", false, false);
    EXPECT_EQ(third.answer, Answer::Normal) << "the last one counted is answered";
    EXPECT_TRUE(third.bFallSilent);
    for (int n = 0; n < 5; ++n)
        EXPECT_FALSE(FallsSilent(faults, "OS?")) << "the count runs once";
}

TEST(SimCommandFaults, SilentCountStopsOrStartsAgain)
{
    CCommandFaults faults;
    faults.SetSilentAfter(2);
    EXPECT_FALSE(FallsSilent(faults, "V0?"));
    faults.SetSilentAfter(0);
    for (int n = 0; n < 5; ++n)
        EXPECT_FALSE(FallsSilent(faults, "V1?"));

    faults.SetSilentAfter(2);
    EXPECT_FALSE(FallsSilent(faults, "V2?"));
    faults.SetSilentAfter(2);
    EXPECT_FALSE(FallsSilent(faults, "V3?")) << "a new count starts from its call";
    EXPECT_TRUE(FallsSilent(faults, "V4?"));

    faults.SetSilentAfter(1);
    EXPECT_TRUE(FallsSilent(faults, "V5?"));
}

TEST(SimCommandFaults, HangsUpAfterTheCountOfReceivedCommands)
{
    CCommandFaults faults;
    faults.SetHangUpAfter(3);
    faults.SetNoAnswerFor("SN?");
    EXPECT_FALSE(faults.Receive("JM?", false, false).bHangUp);
    EXPECT_FALSE(faults.Receive("SN?", false, false).bHangUp) << "unanswered, but received";
    const CCommandFaults::Outcome third = faults.Receive("V0?", true, false);
    EXPECT_TRUE(third.bHangUp) << "a silent sensor counts what it receives";
    EXPECT_EQ(third.answer, Answer::None);
    EXPECT_FALSE(faults.Receive("V0?", false, false).bHangUp) << "the count runs once";

    faults.SetHangUpAfter(1);
    faults.SetHangUpAfter(0);
    for (int n = 0; n < 5; ++n)
        EXPECT_FALSE(faults.Receive("V1?", false, false).bHangUp);
}

TEST(SimCommandFaults, SilenceAndHangUpCountApart)
{
    CCommandFaults faults;
    faults.SetSilentAfter(1);
    faults.SetHangUpAfter(2);
    const CCommandFaults::Outcome first = faults.Receive("V9?", false, false);
    EXPECT_TRUE(first.bFallSilent);
    EXPECT_FALSE(first.bHangUp);
    const CCommandFaults::Outcome second = faults.Receive("V10?", true, false);
    EXPECT_FALSE(second.bFallSilent);
    EXPECT_TRUE(second.bHangUp);
}

}  // namespace
}  // namespace halyard::sim
