// halyard: the service and configuration tool's main window.
#include <QApplication>

#include <cstdio>

#include "CHalyardApp.h"
#include "CommandLine.h"
#include "ui/TextConvert.h"
#include "ui/UiPrompts.h"

int main(int argc, char* argv[])
{
    // --help and --version answer without a display.
    std::vector<std::string> args(argv + 1, argv + argc);
    const halyard::AppOptions options = halyard::ParseCommandLine(args);
    if (!options.strError.empty()) {
        std::fprintf(stderr, "halyard: %s\n\n%s", options.strError.c_str(), halyard::UsageText().c_str());
        return 2;
    }
    if (options.bHelp) {
        std::fputs(halyard::UsageText().c_str(), stdout);
        return 0;
    }
    if (options.bVersion) {
        std::printf("Halyard %s\n", HALYARD_VERSION_STRING);
        return 0;
    }

    QApplication application(argc, argv);
    halyard::CHalyardApp app;
    // Started from a desktop there is no terminal to read: problems are shown too.
    const bool bStarted = app.InitInstance(options);
    if (!app.ErrorText().isEmpty()) {
        std::fprintf(stderr, "halyard: %s\n", app.ErrorText().toLocal8Bit().constData());
        halyard::CUiPrompts::MessageBox(nullptr, app.ErrorText(),
                                        halyard::MB_OK |
                                            (bStarted ? halyard::MB_ICONWARNING : halyard::MB_ICONERROR));
    }
    if (!bStarted)
        return 1;
    if (app.SimulatedPort() != 0)
        std::fprintf(stderr, "halyard: simulated sensor on COM%d\n", app.SimulatedPort());
    return QApplication::exec();
}
