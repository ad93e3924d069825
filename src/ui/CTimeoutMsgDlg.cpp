#include "CTimeoutMsgDlg.h"

#include <QLabel>
#include <QPushButton>

#include "DialogUnits.h"
#include "document/IDocHost.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

namespace halyard {

CTimeoutMsgDlg::CTimeoutMsgDlg(QWidget* pParent)
    : QDialog(pParent)
    , m_pMessage1(new QLabel(QStringLiteral("Message"), this))
    , m_pMessage2(new QLabel(QStringLiteral("Message"), this))
    , m_pYes(new QPushButton(QStringLiteral("Yes"), this))
    , m_pNo(new QPushButton(QStringLiteral("No"), this))
    , m_timers([this](uint32_t nID) { OnTimer(nID); })
{
    setWindowTitle(LoadString(IDS_APP_TITLE));
    setObjectName(QStringLiteral("timeoutMsgDlg"));
    SetControlId(m_pMessage1, IDC_MESSAGE1, "message1");
    SetControlId(m_pMessage2, IDC_MESSAGE2, "message2");
    SetControlId(m_pYes, IDC_YES_BUTTON, "yesButton");
    SetControlId(m_pNo, IDC_NO_BUTTON, "noButton");
    for (QLabel* pLabel : {m_pMessage1, m_pMessage2})
        pLabel->setAlignment(Qt::AlignCenter);
    // Neither button is the default: Enter must not answer for the user.
    for (QPushButton* pButton : {m_pYes, m_pNo}) {
        pButton->setAutoDefault(false);
        pButton->setDefault(false);
    }
    PlaceDlu(m_pMessage1, 7, 12, 212, 12);
    PlaceDlu(m_pMessage2, 7, 24, 212, 12);
    PlaceDlu(m_pYes, 32, 39, 43, 25);
    PlaceDlu(m_pNo, 148, 39, 43, 25);
    setFixedSize(CDialogUnits(font()).Size(224, 77));
    connect(m_pYes, &QPushButton::clicked, this, &CTimeoutMsgDlg::OnBnClickedYesbutton);
    connect(m_pNo, &QPushButton::clicked, this, &CTimeoutMsgDlg::OnBnClickedNobutton2);
}

int CTimeoutMsgDlg::DoModal()
{
    OnInitDialog();
    return exec() == IDYES ? IDYES : IDNO;
}

void CTimeoutMsgDlg::OnInitDialog()
{
    m_pMessage1->setText(m_strMessage1);
    m_pMessage2->setText(m_strMessage2);
    StopTimer();
    m_nTimeoutTimer = m_timers.SetTimer(TIMER_TIMEOUT_MSG, m_nTimeout);
}

void CTimeoutMsgDlg::StopTimer()
{
    if (m_nTimeoutTimer != 0)
        m_timers.KillTimer(m_nTimeoutTimer);
    m_nTimeoutTimer = 0;
}

void CTimeoutMsgDlg::OnBnClickedYesbutton()
{
    StopTimer();
    done(IDYES);
}

void CTimeoutMsgDlg::OnBnClickedNobutton2()
{
    StopTimer();
    done(IDNO);
}

void CTimeoutMsgDlg::reject()
{
    // Escape and the close box: the same as No.
    OnBnClickedNobutton2();
}

void CTimeoutMsgDlg::OnTimer(uint32_t nIDEvent)
{
    if (nIDEvent == TIMER_TIMEOUT_MSG)
        OnBnClickedNobutton2();
}

}  // namespace halyard
