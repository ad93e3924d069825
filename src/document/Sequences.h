#pragma once
// What the long sequences (NVRAM loads, diagnostic dumps, the parameter
// upload) share besides the document's members: their steps, one table per
// sequence, what a front end shows of their progress, and how a sequence
// ended, told to the user as lines of the received-data list. Pure data and
// functions, any front end.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace halyard {

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

// The sequences, one table each. A row is a step, or a run of steps alike,
// under the number the program gives it: what it sends, what the sensor's
// reply does, and how long it may wait for it. The document runs the rows
// (timer 8 paces them, one step per reply); the front ends take their
// progress from the same tables.

enum class Sequence { None, NVRAMLoad, ALSNVRAMLoad, DumpAll, ALSDump, ParamLoad };

// What a step sends, and so what its reply does.
enum class StepSends {
    Query,         // the command; the reply is recorded under it (a load: any reply moves on)
    ReadOpState,   // the command; its reply, binary or five decimal digits, is the operating state
    ReadOptions,   // the command; its reply is the options word
    Variable,      // the command's form with the step's variable; the reply goes on one line with it
    PolledOutput,  // "OS" + the state read, polled output
    WriteEnable,   // "OS" + the state read, polled output and NVRAM writing enabled
    AutoOutput,    // "OS" + the state read, automatic output calculated at each period's end
    RestoreState,  // "OS" + the state read, unchanged
    FileLine,      // the file's next command line
    Nothing,       // nothing
    TimedWait,     // nothing: waits for a data message, at most nWait seconds
    End,           // the sequence ends
};

// What the sensor's silence does once the step has waited nWait ticks of 500 ms.
enum class Silence {
    GivesUp,   // the sequence ends: no reply from the sensor
    NotSet,    // the record says "SERIAL NUMBER NOT SET" and the next step follows
    Resends,   // the command goes out again on every silent tick; gives up after nWait of them
    WaitsOn,   // no limit: a load waits for its reply (Cancel ends it)
    NextLine,  // the next line goes out
};

struct SequenceStep {
    int nFirst;  // the step's number, or the first of a run
    int nLast;   // the last of the run
    StepSends sends;
    const char* szCommand;  // the command, a variable's with %d; nullptr when computed
    int nVarBase;           // the variable the run's first step asks for (Nothing: the index it leaves)
    bool bAwaitData;        // after it, the sensor's automatic output is awaited
    Silence silence;
    int nWait;
};

struct SequenceTable {
    Sequence sequence;
    uint32_t nMsg;  // its start and end message (wParam 1 starts it, 0 ends it, 2 as failed)
    intptr_t lParam;
    std::span<const SequenceStep> steps;
    bool bStepsKnown;  // its last step is its length (a load's depends on its file)
    const SequenceProgress* pProgress;
};

const SequenceTable& SequenceTableOf(Sequence sequence);
// The row of step nStep; a step past the last row is the last row.
const SequenceStep& StepAt(const SequenceTable& table, int nStep);
// The number of the table's last step.
int LastStep(const SequenceTable& table);
// The step numbers a run of rows of one kind covers, e.g. a load's file lines.
int StepsSending(const SequenceTable& table, StepSends sends);

// The ALS dump waits so many ticks for the data message its last queries ask for.
constexpr int ALS_DATA_WAIT_TICKS = 5;

// Command lines sent at most by an NVRAM load and by an ALS NVRAM load: the
// file-line steps of their tables.
constexpr int NVRAM_LOAD_LINES = 996;
constexpr int ALS_NVRAM_LOAD_LINES = 998;

// The progress of the sequence a message starts and ends (the NVRAM loads
// share theirs), or nullptr for any other message.
const SequenceProgress* SequenceProgressFor(uint32_t nMsg);
// The line for its end message's wParam.
const char* SequenceEndText(const SequenceProgress& seq, uintptr_t wParam);
// What a front end shows at the end message: that line, then how it ended
// when it did not simply finish. A dump cut short never ends on its
// "finished" line: its first line says it is incomplete and why.
std::vector<std::string> SequenceEndLines(const SequenceProgress& seq, uintptr_t wParam,
                                          const SequenceOutcome& outcome);

}  // namespace halyard
