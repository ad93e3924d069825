// CHalyardDoc: the view's timer ticks, polling, and stopping the log.
#include <cstdio>

#include "document/CHalyardDoc.h"
#include "platform/Clock.h"

namespace halyard {

namespace {

std::string ElapsedText(int nHours, int nMinutes, int nSeconds)
{
    char sz[32];
    std::snprintf(sz, sizeof sz, " %02d:%02d:%02d", nHours, nMinutes, nSeconds);
    return sz;
}

}  // namespace

const std::vector<CHalyardDoc::SequenceBlock>& CHalyardDoc::SequenceBlocks()
{
    // One row per sequence, in the order the blocks run on each tick; only one
    // sequence runs at a time, and a row acts only while its flag is set.
    static const std::vector<SequenceBlock> blocks{};
    return blocks;
}

void CHalyardDoc::OnTimer(uint32_t nIDEvent)
{
    switch (nIDEvent) {
    case TIMER_CLOCK:
        OnClockTick();
        break;
    case TIMER_POLL:
        SendCommand(m_strPollText, true);
        break;
    case TIMER_AUTO_R:
        SendCommand("R?", true);
        break;
    case TIMER_AUTO_M:
        SendCommand("M?", true);
        break;
    case TIMER_AUTO_XW:
        SendCommand("XW?", true);
        break;
    case TIMER_SEQUENCE:
        OnSequenceTick();
        break;
    default:
        break;
    }
}

void CHalyardDoc::OnClockTick()
{
    if (m_bLogging) {
        if (++m_nLogSeconds >= 60) {
            m_nLogSeconds = 0;
            if (++m_nLogMinutes >= 60) {
                m_nLogMinutes = 0;
                ++m_nLogHours;
            }
        }
        m_strLogTime = ElapsedText(m_nLogHours, m_nLogMinutes, m_nLogSeconds);
        PostToFrame(WM_LOGTIME_UPDATE);
    }
    m_strTime = FormatTime(" %H:%M:%S", Clock().Now());
    PostToFrame(WM_TIME_UPDATE);
}

void CHalyardDoc::OnSequenceTick()
{
    for (const SequenceBlock& block : SequenceBlocks())
        if (this->*block.pbFlag)
            (this->*block.pfnStep)();
}

void CHalyardDoc::StopLogging()
{
    if (m_bLogging) {
        try {
            m_File.Flush();
            m_File.Close();
        } catch (const CFileException&) {
            // The log is being given up; a failing flush cannot be retried.
        }
        m_nRecords = 0;
        m_nLogSeconds = m_nLogMinutes = m_nLogHours = 0;
        m_strLogTime.clear();
        PostToFrame(WM_RECORD_UPDATE, 0);
        PostToFrame(WM_LOGTIME_UPDATE);
        PostToViews(WM_AUTO_R_START, 0);
        PostToViews(WM_AUTO_M_START, 0);
        PostToViews(WM_AUTO_XW_START, 0);
        if (m_bCaptureA)
            SendCommand("A?", true);
    }
    m_bLogging = false;
}

void CHalyardDoc::StartPolling(const std::string& szPollText, int16_t nPollTime)
{
    // A period below one second would make the view's timer spin.
    if (szPollText.empty() || nPollTime < 1)
        return;
    m_strPollText = szPollText;
    SendCommand(szPollText, true);
    PostToViews(WM_POLL_START, static_cast<uintptr_t>(nPollTime), 0);
}

void CHalyardDoc::StopPolling()
{
    PostToViews(WM_POLL_STOP);
}

void CHalyardDoc::CaptureDumpLine(const std::string&, bool, bool)
{
    // The dump sequences record their replies here; no dump can run yet.
}

}  // namespace halyard
