// halyard-cli's dump, als-dump, load and als-load: the sequence run to its
// end, its progress shown, its end as the exit status.
#include <algorithm>
#include <cerrno>
#include <fstream>

#include "console/CConsoleSession.h"
#include "console/Commands.h"
#include "console/ProgressLine.h"
#include "document/Sequences.h"
#include "platform/SysError.h"

namespace halyard {

namespace {

Sequence SequenceOf(SequenceKind kind)
{
    switch (kind) {
    case SequenceKind::Dump:
        return Sequence::DumpAll;
    case SequenceKind::ALSDump:
        return Sequence::ALSDump;
    case SequenceKind::Load:
        return Sequence::NVRAMLoad;
    case SequenceKind::ALSLoad:
        break;
    }
    return Sequence::ALSNVRAMLoad;
}

// The progress as a bar redrawn in place on a terminal, else as a plain line
// every tenth.
void ShowProgress(const ProgressState& progress, CliContext& context, int& nTenthShown)
{
    if (context.bTerminal) {
        context.err << "\r" << ProgressBarLine(progress) << "\x1b[K" << std::flush;
    } else if (ProgressTenth(progress) != nTenthShown) {
        nTenthShown = ProgressTenth(progress);
        context.err << ProgressPlainLine(progress) << std::endl;
    }
}

void StartSequence(CHalyardDoc& doc, SequenceKind kind, const std::string& strFile)
{
    switch (kind) {
    case SequenceKind::Dump:
        doc.DumpAll(strFile);
        break;
    case SequenceKind::ALSDump:
        doc.DumpALS(strFile);
        break;
    case SequenceKind::Load:
        doc.LoadNVRAM(strFile);
        break;
    case SequenceKind::ALSLoad:
        doc.LoadALSNVRAM(strFile);
        break;
    }
}

}  // namespace

int SequenceExitStatus(const SequenceOutcome& outcome, uintptr_t wEnd)
{
    switch (outcome.nEnd) {
    case SEQ_NO_REPLY:
        return EXIT_NO_REPLY;
    case SEQ_FILE_ERROR:
        return EXIT_FILE;
    case SEQ_DONE:
        return wEnd == 2 ? EXIT_FAILED : EXIT_DONE;
    default:
        return EXIT_FAILED;
    }
}

int RunSequence(const CommonOptions& options, SequenceKind kind, const std::string& strFile, CliContext& context)
{
    CConsoleSession session(options, context.out, context.err);
    session.WatchSignals(context.nSignalFd, context.takeSignal);
    // A settings file that cannot be read is said before the sensor is woken.
    const bool bLoad = kind == SequenceKind::Load || kind == SequenceKind::ALSLoad;
    if (bLoad && !std::ifstream(strFile)) {
        session.Warn(strFile + ": " + SystemErrorText(static_cast<uint32_t>(errno)));
        return EXIT_FILE;
    }
    if (const int nExit = session.OpenConnection(); nExit != EXIT_DONE)
        return nExit;

    CHalyardDoc& doc = session.Doc();
    // The bar's length is the sequence's: its last step when its steps are
    // known, else the ticks its progress window expects.
    const SequenceTable& table = SequenceTableOf(SequenceOf(kind));
    ProgressState progress{table.pProgress->szTitle, 0, table.pProgress->nLimit, 0,
                           table.bStepsKnown ? LastStep(table) : 0};
    int nTenthShown = -1;
    bool bEnded = false;
    uintptr_t wEnd = 0;
    session.m_hooks.onSequenceTick = [&] {
        progress.nTicks = std::min(progress.nTicks + 1, progress.nLimit);
        progress.nStep = doc.GetSeqStep();
        if (!options.bQuiet)
            ShowProgress(progress, context, nTenthShown);
    };
    session.m_hooks.onSequenceEnd = [&](uintptr_t wParam) {
        if (context.bTerminal && !options.bQuiet)
            context.err << "\n";
        bEnded = true;
        wEnd = wParam;
    };

    StartSequence(doc, kind, strFile);
    // A refused start (a message box said why) runs nothing.
    if (!doc.SequenceRunning()) {
        session.Loop().RunOnce(0);
        if (!bEnded)
            return doc.GetSeqOutcome().nEnd == SEQ_FILE_ERROR ? EXIT_FILE : EXIT_FAILED;
    }
    while (!bEnded) {
        session.Loop().RunUntil([&] { return bEnded; }, std::chrono::hours(1));
        // SIGINT or SIGTERM: as the progress window's Cancel.
        if (!bEnded && session.m_nSignal != 0 && doc.SequenceRunning()) {
            session.Loop().ResetQuit();
            doc.CancelSequence();
            session.Loop().RunUntil([&] { return bEnded; }, std::chrono::seconds(5));
            break;
        }
    }
    const int nExit = SequenceExitStatus(doc.GetSeqOutcome(), wEnd);
    session.CloseConnection();
    return nExit;
}

}  // namespace halyard
