#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "FileSizeLimit.h"
#include "platform/TextFile.h"

using namespace halyard;
using halyard::test::CFileSizeLimit;
namespace fs = std::filesystem;

namespace {

std::string TempPath(const std::string& strName)
{
    return (fs::temp_directory_path() / ("halyard-" + std::to_string(::getpid()) + "-" + strName)).string();
}

std::string ReadRaw(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

TEST(TextFile, WritesCrLfAndReadsLinesBack)
{
    const std::string path = TempPath("lines.txt");
    {
        CTextFile file;
        ASSERT_TRUE(file.Open(path, CTextFile::modeCreate | CTextFile::modeWrite));
        ASSERT_TRUE(file.WriteString("PW 1234\n"));
        ASSERT_TRUE(file.WriteString(std::string("\xB0"
                                                 "C 12.5\nlast")));
        EXPECT_EQ(ReadRaw(path), "PW 1234\r\n\xB0"
                                 "C 12.5\r\nlast")
            << "each write is on disk at once";
        EXPECT_TRUE(file.Close());
    }
    {
        CTextFile file;
        ASSERT_TRUE(
            file.Open(path, CTextFile::modeWrite | CTextFile::modeCreate | CTextFile::modeNoTruncate));
        ASSERT_TRUE(file.SeekToEnd());
        ASSERT_TRUE(file.WriteString("\nappended\n"));
    }
    CTextFile file;
    ASSERT_TRUE(file.Open(path, CTextFile::modeRead));
    std::string line;
    std::vector<std::string> lines;
    while (file.ReadString(line).Value())
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"PW 1234",
                                               "\xB0"
                                               "C 12.5",
                                               "last", "appended"}));
    fs::remove(path);
}

TEST(TextFile, OpenFailuresCarryTheirCause)
{
    CTextFile file;
    const SysResult missing = file.Open(TempPath("missing/nothing.txt"), CTextFile::modeRead);
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.Error(), uint32_t{ENOENT});
    EXPECT_EQ(file.LastError().m_cause, CFileException::fileNotFound);
    const std::string directory = fs::temp_directory_path().string();
    EXPECT_FALSE(file.Open(directory, CTextFile::modeWrite));
    EXPECT_EQ(file.LastError().m_cause, CFileException::accessDenied);
    EXPECT_NE(file.LastError().ErrorMessage().find(directory), std::string::npos);
    EXPECT_FALSE(file.IsOpen());
}

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

TEST(TextFile, ClosedFileReportsInvalidFile)
{
    CTextFile file;
    std::string strLine;
    EXPECT_FALSE(file.WriteString("x"));
    EXPECT_EQ(file.LastError().m_cause, CFileException::invalidFile);
    const Result<bool> read = file.ReadString(strLine);
    EXPECT_FALSE(read.Ok());
    EXPECT_FALSE(read.Value());
    EXPECT_EQ(read.Error(), uint32_t{EBADF});
}

TEST(TextFile, AWriteThatFailsPartWayIsTakenBackSoTheFileEndsOnAWholeLine)
{
    const std::string path = TempPath("torn.txt");
    CTextFile file;
    ASSERT_TRUE(file.Open(path, CTextFile::modeCreate | CTextFile::modeWrite));
    ASSERT_TRUE(file.WriteString("PW 1\n"));
    {
        // Room for four more bytes: the next line gets in only in part.
        CFileSizeLimit limit(fs::file_size(path) + 4);
        ASSERT_TRUE(limit.IsSet());
        EXPECT_FALSE(file.WriteString("PW 2 longer than the room left\n")) << "a write past the limit must fail";
        EXPECT_EQ(file.LastError().m_cause, CFileException::diskFull);
        EXPECT_EQ(ReadRaw(path), "PW 1\r\n");
    }
    ASSERT_TRUE(file.WriteString("PW 3\n"));
    EXPECT_EQ(ReadRaw(path), "PW 1\r\nPW 3\r\n") << "the next line starts where the failed one began";
    EXPECT_TRUE(file.Close());
    fs::remove(path);
}
