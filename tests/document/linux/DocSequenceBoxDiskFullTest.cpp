// A dump whose file stops taking records (the file-size limit stands in for
// a full disk), looked at while the box that reports its end is open.
#include <gtest/gtest.h>

#include "../DocSequenceBoxFixture.h"
#include "FileSizeLimit.h"

namespace halyard::test {
namespace {

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
