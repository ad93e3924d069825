#include "CDynamicTabCtrl.h"

#include <QFrame>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QTabBar>

#include "ui/CDocDialog.h"
#include "ui/DialogUnits.h"
#include "pages/CALSTerminal.h"
#include "pages/CDataCapture.h"
#include "pages/CDataPlotPage.h"
#include "pages/CPortSettings.h"
#include "pages/CSensorSettings.h"
#include "pages/CTempCalibPage.h"
#include "pages/CTerminalWindow.h"
#include "pages/CTestProtocolPage.h"
#include "resources/Resource.h"

namespace halyard {

CDynamicTabCtrl::CDynamicTabCtrl(QWidget* pParent)
    : QWidget(pParent)
    , m_pTabBar(new QTabBar(this))
    , m_pDisplay(new QFrame(this))
    , m_nDlgIDs{IDD_PORT_SETTINGS, IDD_TERMINAL,     IDD_DATA_CAPTURE, IDD_SENSOR_SETTINGS,
                IDD_TEST_PROTOCOL, IDD_ALS_TERMINAL, IDD_TEMP_CALIB,   IDD_DATA_PLOT}
{
    SetControlId(this, IDC_TAB1, "tabCtrl");
    m_pTabBar->setObjectName(QStringLiteral("tabBar"));
    m_pTabBar->setExpanding(false);
    m_pTabBar->setDrawBase(false);
    m_pDisplay->setObjectName(QStringLiteral("tabDisplay"));
    m_pDisplay->setFrameShape(QFrame::StyledPanel);
    m_pDisplay->setFrameShadow(QFrame::Raised);
    m_pDisplay->setAutoFillBackground(true);
    connect(m_pTabBar, &QTabBar::currentChanged, this, [this](int) {
        if (!m_bProgrammatic)
            emit selChange();
    });

    m_pPages = {std::make_unique<CPortSettings>(m_pDisplay),   std::make_unique<CTerminalWindow>(m_pDisplay),
                std::make_unique<CDataCapture>(m_pDisplay),    std::make_unique<CSensorSettings>(m_pDisplay),
                std::make_unique<CTestProtocolPage>(m_pDisplay), std::make_unique<CALSTerminal>(m_pDisplay),
                std::make_unique<CTempCalibPage>(m_pDisplay),  std::make_unique<CDataPlotPage>(m_pDisplay)};
}

// The pages go from the last index down to the first (the array's members are destroyed last first),
// before the display frame that is their Qt parent.
CDynamicTabCtrl::~CDynamicTabCtrl() = default;

void CDynamicTabCtrl::InitDialogs(CHalyardDoc* pDoc, const std::function<void(const QString&)>& report)
{
    for (auto& pPage : m_pPages)
        pPage->OnInitDialog();
    // The document comes after every page has been created: a page must not
    // use it while it initialises.
    for (auto& pPage : m_pPages) {
        pPage->SetDoc(pDoc);
        pPage->SetReporter(report);
    }
}

void CDynamicTabCtrl::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    const int nBar = m_pTabBar->sizeHint().height();
    m_pTabBar->setGeometry(0, 0, width(), nBar);
    m_pDisplay->setGeometry(0, nBar - 1, width(), height() - nBar + 1);
    const QRect rcPage = m_pDisplay->contentsRect().adjusted(1, 1, -1, -1);
    for (auto& pPage : m_pPages)
        pPage->setGeometry(rcPage);
}

void CDynamicTabCtrl::ActivateTabDialogs(int nTab)
{
    const int i = nTab == -1 ? GetCurSel() : nTab;
    if (i < 0 || i >= m_nPageCount)
        return;
    const QRect rcPage = m_pDisplay->contentsRect().adjusted(1, 1, -1, -1);
    for (auto& pPage : m_pPages) {
        pPage->setGeometry(rcPage);
        pPage->hide();
    }
    m_pPages[static_cast<size_t>(i)]->raise();
    m_pPages[static_cast<size_t>(i)]->show();
    m_pPages[static_cast<size_t>(i)]->UpdateDataFromDoc();
}

void CDynamicTabCtrl::ShowFirstDialog()
{
    SetCurSel(0);
    ActivateTabDialogs(-1);
}

void CDynamicTabCtrl::GotCommsData(int nSel, std::string& szData)
{
    // Only the sensor settings and temperature calibration pages take lines.
    if (nSel == PageNumber(PageIndex::SensorSettings) || nSel == PageNumber(PageIndex::TempCalibration))
        m_pPages[static_cast<size_t>(nSel)]->GotCommsData(szData);
}

void CDynamicTabCtrl::OnCommsClosed()
{
    // The port settings page shows the connection, the data capture page polling.
    Page(PageIndex::PortSettings).OnCommsClosed();
    Page(PageIndex::DataCapture).OnCommsClosed();
}

void CDynamicTabCtrl::OnLogError(uint32_t wParam, int32_t lParam)
{
    // Whichever tab is current: the data capture page must not go on showing
    // a log that has stopped.
    Page(PageIndex::DataCapture).OnLogError(wParam, lParam);
}

void CDynamicTabCtrl::OnFirstDataMsg(int nSel, uint32_t wParam, int32_t lParam)
{
    if (nSel >= 0 && nSel < m_nPageCount)
        m_pPages[static_cast<size_t>(nSel)]->OnFirstDataMsg(wParam, lParam);
}

void CDynamicTabCtrl::DeleteTempFile(int, bool bFailed, int nEnd)
{
    // Whichever tab is current: the calibration's temporary file must not be
    // left behind, and the settle delay it starts does no harm elsewhere.
    Page(PageIndex::TempCalibration).DeleteTempFile(bFailed, nEnd);
}

void CDynamicTabCtrl::PlotDataMessage(TimePoint time, const std::string& strMessage)
{
    static_cast<CDataPlotPage&>(Page(PageIndex::DataPlot)).AddDataMessage(time, strMessage);
}

void CDynamicTabCtrl::InsertItem(int nPos, const QString& strCaption)
{
    const QScopedValueRollback<bool> guard(m_bProgrammatic, true);
    m_pTabBar->insertTab(nPos, strCaption);
}

void CDynamicTabCtrl::DeleteItem(int nPos)
{
    const QScopedValueRollback<bool> guard(m_bProgrammatic, true);
    m_pTabBar->removeTab(nPos);
}

int CDynamicTabCtrl::GetItemCount() const
{
    return m_pTabBar->count();
}
QString CDynamicTabCtrl::GetItemText(int nPos) const
{
    return m_pTabBar->tabText(nPos);
}
int CDynamicTabCtrl::GetCurSel() const
{
    return m_pTabBar->currentIndex();
}

void CDynamicTabCtrl::SetCurSel(int nPos)
{
    const QScopedValueRollback<bool> guard(m_bProgrammatic, true);
    m_pTabBar->setCurrentIndex(nPos);
}

CDocDialog* CDynamicTabCtrl::Page(int nIndex) const
{
    return nIndex >= 0 && nIndex < m_nPageCount ? m_pPages[static_cast<size_t>(nIndex)].get() : nullptr;
}

CDocDialog& CDynamicTabCtrl::Page(PageIndex index) const
{
    return *m_pPages[static_cast<size_t>(PageNumber(index))];
}

int CDynamicTabCtrl::VisiblePage() const
{
    for (int i = 0; i < m_nPageCount; ++i)
        if (m_pPages[static_cast<size_t>(i)]->isVisibleTo(m_pDisplay))
            return i;
    return -1;
}

}  // namespace halyard
