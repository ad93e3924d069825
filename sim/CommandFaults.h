// CCommandFaults: the faults that pick single commands out of a sequence. It
// decides, for each command the sensor receives, whether it gets its normal
// answer, "BAD CMD" or no answer at all. A chosen command is named by the
// text it starts with. No threads and no I/O: CSimEngine asks it about every
// received command under its lock, and unit tests drive it directly.
#pragma once

#include <string>

namespace halyard::sim {

class CCommandFaults {
public:
    enum class Answer {
        Normal,  // the sensor answers from its command table
        BadCmd,  // one "BAD CMD" line
        None     // nothing at all
    };

    // "BAD CMD" for every command starting with the text, while the BadCmdFor
    // fault is on; "" matches nothing.
    void SetBadCmdFor(std::string strCommand) { m_strBadCmdFor = std::move(strCommand); }
    // "BAD CMD" for the next command starting with the text only; later ones
    // are answered normally. Replaces an earlier one still waiting; "" clears it.
    void SetBadCmdOnceFor(std::string strCommand) { m_strBadCmdOnceFor = std::move(strCommand); }
    // No answer for any command starting with the text; "" switches it off.
    // Goes before both kinds of "BAD CMD".
    void SetNoAnswerFor(std::string strCommand) { m_strNoAnswerFor = std::move(strCommand); }

    // The answer to one received command. bSilent: the sensor is silent, so
    // nothing is answered and nothing is used up. bBadCmdFor: the BadCmdFor
    // fault is on.
    Answer Receive(const std::string& strCommand, bool bSilent, bool bBadCmdFor);

private:
    static bool Matches(const std::string& strCommand, const std::string& strStart);

    std::string m_strBadCmdFor;
    std::string m_strBadCmdOnceFor;
    std::string m_strNoAnswerFor;
};

}  // namespace halyard::sim
