#pragma once
// A sequence whose sensor stops answering, looked at while the message box
// that reports its end is open.

#include <set>
#include <string>
#include <vector>

#include "DocLoopFixture.h"
#include "document/Registers.h"

namespace halyard::test {

struct SequenceState {
    bool bRunning = false;
    int nStep = -1;
    size_t nSent = 0;
    size_t nEnds = 0;
    bool operator==(const SequenceState&) const = default;
};

class DocSequenceBox : public DocLoopFixture {
protected:
    void SetUp() override
    {
        DocLoopFixture::SetUp();
        m_pPort->m_responder = [this](const std::string& strLine) -> std::vector<std::string> {
            if (m_unanswered.count(strLine) != 0)
                return {};
            if (strLine == "V9?")
                return {BinaryDisplayForm(0x0001) + "\r\n"};
            return {strLine + " OK\r\n"};
        };
        m_host.m_whileMessageBox = [this](const std::string&) { WhileTheBoxIsOpen(); };
    }

    SequenceState Now(uint32_t nEndMsg)
    {
        size_t nEnds = 0;
        for (const PostedMessage& m : m_host.ViewMessages().Messages())
            nEnds += m.nMsg == nEndMsg && m.wParam != 1 ? 1 : 0;
        return {Doc().SequenceRunning(), Doc().GetSeqStep(), m_pPort->SentLines().size(), nEnds};
    }

    // What the program does while a box waits for the user: ticks of the
    // sequence timer and the clock, and every message and reply they bring.
    void WhileTheBoxIsOpen()
    {
        // A box opened from these ticks would open over this one.
        if (m_bBoxOpen)
            return;
        m_bBoxOpen = true;
        m_atOpen = Now(m_nEndMsg);
        for (int n = 0; n < 200; ++n) {
            Doc().OnTimer(TIMER_SEQUENCE);
            if (n % 2 == 0)
                Doc().OnTimer(TIMER_CLOCK);
            Deliver();
        }
        m_atClose = Now(m_nEndMsg);
        m_bBoxOpen = false;
    }

    // Runs until the box has opened and closed.
    void RunUntilTheBox(const std::string& strText = "No Reply from Sensor, Check connections")
    {
        Deliver();
        for (int n = 0; n < 2000 && m_host.m_messageBoxes.empty(); ++n)
            Wait(500);
        ASSERT_EQ(m_host.m_messageBoxes.size(), 1u);
        EXPECT_NE(m_host.m_messageBoxes[0].first.find(strText), std::string::npos)
            << m_host.m_messageBoxes[0].first;
    }

    void ExpectSettledBeforeTheBox(int nStep)
    {
        EXPECT_FALSE(m_atOpen.bRunning) << "the sequence ended before the box opened";
        if (nStep >= 0) {
            EXPECT_EQ(m_atOpen.nStep, nStep);
        }
        EXPECT_EQ(m_atOpen.nEnds, 1u);
        EXPECT_EQ(m_atClose, m_atOpen) << "nothing stepped, was sent or ended while the box was open";
        // Nor after it closed.
        Wait(60000);
        EXPECT_EQ(Now(m_nEndMsg), m_atClose);
        EXPECT_EQ(m_host.m_messageBoxes.size(), 1u);
    }

    std::set<std::string> m_unanswered;
    bool m_bBoxOpen = false;
    uint32_t m_nEndMsg = WM_START_SEQ;
    SequenceState m_atOpen;
    SequenceState m_atClose;
};

}  // namespace halyard::test
