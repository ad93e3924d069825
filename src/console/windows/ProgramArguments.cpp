#include "console/ProgramArguments.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "platform/windows/WideText.h"

namespace halyard {

namespace {

struct LocalFreer {
    void operator()(LPWSTR* p) const { ::LocalFree(p); }
};

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    ::SetConsoleOutputCP(CP_UTF8);
    int nCount = 0;
    const std::unique_ptr<LPWSTR, LocalFreer> pArgs(::CommandLineToArgvW(::GetCommandLineW(), &nCount));
    if (!pArgs)
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::vector<std::string> args;
    for (int n = 1; n < nCount; ++n)
        args.push_back(Utf8Text(pArgs.get()[n]));
    return args;
}

}  // namespace halyard
