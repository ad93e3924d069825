#include "CommandFaults.h"

namespace halyard::sim {

CCommandFaults::Answer CCommandFaults::Receive(const std::string& strCommand, bool bSilent, bool bBadCmdFor)
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

}  // namespace halyard::sim
