// The text file on Linux: a full disk (/dev/full) and a write cut short by
// the file-size limit.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "FileSizeLimit.h"
#include "TempFolder.h"
#include "platform/TextFile.h"

using namespace halyard;
using halyard::test::CFileSizeLimit;
using halyard::test::CTempFolder;
using halyard::test::ReadWholeFile;
namespace fs = std::filesystem;

TEST(TextFile, FullDiskIsReportedOnWrite)
{
    CTextFile file;
    ASSERT_TRUE(file.Open("/dev/full", CTextFile::modeWrite));
    const SysResult written = file.WriteString("record\n");
    ASSERT_FALSE(written) << "a write to a full disk must fail";
    EXPECT_EQ(written.Error(), uint32_t{ENOSPC});
    EXPECT_EQ(file.LastError().m_cause, CFileException::diskFull);
    EXPECT_EQ(file.LastError().m_strFileName, "/dev/full");
}

TEST(TextFile, AWriteThatFailsPartWayIsTakenBackSoTheFileEndsOnAWholeLine)
{
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string path = folder.Path("torn.txt");
    CTextFile file;
    ASSERT_TRUE(file.Open(path, CTextFile::modeCreate | CTextFile::modeWrite));
    ASSERT_TRUE(file.WriteString("PW 1\n"));
    {
        // Room for four more bytes: the next line gets in only in part.
        CFileSizeLimit limit(fs::file_size(path) + 4);
        ASSERT_TRUE(limit.IsSet());
        EXPECT_FALSE(file.WriteString("PW 2 longer than the room left\n")) << "a write past the limit must fail";
        EXPECT_EQ(file.LastError().m_cause, CFileException::diskFull);
        EXPECT_EQ(ReadWholeFile(path), "PW 1\r\n");
    }
    ASSERT_TRUE(file.WriteString("PW 3\n"));
    EXPECT_EQ(ReadWholeFile(path), "PW 1\r\nPW 3\r\n") << "the next line starts where the failed one began";
    EXPECT_TRUE(file.Close());
}
