#include "CommandFaults.h"

namespace halyard::sim {

CCommandFaults::Outcome CCommandFaults::Receive(const std::string& strCommand, bool bSilent, bool bBadCmdFor)
{
    Outcome outcome;
    outcome.answer = Choose(strCommand, bSilent, bBadCmdFor);
    outcome.bFallSilent = outcome.answer != Answer::None && CountDown(m_nSilentAfter);
    outcome.bHangUp = CountDown(m_nHangUpAfter);
    return outcome;
}

CCommandFaults::Answer CCommandFaults::Choose(const std::string& strCommand, bool bSilent, bool bBadCmdFor)
{
    if (bSilent || Matches(strCommand, m_strNoAnswerFor))
        return Answer::None;
    if (Matches(strCommand, m_strBadCmdOnceFor)) {
        m_strBadCmdOnceFor.clear();
        return Answer::BadCmd;
    }
    if (bBadCmdFor && Matches(strCommand, m_strBadCmdFor))
        return Answer::BadCmd;
    return Answer::Normal;
}

bool CCommandFaults::Matches(const std::string& strCommand, const std::string& strStart)
{
    return !strStart.empty() && strCommand.starts_with(strStart);
}

bool CCommandFaults::CountDown(size_t& nLeft)
{
    if (nLeft == 0)
        return false;
    return --nLeft == 0;
}

}  // namespace halyard::sim
