#include "CDocDialog.h"

#include <QKeyEvent>
#include <QPushButton>

#include "DialogUnits.h"
#include "resources/StringTable.h"

namespace halyard {

CDocDialog::CDocDialog(int nIDTemplate, QWidget* pParent)
    : QWidget(pParent)
    , m_nIDTemplate(nIDTemplate)
{
    // Every page is 461 x 114 dialog units, created hidden.
    ResizeDlu(this, 461, 114);
    hide();
}

void CDocDialog::OnInitDialog()
{
    for (QWidget* pChild : findChildren<QWidget*>()) {
        const int nId = ControlId(pChild);
        if (nId != 0 && HasString(nId))
            pChild->setToolTip(LoadString(nId));
    }
    UpdateData(false);
}

bool CDocDialog::UpdateData(bool bSaveAndValidate)
{
    m_bExchangeFailed = false;
    DoDataExchange(bSaveAndValidate);
    return !m_bExchangeFailed;
}

void CDocDialog::OnOK()
{
    UpdateData(true);
}
void CDocDialog::OnCancel()
{
    UpdateData(true);
}

void CDocDialog::keyPressEvent(QKeyEvent* pEvent)
{
    switch (pEvent->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A push button with the focus takes Enter as a click (Qt's own
        // buttons do so only inside dialogs); elsewhere it is the default button's.
        if (auto* pFocused = qobject_cast<QPushButton*>(focusWidget());
            pFocused != nullptr && isAncestorOf(pFocused) && pFocused->isEnabled())
            pFocused->click();
        else if (m_pDefaultButton != nullptr && m_pDefaultButton->isVisible() &&
                 m_pDefaultButton->isEnabled())
            m_pDefaultButton->click();
        else
            OnOK();
        pEvent->accept();
        return;
    case Qt::Key_Escape:
        OnCancel();
        pEvent->accept();
        return;
    default:
        QWidget::keyPressEvent(pEvent);
    }
}

}  // namespace halyard
