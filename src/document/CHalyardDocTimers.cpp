// CHalyardDoc: the view's timer ticks.
#include "document/CHalyardDoc.h"
#include "document/LogFiles.h"
#include "platform/Clock.h"

namespace halyard {

const std::vector<CHalyardDoc::SequenceBlock>& CHalyardDoc::SequenceBlocks()
{
    // One row per sequence, in the order the blocks run on each tick; only one
    // sequence runs at a time, and a row acts only while it is the one.
    static const std::vector<SequenceBlock> blocks{
        {Sequence::NVRAMLoad, &CHalyardDoc::NVRAMLoadTick},
        {Sequence::ALSNVRAMLoad, &CHalyardDoc::ALSNVRAMLoadTick},
        {Sequence::DumpAll, &CHalyardDoc::DumpTick},
        {Sequence::ALSDump, &CHalyardDoc::ALSDumpTick},
        {Sequence::ParamLoad, &CHalyardDoc::ParamLoadTick},
    };
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
    case TIMER_DAILY_LOG:
        OnDailyLogTick();
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
        m_strLogTime = LogTimeText(m_nLogHours, m_nLogMinutes, m_nLogSeconds);
        PostToFrame(WM_LOGTIME_UPDATE);
    }
    m_strTime = FormatTime(" %H:%M:%S", Clock().Now());
    PostToFrame(WM_TIME_UPDATE);
    OnDumpClockTick();
}

void CHalyardDoc::OnSequenceTick()
{
    // A reply taken off the port but not yet read by the views: the step
    // comes on the next tick, once it has been.
    if (LinesUnread())
        return;
    for (const SequenceBlock& block : SequenceBlocks())
        if (m_Sequence == block.sequence)
            (this->*block.pfnStep)();
}

}  // namespace halyard
