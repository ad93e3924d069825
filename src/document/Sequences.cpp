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

std::vector<std::string> SequenceOutcomeLines(const SequenceOutcome& outcome)
{
    std::vector<std::string> lines;
    switch (outcome.nEnd) {
    case SEQ_NO_REPLY:
        lines.emplace_back("No reply from the sensor");
        break;
    case SEQ_CONNECTION_CLOSED:
        lines.emplace_back("Stopped: connection closed");
        break;
    case SEQ_CANCELLED:
        lines.emplace_back("Cancelled");
        break;
    case SEQ_OPSTATE_UNREAD:
        lines.emplace_back("The operating state could not be read (the sensor answered \"" +
                           outcome.strOpStateReply + "\"): nothing was written");
        break;
    case SEQ_FILE_ERROR:
        lines.push_back(outcome.strFileError);
        break;
    default:
        break;
    }
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

const SequenceProgress* SequenceProgressFor(uint32_t nMsg)
{
    static constexpr const char* kDiagTitle = "Diagnostics";
    static constexpr SequenceProgress kParamUpload = {"Starting Parameter Upload", "Parameter Upload",
                                                      50,
                                                      "Parameter Upload Finished", "Parameter Upload Failed",
                                                      false};
    static constexpr SequenceProgress kDump = {"Saving All Diagnostic Data", kDiagTitle, 915,
                                               "Diagnostic Save Finished",   nullptr,    false};
    static constexpr SequenceProgress kALSDump = {"Saving ALS Diagnostic Data",   kDiagTitle, 51,
                                                  "ALS Diagnostic Save Finished", nullptr,    false};
    static constexpr SequenceProgress kParamLoad = {"Starting Param Load", "Param Load",        145,
                                                    "Param Load Finished", "Param Load Failed", true};
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
    return (wParam == 2 && seq.szFailed != nullptr) ? seq.szFailed : seq.szFinished;
}

}  // namespace halyard
