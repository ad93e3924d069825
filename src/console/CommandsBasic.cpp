// halyard-cli's ports, identify and send.
#include <chrono>
#include <cstdio>
#include <exception>

#include "console/CConsoleSession.h"
#include "console/Commands.h"
#include "document/CConnectLogic.h"
#include "platform/PortTable.h"

namespace halyard {

namespace {

std::string TrimLineEnd(std::string strLine)
{
    while (!strLine.empty() && (strLine.back() == ' ' || strLine.back() == '\r' || strLine.back() == '\n'))
        strLine.pop_back();
    return strLine;
}

}  // namespace

int RunCatchingEscapes(std::ostream& err, const std::function<int()>& run)
{
    try {
        return run();
    } catch (const std::exception& e) {
        err << "halyard-cli: " << e.what() << std::endl;
    } catch (...) {
        err << "halyard-cli: the program failed for a reason it cannot name" << std::endl;
    }
    return EXIT_FAILED;
}

int RunPorts(const CommonOptions& options, CliContext& context)
{
    CConsoleSession session(options, context.out, context.err);
    if (!session.SetUpPorts())
        return EXIT_FAILED;
    if (!options.strPort.empty() && session.ChoosePort() == 0)
        return EXIT_PORT;
    for (const PortEntry& entry : CPortTable::Instance().Ports()) {
        context.out << "COM" << entry.nPort << "\t" << entry.strDevice << "\t"
                    << (entry.strById.empty() ? "-" : entry.strById) << "\t" << entry.strDescription << "\n";
    }
    context.out.flush();
    return EXIT_DONE;
}

int RunIdentify(const CommonOptions& options, CliContext& context)
{
    CConsoleSession session(options, context.out, context.err);
    session.WatchSignals(context.nSignalFd, context.takeSignal);
    if (!session.SetUpPorts())
        return EXIT_FAILED;
    const int nPort = session.ChoosePort();
    if (nPort == 0)
        return EXIT_PORT;
    CConnectLogic logic;
    logic.SetUp(nPort, options.dwBaud, options.bRS485, static_cast<uint16_t>(options.nAddress));
    session.Host().RunConnectDialog(logic);
    if (logic.PortFailed() && !logic.IsIdentified()) {
        session.WarnPortFailed(logic.PortError());
        return EXIT_PORT;
    }
    if (!logic.IsIdentified()) {
        session.Warn("No sensor answered on COM" + std::to_string(nPort));
        return EXIT_NO_REPLY;
    }
    char szCode[16];
    std::snprintf(szCode, sizeof(szCode), "%05d", logic.ModelNumber());
    context.out << logic.ModelName() << "\t" << szCode << "\n";
    context.out.flush();
    return EXIT_DONE;
}

int RunSend(const CommonOptions& options, const std::vector<std::string>& commands, int nWaitSeconds,
            CliContext& context)
{
    CConsoleSession session(options, context.out, context.err);
    session.WatchSignals(context.nSignalFd, context.takeSignal);
    if (const int nExit = session.OpenConnection(); nExit != EXIT_DONE)
        return nExit;

    // A command counts as answered once a line came after it went out.
    bool bSent = false;
    bool bAnswered = false;
    auto lastLine = std::chrono::steady_clock::now();
    session.m_hooks.onCommand = [&](const std::string&) { bSent = true; };
    session.m_hooks.onLine = [&](const std::string& strLine) {
        context.out << TrimLineEnd(strLine) << "\n";
        context.out.flush();
        bAnswered = bAnswered || bSent;
        lastLine = std::chrono::steady_clock::now();
    };
    const std::chrono::seconds wait(nWaitSeconds);
    int nUnanswered = 0;
    for (const std::string& strCommand : commands) {
        bSent = bAnswered = false;
        if (!session.Doc().SendCommand(strCommand, true)) {
            session.Warn("\"" + strCommand + "\" could not be sent (empty, or longer than a command can be)");
            ++nUnanswered;
            continue;
        }
        if (!session.Loop().RunUntil([&] { return bAnswered; }, wait)) {
            if (session.m_nSignal != 0)
                break;
            session.Warn("no reply to \"" + strCommand + "\" within " + std::to_string(nWaitSeconds) + " s");
            ++nUnanswered;
        }
    }
    // The rest of a reply of several lines: until the line stays quiet a moment.
    const auto quiet = std::chrono::milliseconds(300);
    session.Loop().RunUntil([&] { return std::chrono::steady_clock::now() - lastLine >= quiet; }, wait);
    session.CloseConnection();
    if (session.m_nSignal != 0)
        return EXIT_FAILED;
    return nUnanswered == 0 ? EXIT_DONE : EXIT_NO_REPLY;
}

}  // namespace halyard
