// halyard-cli: the sensor tool without a window, for stations and scripts.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <set>

#include "console/CSignalWatch.h"
#include "console/CStationLink.h"
#include "console/CollectCommand.h"
#include "console/Commands.h"
#include "console/ProgramArguments.h"
#include "document/DataFields.h"
#include "platform/IDeviceWatch.h"
#include "sim/SimSensor.h"

using namespace halyard;

namespace {

// "--simulate" alone means the default model; a model is given as
// "--simulate=MODEL", never as the next word (which may be the subcommand).
std::vector<std::string> Arguments(int argc, char** argv)
{
    std::vector<std::string> args;
    for (const std::string& strArg : ProgramArguments(argc, argv))
        args.push_back(strArg == "--simulate" ? "--simulate=ZRT-630" : strArg);
    std::reverse(args.begin(), args.end());
    return args;  // CLI11 takes them in reverse
}

void AddCommonOptions(CLI::App& app, CommonOptions& options)
{
    static const std::set<uint32_t> kBauds = {1200, 2400, 4800, 9600, 19200, 38400, 57600};
    app.add_option("--port", options.strPort,
                   "the port: COMn from the port table, a device path, or COMn=PATH to give a device a number");
    app.add_option("--baud", options.dwBaud, "baud rate (1200 to 57600, default 9600)")
        ->check(CLI::IsMember(kBauds));
    app.add_flag("--rs485", options.bRS485, "frame commands for an addressed RS485 bus");
    app.add_option("--address", options.nAddress, "the sensor's RS485 address (0-99, default 0)")
        ->check(CLI::Range(0, 99));
    app.add_option("--simulate", options.strSimulate,
                   "start a simulated sensor inside the program and use it: --simulate or --simulate=MODEL "
                   "(ZRT-630, PQD-025, LMW-40, ...)")
        ->check([](const std::string& strModel) {
            return sim::ModelCode(strModel) < 0 ? "unknown sensor model: " + strModel : std::string();
        });
    app.add_flag("-q,--quiet", options.bQuiet, "no status or progress lines on the error stream");
}

// What the subcommands take besides the common options.
struct SubcommandArgs {
    std::vector<std::string> commands;  // send
    int nWait = 5;
    LogOptions log;
    std::string strFile;  // dump, als-dump, load, als-load
    ExportOptions exportOptions;
    CollectOptions collect;
};

struct Subcommands {
    CLI::App* pPorts;
    CLI::App* pIdentify;
    CLI::App* pSend;
    CLI::App* pLog;
    CLI::App* pDump;
    CLI::App* pALSDump;
    CLI::App* pLoad;
    CLI::App* pALSLoad;
    CLI::App* pExport;
    CLI::App* pCollect;  // nullptr in a build without MQTT
};

CLI::App* AddLogCommand(CLI::App& app, LogOptions& log)
{
    auto* pLog = app.add_subcommand("log", "log every received line to FILE until SIGINT or SIGTERM");
    pLog->add_option("FILE", log.strFile, "the log file, by that very name; an existing one is appended to")
        ->required();
    pLog->add_flag("--overwrite", log.bOverwrite, "empty an existing FILE first instead of appending to it");
    pLog->add_option("--daily", log.strDaily, "start a new file every day at HH:MM")
        ->check([](const std::string& strText) {
            int nHour = 0;
            int nMinute = 0;
            return ParseDailyTime(strText, nHour, nMinute) ? std::string() : "expected HH:MM";
        });
    pLog->add_option("--prefix", log.strPrefix, "how the daily files' names begin (default LogFile)");
    pLog->add_flag("--no-stamp", log.bNoStamp, "no date and time after each record");
    pLog->add_flag("--no-auto-r", log.bNoAutoR, "no automatic R? after a data message");
    pLog->add_flag("--reset-at-start", log.bResetAtStart,
                   "send AC (reset the sensor's accumulation) first; the file is kept");
    pLog->add_flag("--capture-at-end", log.bCaptureAtEnd, "send A? when logging stops");
    auto* pPoll = pLog->add_option("--poll", log.strPoll, "send this command every --every seconds");
    pLog->add_option("--every", log.nEvery, "seconds between polls (1-600, default 10)")
        ->check(CLI::Range(1, 600))
        ->needs(pPoll);
    AddStationOptions(*pLog, log.station);
    return pLog;
}

CLI::App* AddExportCommand(CLI::App& app, ExportOptions& exportOptions)
{
    auto* pExport = app.add_subcommand("export", "write the data messages of a log FILE as CSV: their time and the "
                                                 "fields asked for");
    pExport->add_option("FILE", exportOptions.strLog, "a log file written by halyard or halyard-cli log")->required();
    pExport
        ->add_option_function<std::string>(
            "--fields",
            [&exportOptions](const std::string& strList) { exportOptions.fields = *ParseFieldList(strList); },
            "the fields, e.g. 3,4: a data message's tokens (cut at blanks and commas) counted from 1")
        ->required()
        ->check([](const std::string& strList) {
            return ParseFieldList(strList) ? std::string() : "expected field numbers from 1, e.g. 3,4";
        });
    pExport->add_option("-o,--output", exportOptions.strOutput, "the CSV file to write (default: the standard output)");
    return pExport;
}

Subcommands AddSubcommands(CLI::App& app, SubcommandArgs& args)
{
    Subcommands sub{};
    sub.pPorts = app.add_subcommand("ports", "list the serial ports: COMn, device, by-id name, description");
    sub.pIdentify = app.add_subcommand("identify", "wake the sensor, ask its model and print its name and code");

    sub.pSend = app.add_subcommand("send", "send commands and print the lines received until each is answered");
    sub.pSend->add_option("CMD", args.commands, "a command, e.g. R? (CR LF is added)")->required();
    sub.pSend->add_option("--wait", args.nWait, "seconds to wait for each reply (default 5)")
        ->check(CLI::Range(1, 600));

    sub.pLog = AddLogCommand(app, args.log);

    sub.pDump = app.add_subcommand("dump", "save the sensor's full diagnostic dump into a text file");
    sub.pALSDump = app.add_subcommand("als-dump", "save the ambient light sensor's diagnostic dump");
    sub.pLoad = app.add_subcommand("load", "load an NVRAM settings file (.NVM) into the sensor");
    sub.pALSLoad = app.add_subcommand("als-load", "load an ALS NVRAM settings file into the sensor");
    for (CLI::App* pSub : {sub.pDump, sub.pALSDump})
        pSub->add_option("FILE", args.strFile, "the text file to write")->required();
    for (CLI::App* pSub : {sub.pLoad, sub.pALSLoad})
        pSub->add_option("FILE", args.strFile, "the settings file to load")->required()->check(CLI::ExistingFile);
    sub.pExport = AddExportCommand(app, args.exportOptions);
    sub.pCollect = AddCollectCommand(app, args.collect);
    for (CLI::App* pSub : {sub.pPorts, sub.pIdentify, sub.pSend, sub.pLog, sub.pDump, sub.pALSDump, sub.pLoad,
                           sub.pALSLoad})
        pSub->fallthrough();
    return sub;
}

int RunSubcommand(const Subcommands& sub, const CommonOptions& options, const SubcommandArgs& args,
                  CliContext& context)
{
    if (sub.pExport->parsed())
        return RunExport(args.exportOptions, context);
    if (sub.pCollect != nullptr && sub.pCollect->parsed())
        return RunCollect(args.collect, context);
    if (sub.pPorts->parsed())
        return RunPorts(options, context);
    if (sub.pIdentify->parsed())
        return RunIdentify(options, context);
    if (sub.pSend->parsed())
        return RunSend(options, args.commands, args.nWait, context);
    if (sub.pLog->parsed())
        return RunLog(options, args.log, context);
    if (sub.pDump->parsed())
        return RunSequence(options, SequenceKind::Dump, args.strFile, context);
    if (sub.pALSDump->parsed())
        return RunSequence(options, SequenceKind::ALSDump, args.strFile, context);
    if (sub.pLoad->parsed())
        return RunSequence(options, SequenceKind::Load, args.strFile, context);
    return RunSequence(options, SequenceKind::ALSLoad, args.strFile, context);
}

int RunCommandLine(int argc, char** argv)
{
    // Before any thread starts: SIGINT and SIGTERM are read by the loop.
    CSignalWatch signals;
    CliContext context{std::cout, std::cerr};
    context.nSignalFd = signals.Fd();
    context.takeSignal = [&signals] { return signals.Take(); };
    context.bTerminal = ::isatty(STDERR_FILENO) == 1;
    // Tells when a pulled adapter is back; without it a log ends when its port goes.
    const std::unique_ptr<IDeviceWatch> pDeviceWatch = CreateDeviceWatch();
    context.pDeviceWatch = pDeviceWatch.get();

    CLI::App app{"Service tool for visibility and present-weather sensors, without a window.\n"
                 "Exit status: 0 done, 1 failed, 2 command line, 3 port, 4 no reply, 5 file.",
                 "halyard-cli"};
    app.set_version_flag("--version", HALYARD_VERSION_STRING);
    app.require_subcommand(1);
    // Options are "--name" on every system: a path such as /data/x.NVM is a
    // file, never a Windows-style "/option".
    app.allow_windows_style_options(false);
    CommonOptions options;
    options.bRememberPorts = true;
    AddCommonOptions(app, options);
    SubcommandArgs args;
    const Subcommands sub = AddSubcommands(app, args);

    try {
        std::vector<std::string> argList = Arguments(argc, argv);
        app.parse(argList);
    } catch (const CLI::ParseError& e) {
        const int nExit = app.exit(e);
        return nExit == 0 ? EXIT_DONE : EXIT_USAGE;
    }
    if (options.nAddress != 0 && !options.bRS485)
        options.bRS485 = true;
    return RunSubcommand(sub, options, args, context);
}

}  // namespace

int main(int argc, char** argv)
{
    return RunCatchingEscapes(std::cerr, [argc, argv] { return RunCommandLine(argc, argv); });
}
