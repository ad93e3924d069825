// A disk that fills in the middle of a log record (the file-size limit
// stands in for it).
#include <gtest/gtest.h>

#include "../DocLoggingFixture.h"
#include "FileSizeLimit.h"
#include "document/LogFiles.h"

namespace halyard::test {
namespace {

TEST_F(DocLogging, ADiskFullInTheMiddleOfARecordLeavesOnlyWholeRecordsAndIsToldOnce)
{
    const std::string strPath = m_folder.Path("data.LOG");
    ASSERT_TRUE(StartLog(strPath, {.bTimestamp = true}));
    Line("PW 1");
    Line("PW 2");
    const std::string strWhole = ReadWholeFile(strPath);
    {
        // Ten bytes of the next record fit on the disk.
        CFileSizeLimit limit(strWhole.size() + 10);
        ASSERT_TRUE(limit.IsSet());
        Line("PW 3");
        Line("PW 4");
    }
    EXPECT_FALSE(Doc().IsLogging());
    EXPECT_EQ(ReadWholeFile(strPath), strWhole) << "the torn record is cut off";
    EXPECT_EQ(LogErrors(),
              (std::vector<PostedMessage>{{WM_LOG_ERROR, CFileException::diskFull, LOG_WRITE_FAILED}}));
    EXPECT_EQ(Doc().GetRecords(), 0u);
}

}  // namespace
}  // namespace halyard::test
