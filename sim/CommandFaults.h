// CCommandFaults: the faults that pick single commands out of a sequence. It
// decides, for each command the sensor receives, whether it gets its normal
// answer, "BAD CMD" or no answer at all, and counts the commands after which
// the sensor falls silent or hangs up. A chosen command is named by the text
// it starts with. No threads and no I/O: CSimEngine asks it about every
// received command under its lock, and unit tests drive it directly.
#pragma once

#include <cstddef>
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

    // Counts the commands answered from now on ("BAD CMD" is an answer, no
    // answer is not); the one that makes it nCommands tells the sensor to fall
    // silent after answering it. Counts once; 0 stops the count.
    void SetSilentAfter(size_t nCommands) { m_nSilentAfter = nCommands; }
    // Counts the commands received from now on, answered or not; the one that
    // makes it nCommands tells the sensor to hang up once its answer is out.
    // Counts once; 0 stops the count.
    void SetHangUpAfter(size_t nCommands) { m_nHangUpAfter = nCommands; }

    struct Outcome {
        Answer answer = Answer::Normal;
        bool bFallSilent = false;  // silent from the next command on
        bool bHangUp = false;      // hang up once the answer is out
    };
    // What to do with one received command. bSilent: the sensor is silent, so
    // nothing is answered, used up or counted as answered. bBadCmdFor: the
    // BadCmdFor fault is on.
    Outcome Receive(const std::string& strCommand, bool bSilent, bool bBadCmdFor);

private:
    Answer Choose(const std::string& strCommand, bool bSilent, bool bBadCmdFor);
    static bool Matches(const std::string& strCommand, const std::string& strStart);
    // One step of a count: true at the step that ends it; a count of 0 is off.
    static bool CountDown(size_t& nLeft);

    std::string m_strBadCmdFor;
    std::string m_strBadCmdOnceFor;
    std::string m_strNoAnswerFor;
    size_t m_nSilentAfter = 0;
    size_t m_nHangUpAfter = 0;
};

}  // namespace halyard::sim
