#include "CHalyardApp.h"

#include <QCoreApplication>

#include "CAboutDlg.h"
#include "CDynamicTabCtrl.h"
#include "CHalyardView.h"
#include "CMainFrame.h"
#include "CQtPortMemory.h"
#include "ui/TextConvert.h"
#include "document/CHalyardDoc.h"
#include "pages/CPortSettings.h"
#include "platform/PortTable.h"
#include "sim/AppSimulator.h"

namespace halyard {

CHalyardApp::CHalyardApp() = default;

CHalyardApp::~CHalyardApp()
{
    // The document goes first: it stops its threads, which post to the frame.
    m_pDoc.reset();
    m_host.Attach(nullptr);
    m_pFrame.reset();
    CPortTable::Instance().SetMemory(nullptr);
    m_pSim.reset();
}

sim::CSimSensor* CHalyardApp::Simulator()
{
    return m_pSim ? &m_pSim->Sensor() : nullptr;
}

int CHalyardApp::SimulatedPort() const
{
    return m_pSim ? m_pSim->Port() : 0;
}

CHalyardView& CHalyardApp::View()
{
    return m_pFrame->View();
}

bool CHalyardApp::SetUpPorts(const AppOptions& options)
{
    // USB adapters keep their numbers in the settings, shared with the console.
    const PortSetUpReport report =
        CPortTable::Instance().SetUp(options.pins, std::make_shared<CQtPortMemory>());
    m_strError = FromFileSystemPath(report.strError.empty() ? report.strWarning : report.strError);
    if (!report.strError.empty())
        return false;
    if (!options.bSimulate)
        return true;
    m_pSim = sim::CAppSimulator::Start(options.strSimModel);
    if (!m_pSim) {
        m_strError = QString::fromLatin1(sim::SIM_START_FAILED_TEXT);
        return false;
    }
    return true;
}

bool CHalyardApp::InitInstance(const AppOptions& options)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Orvan"));
    QCoreApplication::setApplicationName(QStringLiteral("Halyard"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HALYARD_VERSION_STRING));
    if (!SetUpPorts(options))
        return false;

    m_pFrame = std::make_unique<CMainFrame>();
    m_host.Attach(m_pFrame.get());
    m_pDoc = std::make_unique<CHalyardDoc>(m_host);
    m_pFrame->SetDocument(m_pDoc.get());
    m_pFrame->View().SetDocument(m_pDoc.get());
    QObject::connect(m_pFrame.get(), &CMainFrame::aboutRequested, m_pFrame.get(), [this] { OnAppAbout(); });
    if (!m_pDoc->OnNewDocument()) {
        m_strError = QStringLiteral("The document could not be created.");
        return false;
    }
    m_pFrame->View().OnInitialUpdate();
    // Started with a simulated sensor: that is the port the user came for.
    if (m_pSim) {
        if (auto* pPorts = dynamic_cast<CPortSettings*>(&View().TabCtrl().Page(PageIndex::PortSettings)))
            pPorts->SelectPort(m_pSim->Port());
    }
    m_pFrame->show();
    return true;
}

void CHalyardApp::OnAppAbout()
{
    CAboutDlg dialog(m_pFrame.get());
    dialog.DoModal();
}

}  // namespace halyard
