#include "CQtDocHost.h"

#include "CHalyardView.h"
#include "CMainFrame.h"
#include "ui/TextConvert.h"
#include "ui/UiPrompts.h"
#include "pages/CConnectDlg.h"

namespace halyard {

void CQtDocHost::Attach(CMainFrame* pFrame)
{
    m_pFrame = pFrame;
    m_mainWindow.SetReceiver(pFrame);
    m_views.SetReceiver(pFrame != nullptr ? &pFrame->View() : nullptr);
}

int CQtDocHost::MessageBox(const std::string& strText, unsigned nType)
{
    return CUiPrompts::MessageBox(m_pFrame, FromDocText(strText), nType);
}

void CQtDocHost::SetTitle(const std::string& strTitle)
{
    if (m_pFrame != nullptr)
        m_pFrame->SetDocumentTitle(FromDocText(strTitle));
}

void CQtDocHost::RunConnectDialog(CConnectLogic& logic)
{
    CConnectDlg dialog(logic, m_pFrame);
    dialog.DoModal();
}

}  // namespace halyard
