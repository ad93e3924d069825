// Each sequence's table against the steps its sequence is known to take:
// the commands the dumps send in order, the numbers of the steps that
// switch the operating state, wait, or end, how many lines the loads send,
// and the progress the front ends show for each.
#include <gtest/gtest.h>

#include <cstdio>

#include "DumpCommands.h"
#include "document/Sequences.h"
#include "platform/AppMessages.h"

namespace halyard::test {
namespace {

constexpr Sequence kAll[] = {Sequence::NVRAMLoad, Sequence::ALSNVRAMLoad, Sequence::DumpAll,
                             Sequence::ALSDump, Sequence::ParamLoad};

const SequenceTable& Table(Sequence sequence)
{
    return SequenceTableOf(sequence);
}

// The command step nStep sends as its row gives it; "OS" for an
// operating-state write, empty for a step that sends nothing of its own.
std::string CommandAt(const SequenceTable& table, int nStep)
{
    const SequenceStep& step = StepAt(table, nStep);
    switch (step.sends) {
    case StepSends::Variable: {
        char szQuery[32];
        std::snprintf(szQuery, sizeof szQuery, step.szCommand, step.nVarBase + nStep - step.nFirst);
        return szQuery;
    }
    case StepSends::PolledOutput:
    case StepSends::WriteEnable:
    case StepSends::AutoOutput:
    case StepSends::RestoreState:
        return "OS";
    case StepSends::Query:
    case StepSends::ReadOpState:
    case StepSends::ReadOptions:
        return step.szCommand;
    default:
        return {};
    }
}

// The commands of a dump's table from its first step to its end.
std::vector<std::string> DumpCommandsOf(const SequenceTable& table)
{
    std::vector<std::string> commands;
    for (int nStep = 0; nStep <= LastStep(table); ++nStep)
        if (std::string strCommand = CommandAt(table, nStep); !strCommand.empty())
            commands.push_back(strCommand);
    return commands;
}

TEST(SequenceTables, EveryStepHasOneRowInOrder)
{
    for (Sequence sequence : kAll) {
        const SequenceTable& table = Table(sequence);
        EXPECT_EQ(table.sequence, sequence);
        int nNext = 0;
        for (const SequenceStep& step : table.steps) {
            EXPECT_EQ(step.nFirst, nNext) << "sequence " << static_cast<int>(sequence);
            EXPECT_LE(step.nFirst, step.nLast);
            nNext = step.nLast + 1;
        }
    }
    // A dump ends at a step of its own, past which every step is the end.
    for (Sequence dump : {Sequence::DumpAll, Sequence::ALSDump}) {
        EXPECT_EQ(StepAt(Table(dump), LastStep(Table(dump))).sends, StepSends::End);
        EXPECT_EQ(StepAt(Table(dump), LastStep(Table(dump)) + 7).sends, StepSends::End);
    }
}

TEST(SequenceTables, TheDumpAsksWhatTheSensorHearsInOrder)
{
    const SequenceTable& dump = Table(Sequence::DumpAll);
    std::vector<std::string> expected = ExpectedDumpCommands(true);
    for (std::string& strCommand : expected)
        if (strCommand.rfind("OS", 0) == 0)
            strCommand = "OS";
    EXPECT_EQ(DumpCommandsOf(dump), expected);
    EXPECT_EQ(DumpCommandsOf(Table(Sequence::ALSDump)), ExpectedAlsDumpCommands());

    // The steps a reader looks for by number.
    EXPECT_EQ(StepAt(dump, 2).sends, StepSends::ReadOpState);
    EXPECT_EQ(StepAt(dump, 3).sends, StepSends::PolledOutput);
    EXPECT_EQ(StepAt(dump, 8).sends, StepSends::ReadOptions);
    EXPECT_EQ(CommandAt(dump, 26), "V12?") << "the step a dump names when V12? goes unanswered";
    EXPECT_EQ(StepAt(dump, 164).nVarBase, 150);
    EXPECT_EQ(StepAt(dump, 171).sends, StepSends::AutoOutput);
    EXPECT_EQ(StepAt(dump, 192).sends, StepSends::RestoreState);
    EXPECT_EQ(LastStep(dump), 194);
    EXPECT_EQ(CommandAt(Table(Sequence::ALSDump), 5), "ALS-C?");
    EXPECT_EQ(LastStep(Table(Sequence::ALSDump)), 50);
}

TEST(SequenceTables, WhatTheSensorsSilenceDoesAndWhenDataIsAwaited)
{
    const SequenceTable& dump = Table(Sequence::DumpAll);
    for (int nStep = 0; nStep <= LastStep(dump); ++nStep) {
        const SequenceStep& step = StepAt(dump, nStep);
        const bool bTimedWait = nStep >= 174 && nStep <= 184 && nStep % 2 == 0;
        EXPECT_EQ(step.sends == StepSends::TimedWait, bTimedWait) << nStep;
        EXPECT_EQ(step.bAwaitData, nStep >= 173 && nStep <= 183 && nStep % 2 == 1) << nStep;
        if (bTimedWait) {
            EXPECT_EQ(step.nWait, nStep == 174 ? 75 : 65) << nStep;
        } else if (nStep == 13) {
            EXPECT_EQ(std::pair(step.silence, step.nWait), std::pair(Silence::NotSet, 5));
        } else {
            EXPECT_EQ(std::pair(step.silence, step.nWait), std::pair(Silence::GivesUp, nStep == 0 ? 50 : 80))
                << nStep;
        }
    }
    const SequenceTable& als = Table(Sequence::ALSDump);
    EXPECT_EQ(std::pair(StepAt(als, 0).silence, StepAt(als, 0).nWait), std::pair(Silence::GivesUp, 50));
    EXPECT_EQ(std::pair(StepAt(als, 3).silence, StepAt(als, 3).nWait), std::pair(Silence::NotSet, 5));
    for (int nStep : {1, 9, 47, 48, 49})
        EXPECT_EQ(StepAt(als, nStep).silence, Silence::Resends) << nStep;
    EXPECT_TRUE(StepAt(als, 48).bAwaitData && StepAt(als, 49).bAwaitData);
    EXPECT_FALSE(StepAt(als, 47).bAwaitData);

    // The loads wait for every reply; the upload goes on after 3 s.
    EXPECT_EQ(StepAt(Table(Sequence::NVRAMLoad), 500).silence, Silence::WaitsOn);
    EXPECT_EQ(StepAt(Table(Sequence::ALSNVRAMLoad), 500).silence, Silence::WaitsOn);
    const SequenceStep& param = StepAt(Table(Sequence::ParamLoad), 0);
    EXPECT_EQ(std::pair(param.sends, param.nWait), std::pair(StepSends::FileLine, 5));
}

TEST(SequenceTables, TheLoadsSendTheirFilesBetweenTheirOwnCommands)
{
    const SequenceTable& load = Table(Sequence::NVRAMLoad);
    EXPECT_EQ(StepsSending(load, StepSends::FileLine), NVRAM_LOAD_LINES);
    EXPECT_EQ(CommandAt(load, 0), "V9?");
    EXPECT_EQ(StepAt(load, 1).sends, StepSends::ReadOpState);
    EXPECT_EQ(StepAt(load, 2).sends, StepSends::WriteEnable);
    EXPECT_EQ(StepAt(load, 998).sends, StepSends::FileLine);
    EXPECT_EQ(StepAt(load, 999).sends, StepSends::RestoreState);

    const SequenceTable& als = Table(Sequence::ALSNVRAMLoad);
    EXPECT_EQ(StepsSending(als, StepSends::FileLine), ALS_NVRAM_LOAD_LINES);
    EXPECT_EQ(CommandAt(als, 0), "ALS-OSNVW5");
    EXPECT_EQ(StepAt(als, 998).sends, StepSends::FileLine);
    EXPECT_EQ(CommandAt(als, 999), "ALS-OSNVW0");
}

TEST(SequenceTables, EachMessageShowsItsSequencesProgress)
{
    for (Sequence sequence : kAll) {
        const SequenceTable& table = Table(sequence);
        ASSERT_NE(table.pProgress, nullptr);
        EXPECT_EQ(SequenceProgressFor(table.nMsg), table.pProgress)
            << "sequence " << static_cast<int>(sequence);
    }
    EXPECT_EQ(Table(Sequence::NVRAMLoad).nMsg, WM_INIT_START);
    EXPECT_EQ(Table(Sequence::ALSNVRAMLoad).nMsg, WM_INIT_START);
    EXPECT_EQ(Table(Sequence::DumpAll).nMsg, WM_START_SEQ);
    EXPECT_EQ(std::pair(Table(Sequence::ALSDump).nMsg, Table(Sequence::ALSDump).lParam),
              std::pair(WM_ALS_DUMP, intptr_t{1}));
    EXPECT_EQ(Table(Sequence::ParamLoad).nMsg, WM_PARAM_LOAD);
    EXPECT_EQ(SequenceProgressFor(WM_COMMS_DATA), nullptr);

    // Ticks the progress window expects, and whether a bar can go by steps.
    EXPECT_EQ(SequenceProgressFor(WM_INIT_START)->nLimit, 50);
    EXPECT_EQ(SequenceProgressFor(WM_START_SEQ)->nLimit, 915);
    EXPECT_EQ(SequenceProgressFor(WM_ALS_DUMP)->nLimit, 51);
    EXPECT_EQ(SequenceProgressFor(WM_PARAM_LOAD)->nLimit, 145);
    EXPECT_TRUE(Table(Sequence::DumpAll).bStepsKnown && Table(Sequence::ALSDump).bStepsKnown);
    EXPECT_FALSE(Table(Sequence::NVRAMLoad).bStepsKnown || Table(Sequence::ALSNVRAMLoad).bStepsKnown ||
                 Table(Sequence::ParamLoad).bStepsKnown);
}

}  // namespace
}  // namespace halyard::test
