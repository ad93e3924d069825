#pragma once
// A document on a fake port driven as the program drives it: the frame's and
// the view's messages are answered (CDocPump), the view's timers are played by
// a CTimerSchedule over manual timers, and the fake sensor answers each
// command through m_pPort->m_responder. The clock moves only when the test
// says (Wait), so minutes of pacing pass in microseconds.

#include <memory>

#include "DocFixture.h"
#include "DocPump.h"
#include "ManualTimers.h"
#include "TempFolder.h"
#include "document/CTimerSchedule.h"

namespace halyard::test {

class DocLoopFixture : public DocFixture {
protected:
    void SetUp() override
    {
        DocFixture::SetUp();
        ASSERT_TRUE(m_folder.IsValid());
        m_pPump = std::make_unique<CDocPump>(Doc(), m_host);
        m_pPump->UseSchedule(m_schedule);
        m_timers.SetOwner([this](uint32_t nId) {
            m_schedule.OnTimer(nId);
            Deliver();
        });
        ASSERT_TRUE(m_schedule.Start());
        Connect();
        m_pPump->Restart();
    }

    void TearDown() override
    {
        m_pPump.reset();
        DocFixture::TearDown();
    }

    // The sensor's answers to what was sent, until nothing more is waiting,
    // then every message posted meanwhile, as the frame and the view take them.
    void Deliver()
    {
        for (int n = 0; n < 10; ++n) {
            m_pPump->Pump();
            m_pPort->Sent();
            if (m_pPort->PacketsWaiting() == 0)
                break;
            Doc().CommsDataReceived(true);
        }
        m_pPump->Pump();
    }

    void Line(const std::string& strText)
    {
        m_pPort->SupplyLine(strText);
        Doc().CommsDataReceived(true);
        Deliver();
    }

    void Wait(int nMs) { m_timers.Advance(nMs); }
    void WaitUntil(int nHour, int nMinute, int nSecond, int nDay = 8)
    {
        const auto until = MakeLocalTime(2026, 12, nDay, nHour, nMinute, nSecond);
        Wait(static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(until - m_clock.Now()).count()));
    }

    CTempFolder m_folder;
    CManualTimers m_timers{m_clock};
    CTimerSchedule m_schedule{m_timers, [this](uint32_t nId) { Doc().OnTimer(nId); }};
    std::unique_ptr<CDocPump> m_pPump;
};

}  // namespace halyard::test
