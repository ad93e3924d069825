// halyard-sim: runs one simulated sensor on a pseudo-terminal and prints the
// terminal's device path, so that halyard or any serial program (picocom, ...)
// can talk to it. Runs until SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "CommandTable.h"
#include "SimSensor.h"

namespace {

void PrintUsage(std::FILE* pFile)
{
    std::fputs("Usage: halyard-sim [options]\n"
               "Runs a simulated sensor on a pseudo-terminal and prints its device path.\n\n"
               "  --model NAME        model: LMW-40, PQD-015, PQD-025, PQD-035, PQD-045, KV-310,\n"
               "                      ZRT-610, ZRT-630 (default), ZRT-650, or \"NOT SET\"\n"
               "  --address N         RS485 address, 0-99 (default 0)\n"
               "  --rs485             answer only addressed lines for this address\n"
               "  --data-period MS    period of automatic data messages (default 10000)\n"
               "  --auto              start with automatic data output on\n"
               "  --startup           send \"Sensor Startup\" when started\n"
               "  --help              show this text\n\n"
               "Talk to it with any serial program, e.g. picocom --echo PATH; a command ends\n"
               "with CR or LF. Stop it with Ctrl-C or SIGTERM.\n",
               pFile);
}

// Takes the value of an option given as "--name VALUE" or "--name=VALUE".
bool OptionValue(std::string_view strArg, std::string_view strName, int& nIndex, int argc, char** argv,
                 std::string& strValue)
{
    if (strArg == strName) {
        if (nIndex + 1 >= argc)
            return false;
        strValue = argv[++nIndex];
        return true;
    }
    if (strArg.size() > strName.size() && strArg.substr(0, strName.size()) == strName &&
        strArg[strName.size()] == '=') {
        strValue = std::string(strArg.substr(strName.size() + 1));
        return true;
    }
    return false;
}

enum class ParseResult { Run, Help, Error };

ParseResult ParseArguments(int argc, char** argv, halyard::sim::SimOptions& options)
{
    using halyard::sim::ParseInt;
    for (int n = 1; n < argc; ++n) {
        const std::string_view strArg = argv[n];
        std::string strValue;
        if (strArg == "--help" || strArg == "-h")
            return ParseResult::Help;
        if (strArg == "--rs485") {
            options.bRS485 = true;
        } else if (strArg == "--startup") {
            options.bStartupMessage = true;
        } else if (strArg == "--auto") {
            options.wOpState |= 0x0001;
        } else if (OptionValue(strArg, "--model", n, argc, argv, strValue)) {
            options.strModel = strValue;
        } else if (OptionValue(strArg, "--address", n, argc, argv, strValue)) {
            if (!ParseInt(strValue, options.nAddress) || options.nAddress < 0 || options.nAddress > 99) {
                std::fprintf(stderr, "halyard-sim: the address must be a number from 0 to 99\n");
                return ParseResult::Error;
            }
        } else if (OptionValue(strArg, "--data-period", n, argc, argv, strValue)) {
            if (!ParseInt(strValue, options.nDataPeriodMs) || options.nDataPeriodMs < 1) {
                std::fprintf(stderr,
                             "halyard-sim: the data period must be a positive number of milliseconds\n");
                return ParseResult::Error;
            }
        } else {
            std::fprintf(stderr, "halyard-sim: unknown or incomplete option '%s'\n", argv[n]);
            return ParseResult::Error;
        }
    }
    if (halyard::sim::ModelCode(options.strModel) < 0 && options.strModel != "NOT SET") {
        std::fprintf(stderr, "halyard-sim: unknown model '%s'\n", options.strModel.c_str());
        return ParseResult::Error;
    }
    return ParseResult::Run;
}

}  // namespace

int main(int argc, char** argv)
{
    halyard::sim::SimOptions options;
    switch (ParseArguments(argc, argv, options)) {
    case ParseResult::Help:
        PrintUsage(stdout);
        return EXIT_SUCCESS;
    case ParseResult::Error:
        PrintUsage(stderr);
        return EXIT_FAILURE;
    case ParseResult::Run:
        break;
    }

    // Block the stop signals before the sensor thread starts, so that only
    // sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    halyard::sim::CSimSensor sensor(options);
    if (!sensor.Start()) {
        std::perror("halyard-sim: cannot create the pseudo-terminal");
        return EXIT_FAILURE;
    }
    std::printf("%s\n", sensor.DevicePath().c_str());
    std::fflush(stdout);

    int nSignal = 0;
    sigwait(&stopSignals, &nSignal);
    sensor.Stop();
    return EXIT_SUCCESS;
}
