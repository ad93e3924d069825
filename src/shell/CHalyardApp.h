#pragma once
// CHalyardApp: starts the program. In this order: the settings names
// (organisation "Orvan", application "Halyard"), the port table (user pins
// from HALYARD_PORTS and --port, the devices present with the numbers their
// adapters have in the settings, a simulated sensor for --simulate), then the
// document, the frame with its view, the view's initial update and the window
// shown. It owns them all and tears them down in the reverse order: the
// document first (it stops its threads and closes its port), then the
// windows, then the simulated sensor. UI thread only; the QApplication is the
// caller's.

#include <QString>

#include <memory>

#include "CQtDocHost.h"
#include "CommandLine.h"

namespace halyard {

namespace sim {
class CAppSimulator;
class CSimSensor;
}
class CHalyardDoc;
class CHalyardView;
class CMainFrame;

class CHalyardApp {
public:
    CHalyardApp();
    ~CHalyardApp();
    CHalyardApp(const CHalyardApp&) = delete;
    CHalyardApp& operator=(const CHalyardApp&) = delete;

    // False (with ErrorText()) when the program cannot start.
    bool InitInstance(const AppOptions& options);
    void OnAppAbout();

    const QString& ErrorText() const { return m_strError; }
    CHalyardDoc& Doc() { return *m_pDoc; }
    CMainFrame& Frame() { return *m_pFrame; }
    CHalyardView& View();
    // The simulated sensor and its port number, when --simulate started one.
    sim::CSimSensor* Simulator();
    int SimulatedPort() const;

private:
    bool SetUpPorts(const AppOptions& options);

    QString m_strError;
    std::unique_ptr<sim::CAppSimulator> m_pSim;
    CQtDocHost m_host;
    std::unique_ptr<CMainFrame> m_pFrame;
    std::unique_ptr<CHalyardDoc> m_pDoc;
};

}  // namespace halyard
