#include "CDiagDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

#include "ui/DialogUnits.h"
#include "resources/Resource.h"

namespace halyard {

CDiagDialog::CDiagDialog(IDiagDlgOwner* pOwner, QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_pView(pOwner)
    , m_ctrlProgress(new QProgressBar(this))
    , m_pMessageLabel(new QLabel(QStringLiteral("Getting Diagnostic Data from Sensor"), this))
    , m_pCancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setModal(false);
    setObjectName(QStringLiteral("diagDialog"));
    setWindowTitle(QStringLiteral("Diagnostics"));
    SetControlId(m_pMessageLabel, IDC_DIAG_MESSAGE, "diagMessage");
    SetControlId(m_ctrlProgress, IDC_PROGRESS, "diagProgress");
    m_pMessageLabel->setAlignment(Qt::AlignCenter);
    auto* pWait = new QLabel(QStringLiteral("Please Wait"), this);
    PlaceDlu(m_pMessageLabel, 49, 7, 217, 10);
    PlaceDlu(pWait, 135, 25, 50, 8);
    PlaceDlu(m_ctrlProgress, 89, 43, 138, 14);
    m_ctrlProgress->setTextVisible(false);
    m_pCancel->setObjectName(QStringLiteral("diagCancelButton"));
    m_pCancel->setAutoDefault(false);
    PlaceDlu(m_pCancel, 133, 64, 50, 14);
    connect(m_pCancel, &QPushButton::clicked, this, [this] {
        if (m_pView != nullptr)
            m_pView->DiagDlgCancel();
    });
    setFixedSize(CDialogUnits(font()).Size(316, 87));
    // The base initialisation: range 0 to 1650, at 0, step 1.
    m_ctrlProgress->setRange(0, 1650);
    m_ctrlProgress->setValue(0);
}

bool CDiagDialog::Create()
{
    show();
    return true;
}

void CDiagDialog::SetProgressLimit(int nLimit)
{
    m_ctrlProgress->setRange(0, std::clamp(nLimit, 0, 0xFFFF));
    m_ctrlProgress->setValue(0);
    m_pMessageLabel->setText(m_strMessage);
}

void CDiagDialog::SetDialogMessage(const QString& strText)
{
    m_strMessage = strText;
    m_pMessageLabel->setText(m_strMessage);
}

void CDiagDialog::UpdateProgress()
{
    // The bar stops at its end when the sequence takes longer than expected.
    m_ctrlProgress->setValue(std::min(m_ctrlProgress->value() + 1, m_ctrlProgress->maximum()));
}

void CDiagDialog::Finished()
{
    if (m_pView != nullptr)
        m_pView->DiagDlgDone();
    m_pView = nullptr;
    hide();
    deleteLater();
}

int CDiagDialog::Progress() const
{
    return m_ctrlProgress->value();
}
int CDiagDialog::ProgressLimit() const
{
    return m_ctrlProgress->maximum();
}

}  // namespace halyard
