#pragma once
// The program's arguments as UTF-8, the form every text and path takes in
// the program: argv itself on Linux; on Windows the system's UTF-16 command
// line, converted (argv there is in the ANSI code page, which cannot hold
// every file name), and the console is told to show UTF-8 from then on.
// ProgramArguments.cpp in the system's folder.

#include <string>
#include <vector>

namespace halyard {

// Every argument after the program's name, in order.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace halyard
