#pragma once
// The document's host on the console: messages for the frame and the views
// are posted to the console loop, a message box is a line on the error
// stream (one that needs an answer takes its default, and says so), and the
// connect dialog is the identification logic ticked by the loop's timer
// TIMER_CONNECT_DLG, its status lines written as they change.

#include <functional>
#include <ostream>
#include <string>

#include "console/CConsoleLoop.h"
#include "document/IDocHost.h"

namespace halyard {

class CConsoleHost : public IDocHost {
public:
    CConsoleHost(CConsoleLoop& loop, std::ostream& err);

    IMessageTarget& Views() override { return m_views; }
    IMessageTarget& MainWindow() override { return m_frame; }
    int MessageBox(const std::string& strText, unsigned nType) override;
    void SetTitle(const std::string& strTitle) override { m_strTitle = strTitle; }
    void RunConnectDialog(CConnectLogic& logic) override;

    // The loop's timer handler passes TIMER_CONNECT_DLG here; true when it
    // was taken.
    bool OnTimer(uint32_t nIDEvent);

    // No status lines from the identification (message boxes are still written).
    bool m_bQuiet = false;
    std::string m_strTitle;
    // Message boxes shown so far, for whoever needs to know what went wrong.
    int m_nMessageBoxes = 0;
    std::string m_strLastMessage;

    // How the last identification ended.
    struct Identification {
        bool bIdentified = false;
        bool bPortFailed = false;
        uint32_t dwPortError = 0;
        std::string strModelName;
        int nModelNumber = -1;
    };
    Identification m_lastIdentification;

private:
    class CTarget : public IMessageTarget {
    public:
        CTarget(CConsoleLoop& loop, PostTarget target)
            : m_loop(loop)
            , m_target(target)
        {}
        void PostMessage(uint32_t nMsg, uintptr_t wParam, intptr_t lParam) override
        {
            m_loop.Post({m_target, nMsg, wParam, lParam});
        }

    private:
        CConsoleLoop& m_loop;
        PostTarget m_target;
    };

    void ShowStatus(const CConnectLogic& logic);

    CConsoleLoop& m_loop;
    std::ostream& m_err;
    CTarget m_frame;
    CTarget m_views;
    CConnectLogic* m_pConnect = nullptr;
    std::string m_strShownStatus;
};

// The text of a message box on the console, and the answer it takes: the
// first button, as a box's default is ("(answered Yes)" is added to a box
// that asks).
struct ConsoleAnswer {
    std::string strLine;
    int nAnswer;
};
ConsoleAnswer AnswerMessageBox(const std::string& strText, unsigned nType);

}  // namespace halyard
