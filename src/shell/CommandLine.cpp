#include "CommandLine.h"

#include "sim/SimSensor.h"

namespace halyard {

AppOptions ParseCommandLine(const std::vector<std::string>& args)
{
    AppOptions options;
    for (size_t i = 0; i < args.size() && options.strError.empty(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.bHelp = true;
        } else if (arg == "--version") {
            options.bVersion = true;
        } else if (arg == "--simulate") {
            options.bSimulate = true;
        } else if (arg.rfind("--simulate=", 0) == 0) {
            options.bSimulate = true;
            options.strSimModel = arg.substr(11);
            if (sim::ModelCode(options.strSimModel) < 0)
                options.strError = "unknown sensor model for --simulate: " + options.strSimModel;
        } else if (arg == "--port") {
            if (i + 1 >= args.size())
                options.strError = "--port needs COMn=PATH";
            else
                options.pins.push_back(args[++i]);
        } else if (arg.rfind("--port=", 0) == 0) {
            options.pins.push_back(arg.substr(7));
        } else if (arg.rfind("--", 0) == 0) {
            // Single-dash options are Qt's own (-platform, -style, ...).
            options.strError = "unknown option: " + arg;
        }
    }
    return options;
}

std::string UsageText()
{
    return "Usage: halyard [options]\n"
           "Service and configuration tool for visibility and present-weather sensors.\n\n"
           "  --simulate[=MODEL]  start a simulated sensor inside the program and list it\n"
           "                      as the next free COM port (MODEL as \"JM?\" names it,\n"
           "                      e.g. ZRT-630, PQD-025, LMW-40; default ZRT-630)\n"
           "  --port COMn=PATH    use device PATH as port COMn (repeatable); the\n"
           "                      environment variable HALYARD_PORTS takes the same\n"
           "                      entries, comma-separated\n"
           "  --help              show this text\n"
           "  --version           show the program's version\n";
}

}  // namespace halyard
