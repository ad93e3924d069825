#pragma once
// What the long sequences (NVRAM loads, diagnostic dumps) share besides the
// document's members: the fixed queries of the diagnostic dump, and how a
// sequence ended, told to the user as lines of the received-data list.
// Pure functions, any front end.

#include <cstdint>
#include <string>
#include <vector>

namespace halyard {

// The long sequences; the document runs one at a time.
enum class Sequence { None, NVRAMLoad, ALSNVRAMLoad, DumpAll, ALSDump, ParamLoad };

// The command of a diagnostic dump step that only sends a fixed query, or
// nullptr for a step that does something else (the variables, the "OS"
// writes, the timed waits, the end).
const char* DumpQueryAt(int nStep);

// The dump's timed waits (steps 174 to 184, even) and how long each waits at
// most, in seconds: the first 75, the others 65.
bool IsDumpTimedWait(int nStep);
int DumpWaitLimit(int nStep);
// The steps that wait for a data message that timer 2 paces.
bool IsDumpDataWaitStep(int nStep);

// The steps of a diagnostic dump and of an ALS dump: the last is the end.
constexpr int DUMP_END_STEP = 194;
constexpr int ALS_DUMP_END_STEP = 50;

// Command lines sent at most by an NVRAM load and by an ALS NVRAM load.
constexpr int NVRAM_LOAD_LINES = 996;
constexpr int ALS_NVRAM_LOAD_LINES = 998;

// Ticks of 500 ms without a reply after which a dump gives up.
constexpr int DUMP_FIRST_REPLY_TICKS = 50;
constexpr int DUMP_REPLY_TICKS = 80;
constexpr int SERIAL_NUMBER_TICKS = 5;
// Ticks without a reply after which a parameter upload sends its next line.
constexpr int PARAM_REPLY_TICKS = 5;

enum SequenceEnd : int {
    SEQ_DONE = 0,
    SEQ_NO_REPLY,           // the sensor stopped answering
    SEQ_CONNECTION_CLOSED,  // closed by the user
    SEQ_CANCELLED,          // the user pressed Cancel
    SEQ_OPSTATE_UNREAD,     // the operating state read was no register value
    SEQ_FILE_ERROR,         // the file could not be read or written
    SEQ_CONNECTION_LOST     // the sensor's end of the line hung up
};

// How the last sequence ended, beyond finished or failed.
struct SequenceOutcome {
    int nEnd = SEQ_DONE;
    int nLinesRefused = 0;        // load lines refused twice with "BAD CMD"
    int nLinesTooLong = 0;        // load lines longer than a command can be
    int nLinesNotSent = 0;        // load lines beyond the most a load sends
    int nLineLimit = 0;           // that most
    bool bOpStateKept = false;    // a dump left the operating state alone
    std::string strOpStateReply;  // what the sensor answered for the operating state
    std::string strFileError;
    int nStep = 0;         // the step a dump stopped at for want of a reply
    std::string strQuery;  // the query a dump sent last
};

// The lines the received-data list shows after a sequence's own end line;
// none for a sequence that simply finished.
std::vector<std::string> SequenceOutcomeLines(const SequenceOutcome& outcome);

// Why a diagnostic dump stopped before its end ("no reply from the sensor at
// step 26 (V12?)", "cancelled", ...), for the comment line its file ends with
// and for the line the list shows; empty for a dump that finished.
std::string DumpIncompleteReason(const SequenceOutcome& outcome);

// What a front end shows of a long sequence: its start and end messages
// (WM_INIT_START, WM_START_SEQ, WM_ALS_DUMP, WM_PARAM_LOAD; wParam 1 starts
// it, 0 ends it, 2 ends it as failed), the progress window's title and the
// number of 500 ms ticks its bar expects.
struct SequenceProgress {
    const char* szStart;
    const char* szTitle;
    int nLimit;
    const char* szFinished;
    const char* szFailed;      // nullptr: every end is "finished"
    const char* szIncomplete;  // a dump cut short; nullptr for the loads
    bool bDeleteTempFile;      // the parameter upload's temporary file goes at the end
};

// The sequence a message starts and ends, or nullptr for any other message.
const SequenceProgress* SequenceProgressFor(uint32_t nMsg);
// The line for its end message's wParam.
const char* SequenceEndText(const SequenceProgress& seq, uintptr_t wParam);
// What a front end shows at the end message: that line, then how it ended
// when it did not simply finish. A dump cut short never ends on its
// "finished" line: its first line says it is incomplete and why.
std::vector<std::string> SequenceEndLines(const SequenceProgress& seq, uintptr_t wParam,
                                          const SequenceOutcome& outcome);

}  // namespace halyard
