#pragma once
// The subcommands of halyard-cli. Each returns the program's exit status
// (CliExit). The context carries what a test replaces: the streams, the
// signal source and the device watch for a port that vanished.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "console/CliOptions.h"
#include "platform/NativeHandle.h"

namespace halyard {

class IDeviceWatch;

struct CliContext {
    CliContext(std::ostream& outStream, std::ostream& errStream)
        : out(outStream)
        , err(errStream)
    {}
    std::ostream& out;
    std::ostream& err;
    // A handle ready at SIGINT or SIGTERM (Ctrl-C, Ctrl-Break) and how to
    // read which one came (0: none); kNoHandle when there is none.
    NativeHandle nSignalFd = kNoHandle;
    std::function<int()> takeSignal;
    // Tells when a vanished port is back; none: wait for a signal only.
    IDeviceWatch* pDeviceWatch = nullptr;
    // The error stream is a terminal: progress as a bar redrawn in place.
    bool bTerminal = false;
};

// Runs run() and gives its exit status. Whatever run() lets escape ends the
// program as a failure, not an abort: "halyard-cli: <what>" on err and
// EXIT_FAILED, after the objects of the run were destroyed (a connection
// still open is closed).
int RunCatchingEscapes(std::ostream& err, const std::function<int()>& run);

int RunPorts(const CommonOptions& options, CliContext& context);
int RunIdentify(const CommonOptions& options, CliContext& context);
int RunSend(const CommonOptions& options, const std::vector<std::string>& commands, int nWaitSeconds,
            CliContext& context);
int RunLog(const CommonOptions& options, const LogOptions& log, CliContext& context);
// The data messages of a log file as CSV; no sensor is needed.
int RunExport(const ExportOptions& exportOptions, CliContext& context);

enum class SequenceKind { Dump, ALSDump, Load, ALSLoad };
// The exit status for how a sequence ended (its outcome and the wParam of its
// end message).
struct SequenceOutcome;
int SequenceExitStatus(const SequenceOutcome& outcome, uintptr_t wEnd);
int RunSequence(const CommonOptions& options, SequenceKind kind, const std::string& strFile,
                CliContext& context);

}  // namespace halyard
