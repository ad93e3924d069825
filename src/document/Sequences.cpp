#include "document/Sequences.h"

#include <array>
#include <utility>

#include "platform/AppMessages.h"

namespace halyard {

namespace {

constexpr std::array<std::pair<int, const char*>, 32> kDumpQueries = {{
    {1, "R?"},     {4, "PV?"},    {5, "P?"},     {6, "BT?"},   {7, "BB?"},   {8, "OP?"},    {9, "T?"},
    {10, "C?"},    {11, "WT?"},   {12, "XF?"},   {13, "SN?"},  {165, "JM?"}, {166, "JRO?"}, {167, "JAO?"},
    {168, "JAI?"}, {169, "JAL?"}, {170, "JCC?"}, {172, "BT?"}, {173, "BB?"}, {175, "R?"},   {177, "R?"},
    {179, "R?"},   {181, "R?"},   {183, "R?"},   {185, "R?"},  {186, "BT?"}, {187, "BB?"},  {188, "XS?"},
    {189, "TR?"},  {190, "XR?"},  {191, "XF?"},  {193, "V9?"},
}};

std::string Lines(int n, const char* szWhat)
{
    return std::to_string(n) + (n == 1 ? " line " : " lines ") + szWhat;
}

}  // namespace

const char* DumpQueryAt(int nStep)
{
    for (const auto& [nAt, szCommand] : kDumpQueries)
        if (nAt == nStep)
            return szCommand;
    return nullptr;
}

bool IsDumpTimedWait(int nStep)
{
    return nStep >= 174 && nStep <= 184 && nStep % 2 == 0;
}

int DumpWaitLimit(int nStep)
{
    return nStep == 174 ? 75 : 65;
}

bool IsDumpDataWaitStep(int nStep)
{
    return nStep >= 173 && nStep <= 183 && nStep % 2 == 1;
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
    static constexpr const char* kDiagTitle = "Diagnostics";
    static constexpr SequenceProgress kParamUpload = {"Starting Parameter Upload",
                                                      "Parameter Upload",
                                                      50,
                                                      "Parameter Upload Finished",
                                                      "Parameter Upload Failed",
                                                      nullptr,
                                                      false};
    static constexpr SequenceProgress kDump = {
        "Saving All Diagnostic Data", kDiagTitle, 915, "Diagnostic Save Finished", nullptr,
        "Diagnostic Save Incomplete", false};
    static constexpr SequenceProgress kALSDump = {
        "Saving ALS Diagnostic Data",     kDiagTitle, 51, "ALS Diagnostic Save Finished", nullptr,
        "ALS Diagnostic Save Incomplete", false};
    static constexpr SequenceProgress kParamLoad = {
        "Starting Param Load", "Param Load", 145, "Param Load Finished", "Param Load Failed", nullptr, true};
    switch (nMsg) {
    case WM_INIT_START:
        return &kParamUpload;
    case WM_START_SEQ:
        return &kDump;
    case WM_ALS_DUMP:
        return &kALSDump;
    case WM_PARAM_LOAD:
        return &kParamLoad;
    default:
        return nullptr;
    }
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
