#include "CConnectDlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include "document/CConnectLogic.h"
#include "document/IDocHost.h"
#include "platform/AppMessages.h"
#include "platform/SysError.h"
#include "resources/Resource.h"
#include "ui/DialogUnits.h"
#include "ui/TextConvert.h"
#include "ui/UiPrompts.h"

namespace halyard {

CConnectDlg::CConnectDlg(CConnectLogic& logic, QWidget* pParent)
    : QDialog(pParent)
    , m_logic(logic)
    , m_pTimeout(new QLabel(this))
    , m_pStatus(new QLabel(this))
    , m_pCancel(new QPushButton(QStringLiteral("Cancel"), this))
    , m_timers([this](uint32_t nID) { OnTimer(nID); })
{
    setObjectName(QStringLiteral("connectDlg"));
    setWindowTitle(QStringLiteral("Connect to Sensor"));
    setModal(true);

    auto* pWait = new QLabel(QStringLiteral("Connecting to Sensor, Please Wait"), this);
    pWait->setAlignment(Qt::AlignCenter);
    PlaceDlu(pWait, 7, 10, 224, 10);
    auto* pTimeoutIn = new QLabel(QStringLiteral("Timeout in"), this);
    pTimeoutIn->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PlaceDlu(pTimeoutIn, 60, 28, 50, 10);
    SetControlId(m_pTimeout, IDC_CONNECT_TIMEOUT, "connectTimeout");
    m_pTimeout->setAlignment(Qt::AlignCenter);
    PlaceDlu(m_pTimeout, 112, 28, 14, 10);
    auto* pSeconds = new QLabel(QStringLiteral("Seconds"), this);
    PlaceDlu(pSeconds, 128, 28, 50, 10);
    SetControlId(m_pStatus, IDC_CONNECT_STATUS, "connectStatus");
    m_pStatus->setAlignment(Qt::AlignCenter);
    PlaceDlu(m_pStatus, 7, 46, 224, 10);
    m_pCancel->setObjectName(QStringLiteral("cancelButton"));
    m_pCancel->setAutoDefault(false);
    PlaceDlu(m_pCancel, 94, 70, 50, 16);
    connect(m_pCancel, &QPushButton::clicked, this, &CConnectDlg::OnBnClickedCancel);
    setFixedSize(CDialogUnits(font()).Size(238, 96));
}

namespace {

int g_nTickPeriodForTests = 0;

}  // namespace

void CConnectDlg::SetTickPeriodForTests(int nMs)
{
    g_nTickPeriodForTests = nMs;
}

int CConnectDlg::DoModal()
{
    OnInitDialog();
    const int nResult = m_logic.IsFinished() ? int(QDialog::Rejected) : exec();
    ReportPortFailure();
    return nResult;
}

void CConnectDlg::ReportPortFailure()
{
    if (!m_logic.PortFailed() || m_logic.PortError() == 0)
        return;
    const QString strText = QStringLiteral("COM%1 could not be opened.\n%2")
                                .arg(m_logic.Port())
                                .arg(FromDocText(PortOpenErrorText(m_logic.PortError())));
    CUiPrompts::MessageBox(parentWidget(), strText, MB_OK | MB_ICONERROR);
}

void CConnectDlg::OnInitDialog()
{
    m_logic.OnInitDialog();
    if (m_nTimerID != 0)
        m_timers.KillTimer(m_nTimerID);
    const int nPeriod = g_nTickPeriodForTests > 0 ? g_nTickPeriodForTests : m_logic.TimerPeriod();
    m_nTimerID = m_timers.SetTimer(TIMER_CONNECT_DLG, nPeriod);
    ShowMembers();
}

void CConnectDlg::OnTimer(uint32_t nIDEvent)
{
    m_logic.OnTimer(nIDEvent);
    ShowMembers();
    EndWhenFinished();
}

void CConnectDlg::ShowMembers()
{
    m_pTimeout->setText(QString::number(m_logic.Timeout()));
    m_pStatus->setText(FromDocText(m_logic.Status()));
}

void CConnectDlg::EndWhenFinished()
{
    if (!m_logic.IsFinished())
        return;
    m_timers.KillTimer(TIMER_CONNECT_DLG);
    m_nTimerID = 0;
    QDialog::reject();
}

void CConnectDlg::OnBnClickedCancel()
{
    m_timers.KillTimer(TIMER_CONNECT_DLG);
    m_nTimerID = 0;
    m_logic.OnCancel();
    QDialog::reject();
}

void CConnectDlg::reject()
{
    OnBnClickedCancel();
}

void CConnectDlg::closeEvent(QCloseEvent* pEvent)
{
    m_timers.KillTimer(TIMER_CONNECT_DLG);
    m_nTimerID = 0;
    m_logic.OnClose();
    QDialog::reject();
    pEvent->accept();
}

}  // namespace halyard
