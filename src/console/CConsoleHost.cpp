#include "console/CConsoleHost.h"

#include <chrono>

#include "document/CConnectLogic.h"

namespace halyard {

ConsoleAnswer AnswerMessageBox(const std::string& strText, unsigned nType)
{
    std::string strLine = strText;
    // A box's text may run over several lines: one line on the console.
    for (char& c : strLine) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    if ((nType & 0xF) == MB_YESNO)
        return {strLine + " (answered Yes)", IDYES};
    return {strLine, IDOK};
}

CConsoleHost::CConsoleHost(CConsoleLoop& loop, std::ostream& err)
    : m_loop(loop)
    , m_err(err)
    , m_frame(loop, PostTarget::Frame)
    , m_views(loop, PostTarget::Views)
{}

int CConsoleHost::MessageBox(const std::string& strText, unsigned nType)
{
    const ConsoleAnswer answer = AnswerMessageBox(strText, nType);
    m_err << "halyard-cli: " << answer.strLine << std::endl;
    ++m_nMessageBoxes;
    m_strLastMessage = strText;
    return answer.nAnswer;
}

void CConsoleHost::ShowStatus(const CConnectLogic& logic)
{
    if (m_bQuiet || logic.Status() == m_strShownStatus)
        return;
    m_strShownStatus = logic.Status();
    if (!m_strShownStatus.empty())
        m_err << m_strShownStatus << std::endl;
}

void CConsoleHost::RunConnectDialog(CConnectLogic& logic)
{
    m_strShownStatus.clear();
    m_pConnect = &logic;
    logic.OnInitDialog();
    ShowStatus(logic);
    m_loop.SetTimer(TIMER_CONNECT_DLG, logic.TimerPeriod());
    // The window shows a result for a few seconds before it closes itself;
    // here nobody is reading it, so one tick after the sensor was found will
    // do: the "JM?" that went out with the finding tick is answered into the
    // identification's port, not into the connection opened next. The logic
    // gives up after its own tries; SIGINT or SIGTERM cancels it.
    const int nFoundTimeout = -1;
    int nTimeoutWhenFound = nFoundTimeout;
    m_loop.RunUntil(
        [&] {
            if (logic.IsIdentified() && nTimeoutWhenFound == nFoundTimeout)
                nTimeoutWhenFound = logic.Timeout();
            return logic.IsFinished() || logic.PortFailed() || m_loop.QuitRequested() ||
                   (logic.IsIdentified() && logic.Timeout() < nTimeoutWhenFound);
        },
        std::chrono::hours(1));
    if (!logic.IsFinished())
        logic.OnClose();
    m_loop.KillTimer(TIMER_CONNECT_DLG);
    m_lastIdentification = {logic.IsIdentified(), logic.PortFailed(), logic.PortError(), logic.ModelName(),
                            logic.ModelNumber()};
    m_pConnect = nullptr;
}

bool CConsoleHost::OnTimer(uint32_t nIDEvent)
{
    if (nIDEvent != TIMER_CONNECT_DLG)
        return false;
    if (m_pConnect != nullptr) {
        m_pConnect->OnTimer(nIDEvent);
        ShowStatus(*m_pConnect);
    }
    return true;
}

}  // namespace halyard
