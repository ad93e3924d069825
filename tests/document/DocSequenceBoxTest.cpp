// A message box the document opens while a sequence runs stays open while
// the program goes on around it: timers 8 and 2 keep ticking, the views take
// their messages and the sensor answers. By the time the box opens, the
// sequence it tells of has settled: nothing steps on, nothing more is sent,
// nothing ends twice and no second box opens.
#include <set>

#include "DocSequenceBoxFixture.h"
#include "document/Registers.h"

namespace halyard::test {
namespace {

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

}  // namespace
}  // namespace halyard::test
