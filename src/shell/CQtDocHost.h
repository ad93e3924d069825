#pragma once
// The document's host in the GUI: messages for the views go to the view and
// messages for the frame to the main frame, as posted Qt events (thread-safe,
// never blocking); message boxes go through CUiPrompts; the title goes to the
// frame; the connect dialog is CConnectDlg over the document's identification
// logic. The frame and view must outlive the document (the document stops its
// threads when it is destroyed). Posting from any thread; the rest on the UI
// thread.

#include "AppMessageEvent.h"
#include "document/IDocHost.h"

namespace halyard {

class CMainFrame;

class CQtDocHost : public IDocHost {
public:
    CQtDocHost() = default;
    void Attach(CMainFrame* pFrame);

    IMessageTarget& Views() override { return m_views; }
    IMessageTarget& MainWindow() override { return m_mainWindow; }
    int MessageBox(const std::string& strText, unsigned nType) override;
    void SetTitle(const std::string& strTitle) override;
    void RunConnectDialog(CConnectLogic& logic) override;

private:
    CMainFrame* m_pFrame = nullptr;
    CPostTarget m_views;
    CPostTarget m_mainWindow;
};

}  // namespace halyard
