#include "document/Sequences.h"

#include <utility>

#include "platform/AppMessages.h"

namespace halyard {

namespace {

using enum StepSends;
using enum Silence;

// Ticks of 500 ms a dump's first query, its other queries and its serial
// number may go unanswered.
constexpr int kFirstReply = 50;
constexpr int kReply = 80;
constexpr int kSerial = 5;

// clang-format off
// Each row: its step (the first of a run), the run's last step, what it
// sends, the command, the variable the run starts at, whether the sensor's
// automatic output is awaited after it, what silence does and after how long.

// The diagnostic dump. It starts with "D?" (step 0), reads the operating
// state, switches the sensor to polled output (3), asks for every value,
// switches it to automatic output (171) for six timed waits (174 to 184,
// seconds; timer 2 paces them, and the first data message ends one), puts
// the state it read back (192) and ends at 194.
constexpr SequenceStep kDumpSteps[] = {
    // step last  sends         command  var  data   silence  wait
    {0,   0,   Query,        "D?",    0,   false, GivesUp, kFirstReply},
    {1,   1,   Query,        "R?",    0,   false, GivesUp, kReply},
    {2,   2,   ReadOpState,  "V9?",   0,   false, GivesUp, kReply},
    {3,   3,   PolledOutput, nullptr, 0,   false, GivesUp, kReply},
    {4,   4,   Query,        "PV?",   0,   false, GivesUp, kReply},
    {5,   5,   Query,        "P?",    0,   false, GivesUp, kReply},
    {6,   6,   Query,        "BT?",   0,   false, GivesUp, kReply},
    {7,   7,   Query,        "BB?",   0,   false, GivesUp, kReply},
    {8,   8,   ReadOptions,  "OP?",   0,   false, GivesUp, kReply},
    {9,   9,   Query,        "T?",    0,   false, GivesUp, kReply},
    {10,  10,  Query,        "C?",    0,   false, GivesUp, kReply},
    {11,  11,  Query,        "WT?",   0,   false, GivesUp, kReply},
    {12,  12,  Query,        "XF?",   0,   false, GivesUp, kReply},
    {13,  13,  Query,        "SN?",   0,   false, NotSet,  kSerial},
    {14,  163, Variable,     "V%d?",  0,   false, GivesUp, kReply},
    {164, 164, Nothing,      nullptr, 150, false, GivesUp, kReply},
    {165, 165, Query,        "JM?",   0,   false, GivesUp, kReply},
    {166, 166, Query,        "JRO?",  0,   false, GivesUp, kReply},
    {167, 167, Query,        "JAO?",  0,   false, GivesUp, kReply},
    {168, 168, Query,        "JAI?",  0,   false, GivesUp, kReply},
    {169, 169, Query,        "JAL?",  0,   false, GivesUp, kReply},
    {170, 170, Query,        "JCC?",  0,   false, GivesUp, kReply},
    {171, 171, AutoOutput,   nullptr, 0,   false, GivesUp, kReply},
    {172, 172, Query,        "BT?",   0,   false, GivesUp, kReply},
    {173, 173, Query,        "BB?",   0,   true,  GivesUp, kReply},
    {174, 174, TimedWait,    nullptr, 0,   false, WaitsOn, 75},
    {175, 175, Query,        "R?",    0,   true,  GivesUp, kReply},
    {176, 176, TimedWait,    nullptr, 0,   false, WaitsOn, 65},
    {177, 177, Query,        "R?",    0,   true,  GivesUp, kReply},
    {178, 178, TimedWait,    nullptr, 0,   false, WaitsOn, 65},
    {179, 179, Query,        "R?",    0,   true,  GivesUp, kReply},
    {180, 180, TimedWait,    nullptr, 0,   false, WaitsOn, 65},
    {181, 181, Query,        "R?",    0,   true,  GivesUp, kReply},
    {182, 182, TimedWait,    nullptr, 0,   false, WaitsOn, 65},
    {183, 183, Query,        "R?",    0,   true,  GivesUp, kReply},
    {184, 184, TimedWait,    nullptr, 0,   false, WaitsOn, 65},
    {185, 185, Query,        "R?",    0,   false, GivesUp, kReply},
    {186, 186, Query,        "BT?",   0,   false, GivesUp, kReply},
    {187, 187, Query,        "BB?",   0,   false, GivesUp, kReply},
    {188, 188, Query,        "XS?",   0,   false, GivesUp, kReply},
    {189, 189, Query,        "TR?",   0,   false, GivesUp, kReply},
    {190, 190, Query,        "XR?",   0,   false, GivesUp, kReply},
    {191, 191, Query,        "XF?",   0,   false, GivesUp, kReply},
    {192, 192, RestoreState, nullptr, 0,   false, GivesUp, kReply},
    {193, 193, Query,        "V9?",   0,   false, GivesUp, kReply},
    {194, 194, End,          nullptr, 0,   false, GivesUp, kReply},
};

// The ALS dump: "ALS-D?" (step 0), the ALS's values and variables (2 is
// not asked for), two data messages, the end at 50. A query the ALS leaves
// unanswered goes out again on every tick.
constexpr SequenceStep kALSDumpSteps[] = {
    // step last sends     command      var data   silence  wait
    {0,  0,  Query,    "ALS-D?",    0, false, GivesUp, kFirstReply},
    {1,  1,  Query,    "ALS-R?",    0, false, Resends, kReply},
    {2,  2,  Query,    "ALS-PV?",   0, false, Resends, kReply},
    {3,  3,  Query,    "ALS-S?",    0, false, NotSet,  kSerial},
    {4,  4,  Query,    "ALS-OS?",   0, false, Resends, kReply},
    {5,  5,  Query,    "ALS-C?",    0, false, Resends, kReply},
    {6,  6,  Query,    "ALS-XF?",   0, false, Resends, kReply},
    {7,  7,  Variable, "ALS-V%d?",  0, false, Resends, kReply},
    {8,  8,  Variable, "ALS-VF%d?", 1, false, Resends, kReply},
    {9,  47, Variable, "ALS-V%d?",  3, false, Resends, kReply},
    {48, 48, Query,    "ALS-D?",    0, true,  Resends, kReply},
    {49, 49, Query,    "ALS-R?",    0, true,  Resends, kReply},
    {50, 50, End,      nullptr,     0, false, Resends, kReply},
};

// The NVRAM load: "V9?" (step 0) and again to read the operating state,
// NVRAM writing enabled with polled output, the file's lines (3 to 998, or
// to its '#' or its end), the state read put back (999). It waits for every
// reply.
constexpr SequenceStep kNVRAMLoadSteps[] = {
    // step last  sends         command  var data   silence  wait
    {0,   0,   Query,        "V9?",   0, false, WaitsOn, 0},
    {1,   1,   ReadOpState,  "V9?",   0, false, WaitsOn, 0},
    {2,   2,   WriteEnable,  nullptr, 0, false, WaitsOn, 0},
    {3,   998, FileLine,     nullptr, 0, false, WaitsOn, 0},
    {999, 999, RestoreState, nullptr, 0, false, WaitsOn, 0},
};

// The ALS NVRAM load: writing on (step 0), the file's lines, writing off.
constexpr SequenceStep kALSNVRAMLoadSteps[] = {
    // step last  sends     command       var data   silence  wait
    {0,   0,   Query,    "ALS-OSNVW5", 0, false, WaitsOn, 0},
    {1,   998, FileLine, nullptr,      0, false, WaitsOn, 0},
    {999, 999, Query,    "ALS-OSNVW0", 0, false, WaitsOn, 0},
};

// The parameter upload: a file line per reply, or after 5 silent ticks.
constexpr SequenceStep kParamLoadSteps[] = {
    {0, 0, FileLine, nullptr, 0, false, NextLine, 5},
};

constexpr SequenceStep kNoSteps[] = {
    {0, 0, End, nullptr, 0, false, WaitsOn, 0},
};
// clang-format on

constexpr const char* kDiagTitle = "Diagnostics";
constexpr SequenceProgress kLoadProgress = {"Starting Parameter Upload",
                                            "Parameter Upload",
                                            50,
                                            "Parameter Upload Finished",
                                            "Parameter Upload Failed",
                                            nullptr,
                                            false};
constexpr SequenceProgress kDumpProgress = {
    "Saving All Diagnostic Data", kDiagTitle, 915, "Diagnostic Save Finished", nullptr,
    "Diagnostic Save Incomplete", false};
constexpr SequenceProgress kALSDumpProgress = {
    "Saving ALS Diagnostic Data",     kDiagTitle, 51, "ALS Diagnostic Save Finished", nullptr,
    "ALS Diagnostic Save Incomplete", false};
constexpr SequenceProgress kParamLoadProgress = {
    "Starting Param Load", "Param Load", 145, "Param Load Finished", "Param Load Failed", nullptr, true};

constexpr SequenceTable kTables[] = {
    {Sequence::None, 0, 0, kNoSteps, false, nullptr},
    {Sequence::NVRAMLoad, WM_INIT_START, 0, kNVRAMLoadSteps, false, &kLoadProgress},
    {Sequence::ALSNVRAMLoad, WM_INIT_START, 0, kALSNVRAMLoadSteps, false, &kLoadProgress},
    {Sequence::DumpAll, WM_START_SEQ, 0, kDumpSteps, true, &kDumpProgress},
    {Sequence::ALSDump, WM_ALS_DUMP, 1, kALSDumpSteps, true, &kALSDumpProgress},
    {Sequence::ParamLoad, WM_PARAM_LOAD, 0, kParamLoadSteps, false, &kParamLoadProgress},
};

std::string Lines(int n, const char* szWhat)
{
    return std::to_string(n) + (n == 1 ? " line " : " lines ") + szWhat;
}

}  // namespace

const SequenceTable& SequenceTableOf(Sequence sequence)
{
    for (const SequenceTable& table : kTables)
        if (table.sequence == sequence)
            return table;
    return kTables[0];
}

const SequenceStep& StepAt(const SequenceTable& table, int nStep)
{
    for (const SequenceStep& step : table.steps)
        if (nStep >= step.nFirst && nStep <= step.nLast)
            return step;
    return table.steps.back();
}

int LastStep(const SequenceTable& table)
{
    return table.steps.back().nLast;
}

int StepsSending(const SequenceTable& table, StepSends sends)
{
    int nSteps = 0;
    for (const SequenceStep& step : table.steps)
        nSteps += step.sends == sends ? step.nLast - step.nFirst + 1 : 0;
    return nSteps;
}

namespace {

// Why a sequence did not simply finish, as the list's line says it.
std::string EndReasonLine(const SequenceOutcome& outcome)
{
    switch (outcome.nEnd) {
    case SEQ_NO_REPLY:
        return "No reply from the sensor";
    case SEQ_CONNECTION_CLOSED:
        return "Stopped: connection closed";
    case SEQ_CONNECTION_LOST:
        return "Stopped: connection lost";
    case SEQ_CANCELLED:
        return "Cancelled";
    case SEQ_OPSTATE_UNREAD:
        return "The operating state could not be read (the sensor answered \"" + outcome.strOpStateReply +
               "\"): nothing was written";
    case SEQ_FILE_ERROR:
        return outcome.strFileError;
    default:
        return {};
    }
}

// What else the person should know of how a sequence ended, besides why.
std::vector<std::string> OutcomeDetailLines(const SequenceOutcome& outcome)
{
    std::vector<std::string> lines;
    if (outcome.bOpStateKept)
        lines.emplace_back("The operating state could not be read (the sensor answered \"" +
                           outcome.strOpStateReply + "\"): it was left as it was");
    if (outcome.nLinesRefused > 0)
        lines.push_back(Lines(outcome.nLinesRefused, "refused twice by the sensor (BAD CMD)"));
    if (outcome.nLinesTooLong > 0)
        lines.push_back(Lines(outcome.nLinesTooLong, "too long for a command, not sent"));
    if (outcome.nLinesNotSent > 0)
        lines.push_back(Lines(outcome.nLinesNotSent, "not sent: a load sends at most ") +
                        std::to_string(outcome.nLineLimit) + " lines");
    return lines;
}

}  // namespace

std::vector<std::string> SequenceOutcomeLines(const SequenceOutcome& outcome)
{
    std::vector<std::string> lines;
    if (outcome.nEnd != SEQ_DONE)
        lines.push_back(EndReasonLine(outcome));
    for (std::string& strLine : OutcomeDetailLines(outcome))
        lines.push_back(std::move(strLine));
    return lines;
}

std::string DumpIncompleteReason(const SequenceOutcome& outcome)
{
    switch (outcome.nEnd) {
    case SEQ_DONE:
        return {};
    case SEQ_NO_REPLY: {
        std::string strReason = "no reply from the sensor at step " + std::to_string(outcome.nStep);
        if (!outcome.strQuery.empty())
            strReason += " (" + outcome.strQuery + ")";
        return strReason;
    }
    case SEQ_CONNECTION_CLOSED:
        return "the connection was closed";
    case SEQ_CONNECTION_LOST:
        return "the connection was lost";
    case SEQ_CANCELLED:
        return "cancelled";
    case SEQ_FILE_ERROR:
        return outcome.strFileError;
    default:
        return "stopped early";
    }
}

const SequenceProgress* SequenceProgressFor(uint32_t nMsg)
{
    for (const SequenceTable& table : kTables)
        if (table.nMsg == nMsg && table.pProgress != nullptr)
            return table.pProgress;
    return nullptr;
}

const char* SequenceEndText(const SequenceProgress& seq, uintptr_t wParam)
{
    return (wParam == SEQUENCE_FAILED && seq.szFailed != nullptr) ? seq.szFailed : seq.szFinished;
}

std::vector<std::string> SequenceEndLines(const SequenceProgress& seq, uintptr_t wParam,
                                          const SequenceOutcome& outcome)
{
    // A dump cut short says why in its first line; the rest follows.
    const bool bCutShort = seq.szIncomplete != nullptr && outcome.nEnd != SEQ_DONE;
    std::vector<std::string> lines{bCutShort
                                       ? std::string(seq.szIncomplete) + ": " + DumpIncompleteReason(outcome)
                                       : std::string(SequenceEndText(seq, wParam))};
    for (std::string& strLine : bCutShort ? OutcomeDetailLines(outcome) : SequenceOutcomeLines(outcome))
        lines.push_back(std::move(strLine));
    return lines;
}

}  // namespace halyard
