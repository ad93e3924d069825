#pragma once
// The program's command line: --simulate[=MODEL], --port COMn=PATH
// (repeatable), --help, --version. Parsed into a plain struct by a free
// function, so that tests check it without starting anything.

#include <string>
#include <vector>

namespace halyard {

struct AppOptions {
    bool bSimulate = false;
    std::string strSimModel = "ZRT-630";
    std::vector<std::string> pins;  // "COM5=/dev/ttyUSB0"
    bool bHelp = false;
    bool bVersion = false;
    std::string strError;  // not empty: the command line was refused
};

// args without the program name.
AppOptions ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();

}  // namespace halyard
