// A message box the document opens while a sequence runs stays open while
// the program goes on around it: timers 8 and 2 keep ticking, the views take
// their messages and the sensor answers. By the time the box opens, the
// sequence it tells of has settled: nothing steps on, nothing more is sent,
// nothing ends twice and no second box opens.
#include <set>

#include "DocLoopFixture.h"
#include "FileSizeLimit.h"
#include "document/Registers.h"

namespace halyard::test {
namespace {

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

TEST_F(DocSequenceBox, ADumpThatHearsNothingHasEndedWhenItsBoxOpens)
{
    m_unanswered.insert("D?");
    Doc().DumpAll(m_folder.Path("d.TXT"));
    RunUntilTheBox();
    ExpectSettledBeforeTheBox(0);
}

TEST_F(DocSequenceBox, ADumpThatStopsHearingHasPutTheSensorBackWhenItsBoxOpens)
{
    m_unanswered.insert("V12?");
    Doc().DumpAll(m_folder.Path("d.TXT"));
    RunUntilTheBox();
    ExpectSettledBeforeTheBox(26);
    EXPECT_EQ(m_pPort->SentLines().back(), "OS0000000000000001") << "the state read, sent before the box";
}

TEST_F(DocSequenceBox, AnAlsDumpThatStopsHearingStopsAskingWhenItsBoxOpens)
{
    m_nEndMsg = WM_ALS_DUMP;
    m_unanswered.insert("ALS-C?");
    Doc().DumpALS(m_folder.Path("als.TXT"));
    RunUntilTheBox();
    ExpectSettledBeforeTheBox(5);
}

TEST_F(DocSequenceBox, ADumpThatCannotWriteItsFileHasEndedWhenItsBoxOpens)
{
    CFileSizeLimit limit(2000);
    ASSERT_TRUE(limit.IsSet());
    Doc().DumpAll(m_folder.Path("d.TXT"));
    RunUntilTheBox(m_folder.Path("d.TXT"));
    ExpectSettledBeforeTheBox(-1);
    EXPECT_GT(m_atOpen.nStep, 20) << "the file filled up on the way";
}

}  // namespace
}  // namespace halyard::test
