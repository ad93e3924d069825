#include "CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "CHalyardView.h"
#include "ui/TextConvert.h"
#include "ui/UiPrompts.h"
#include "document/CHalyardDoc.h"
#include "document/DocMessages.h"
#include "resources/AppIcon.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

namespace halyard {
namespace {

struct PaneDef {
    int nId;
    const char* szObjectName;
    const char* szLabel;  // the indicator's label; 48 blanks follow to size the pane
};

constexpr PaneDef kPanes[4] = {
    {ID_INDICATOR_SETTINGS, "settingsPane", "Settings:"},
    {ID_INDICATOR_LOGTIME, "logTimePane", "Log Time:"},
    {ID_INDICATOR_RECORDS, "recordsPane", "No. Records:"},
    {ID_INDICATOR_TIME, "timePane", "Time:"},
};

// The status-bar prompt of a command: its string up to the first line feed
// (the rest is the command's tooltip).
QString Prompt(int nCommandId)
{
    return LoadString(nCommandId).section(QLatin1Char('\n'), 0, 0);
}

QString AppTitle()
{
    // The first field of the document template string: the window title.
    return LoadString(IDR_MAINFRAME).section(QLatin1Char('\n'), 0, 0);
}

}  // namespace

const CMessageMap<CMainFrame>& CMainFrame::MessageMap()
{
    static const CMessageMap<CMainFrame> map = {
        {WM_COMMS_EVENT, &CMainFrame::OnCommsEvent},     {WM_COMMS_OPEN, &CMainFrame::OnCommsOpen},
        {WM_RECORD_UPDATE, &CMainFrame::OnRecordUpdate}, {WM_LOGTIME_UPDATE, &CMainFrame::OnLogTimeUpdate},
        {WM_TIME_UPDATE, &CMainFrame::OnTimeUpdate},     {WM_THREAD_END, &CMainFrame::OnThreadEnd},
        {WM_INIT_EVENT, &CMainFrame::OnInitEvent},
    };
    return map;
}

CMainFrame::CMainFrame(QWidget* pParent)
    : QMainWindow(pParent)
    , m_pView(new CHalyardView(this))
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(AppIcon());
    setCentralWidget(m_pView);
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    SetDocumentTitle(QString());
}

void CMainFrame::CreateMenus()
{
    QMenu* pFile = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* pExit = pFile->addAction(QStringLiteral("E&xit"));
    pExit->setObjectName(QStringLiteral("exitAction"));
    pExit->setStatusTip(Prompt(ID_APP_EXIT));
    connect(pExit, &QAction::triggered, this, &QWidget::close);

    QMenu* pView = menuBar()->addMenu(QStringLiteral("&View"));
    QMenu* pBars = pView->addMenu(QStringLiteral("&Toolbars and Docking Windows"));
    pBars->setObjectName(QStringLiteral("toolbarsMenu"));
    // The framework's list of bars: the toolbar's own show/hide item.
    connect(pBars, &QMenu::aboutToShow, this, [this, pBars] {
        pBars->clear();
        pBars->addAction(m_wndToolBar->toggleViewAction());
    });
    QAction* pStatus = pView->addAction(QStringLiteral("&Status Bar"));
    pStatus->setObjectName(QStringLiteral("statusBarAction"));
    pStatus->setStatusTip(Prompt(ID_VIEW_STATUS_BAR));
    pStatus->setCheckable(true);
    pStatus->setChecked(true);
    connect(pStatus, &QAction::toggled, this, [this](bool bOn) { statusBar()->setVisible(bOn); });
    m_pPlotAction = pView->addAction(QStringLiteral("&Data Plot"));
    m_pPlotAction->setObjectName(QStringLiteral("dataPlotAction"));
    m_pPlotAction->setStatusTip(Prompt(ID_VIEW_DATAPLOT));
    m_pPlotAction->setCheckable(true);
    connect(m_pPlotAction, &QAction::triggered, this, [this] { m_pView->OnViewDataplot(); });
    connect(pView, &QMenu::aboutToShow, this, [this] { m_pPlotAction->setChecked(m_pView->m_bPlotOption); });

    m_pOptionsMenu = menuBar()->addMenu(QStringLiteral("&Options"));
    m_pOptionsMenu->setObjectName(QStringLiteral("optionsMenu"));
    auto addOption = [this](const char* szText, const char* szName, int nId, auto handler) {
        QAction* pAction = m_pOptionsMenu->addAction(QString::fromLatin1(szText));
        pAction->setObjectName(QString::fromLatin1(szName));
        pAction->setStatusTip(Prompt(nId));
        pAction->setCheckable(true);
        connect(pAction, &QAction::triggered, this, handler);
        return pAction;
    };
    m_pTestAction = addOption("&Test Option", "testOptionAction", ID_OPTIONS_TESTOPTION,
                              [this] { m_pView->OnOptionsTestoption(); });
    m_pALSAction = addOption("&ALS Option", "alsOptionAction", ID_OPTIONS_ALSOPTION,
                             [this] { m_pView->OnOptionsALSoption(); });
    m_pRS485Action = addOption("&RS485 Option", "rs485OptionAction", ID_OPTIONS_RS485OPTION,
                               [this] { m_pView->OnOptionsRs485option(); });
    m_pTempCalAction = addOption("PQD Temperature &Cal Option", "tempCalOptionAction",
                                 ID_OPTIONS_TEMPCALOPTION, [this] { m_pView->OnOptionsTempcaloption(); });
    connect(m_pOptionsMenu, &QMenu::aboutToShow, this, &CMainFrame::OnShowOptionsMenu);
    OnShowOptionsMenu();

    QMenu* pHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* pAbout = pHelp->addAction(QStringLiteral("&About Halyard..."));
    pAbout->setObjectName(QStringLiteral("aboutAction"));
    pAbout->setStatusTip(Prompt(ID_APP_ABOUT));
    connect(pAbout, &QAction::triggered, this, &CMainFrame::aboutRequested);
}

void CMainFrame::OnShowOptionsMenu()
{
    // Check marks follow the view's option flags.
    m_pTestAction->setChecked(m_pView->m_bTestOption);
    m_pALSAction->setChecked(m_pView->m_bALSOption);
    m_pRS485Action->setChecked(m_pView->m_bRS485Option);
    m_pTempCalAction->setChecked(m_pView->m_bTempCalOption);
    // The temperature calibration item is offered only while a PQD-family
    // sensor is connected.
    const bool bPresent = m_pOptionsMenu->actions().contains(m_pTempCalAction);
    if (!m_bPQDSensor && bPresent)
        m_pOptionsMenu->removeAction(m_pTempCalAction);
    else if (m_bPQDSensor && !bPresent)
        m_pOptionsMenu->addAction(m_pTempCalAction);
}

void CMainFrame::CreateToolBar()
{
    m_wndToolBar = addToolBar(LoadString(IDS_TOOLBAR_STANDARD));
    m_wndToolBar->setObjectName(QStringLiteral("toolBarStandard"));
    m_wndToolBar->setWindowTitle(LoadString(IDS_TOOLBAR_STANDARD));
    QAction* pAbout = m_wndToolBar->addAction(style()->standardIcon(QStyle::SP_MessageBoxQuestion),
                                              QStringLiteral("About"));
    pAbout->setObjectName(QStringLiteral("toolBarAboutAction"));
    pAbout->setToolTip(LoadString(ID_APP_ABOUT).section(QLatin1Char('\n'), 1, 1));
    pAbout->setStatusTip(Prompt(ID_APP_ABOUT));
    connect(pAbout, &QAction::triggered, this, &CMainFrame::aboutRequested);
}

void CMainFrame::CreateStatusBar()
{
    // The window keeps the form's size: no size grip, all room to the panes.
    statusBar()->setSizeGripEnabled(false);
    const QFontMetrics metrics(statusBar()->font());
    for (int i = 0; i < 4; ++i) {
        auto* pPane = new QLabel(statusBar());
        pPane->setObjectName(QString::fromLatin1(kPanes[i].szObjectName));
        pPane->setFrameShape(QFrame::Panel);
        pPane->setFrameShadow(QFrame::Sunken);
        // The indicator string (label and 48 blanks) sizes the pane.
        const QString strIndicator = QString::fromLatin1(kPanes[i].szLabel) + QString(48, QLatin1Char(' '));
        // A pane of fixed size both ways: a new text (the record count with
        // every logged line) repaints the pane alone, without laying out the
        // status bar again. It fills its own background, so the bar behind
        // it is not painted again, and its plain text needs no shaping: the
        // clock repaints one pane every second for as long as the program runs.
        pPane->setAutoFillBackground(true);
        QFont paneFont = pPane->font();
        paneFont.setStyleStrategy(QFont::PreferNoShaping);
        pPane->setFont(paneFont);
        pPane->setText(strIndicator);
        pPane->setFixedSize(metrics.horizontalAdvance(strIndicator) + 2 * pPane->frameWidth(),
                            pPane->sizeHint().height());
        statusBar()->addWidget(pPane);
        m_pPanes[i] = pPane;
    }
    m_recordsRefresh.setSingleShot(true);
    m_recordsRefresh.setInterval(200);
    connect(&m_recordsRefresh, &QTimer::timeout, this, &CMainFrame::UpdatePanes);
    UpdatePanes();
}

QLabel* CMainFrame::Pane(int nIndex) const
{
    return nIndex >= 0 && nIndex < 4 ? m_pPanes[nIndex] : nullptr;
}

void CMainFrame::UpdatePanes()
{
    m_pPanes[0]->setText(QStringLiteral("Settings: %1").arg(m_strSettings));
    m_pPanes[1]->setText(QStringLiteral("LogTime: %1").arg(m_strLogTime));
    m_pPanes[2]->setText(QStringLiteral("No. Records: %1").arg(m_nRecords));
    m_pPanes[3]->setText(QStringLiteral("Time: %1").arg(m_strTime));
}

void CMainFrame::SetDocumentTitle(const QString& strTitle)
{
    setWindowTitle(strTitle.isEmpty() ? AppTitle() : strTitle + QStringLiteral(" - ") + AppTitle());
}

bool CMainFrame::event(QEvent* pEvent)
{
    if (MessageMap().Dispatch(*this, pEvent))
        return true;
    return QMainWindow::event(pEvent);
}

bool CMainFrame::HaveDocument()
{
    if (m_pDoc != nullptr)
        return true;
    CUiPrompts::MessageBox(this, LoadString(IDP_COMMAND_FAILURE), MB_OK | MB_ICONERROR);
    return false;
}

intptr_t CMainFrame::OnCommsEvent(uintptr_t wParam, intptr_t)
{
    if (HaveDocument())
        HandleFrameMessage(*m_pDoc, WM_COMMS_EVENT, wParam);
    return 0;
}

intptr_t CMainFrame::OnCommsOpen(uintptr_t, intptr_t lParam)
{
    m_bPQDSensor = lParam == 1;
    if (!HaveDocument())
        return 0;
    m_strSettings = FromDocText(m_pDoc->GetPortStatus());
    UpdatePanes();
    return 0;
}

intptr_t CMainFrame::OnRecordUpdate(uintptr_t wParam, intptr_t)
{
    m_nRecords = static_cast<uint32_t>(wParam);
    if (!m_recordsRefresh.isActive())
        m_recordsRefresh.start();
    return 0;
}

intptr_t CMainFrame::OnLogTimeUpdate(uintptr_t, intptr_t)
{
    if (!HaveDocument())
        return 0;
    m_strLogTime = FromDocText(m_pDoc->GetLogTime());
    UpdatePanes();
    return 0;
}

intptr_t CMainFrame::OnTimeUpdate(uintptr_t, intptr_t)
{
    if (!HaveDocument())
        return 0;
    m_strTime = FromDocText(m_pDoc->GetTime());
    UpdatePanes();
    return 0;
}

intptr_t CMainFrame::OnThreadEnd(uintptr_t, intptr_t)
{
    if (HaveDocument())
        HandleFrameMessage(*m_pDoc, WM_THREAD_END, 0);
    return 0;
}

intptr_t CMainFrame::OnInitEvent(uintptr_t, intptr_t)
{
    m_wndToolBar->hide();
    adjustSize();
    if (HaveDocument())
        m_pView->update();
    return 0;
}

}  // namespace halyard
