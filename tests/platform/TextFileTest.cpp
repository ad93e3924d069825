#include <gtest/gtest.h>

#include <unistd.h>

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
        file.WriteString("PW 1234\n");
        file.WriteString(std::string("\xB0"
                                     "C 12.5\nlast"));
        EXPECT_EQ(ReadRaw(path), "PW 1234\r\n\xB0"
                                 "C 12.5\r\nlast")
            << "each write is on disk at once";
        file.Close();
    }
    {
        CTextFile file;
        ASSERT_TRUE(
            file.Open(path, CTextFile::modeWrite | CTextFile::modeCreate | CTextFile::modeNoTruncate));
        file.SeekToEnd();
        file.WriteString("\nappended\n");
    }
    CTextFile file;
    ASSERT_TRUE(file.Open(path, CTextFile::modeRead));
    std::string line;
    std::vector<std::string> lines;
    while (file.ReadString(line))
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
    CFileException error;
    EXPECT_FALSE(file.Open(TempPath("missing/nothing.txt"), CTextFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    const std::string directory = fs::temp_directory_path().string();
    EXPECT_FALSE(file.Open(directory, CTextFile::modeWrite, &error));
    EXPECT_EQ(error.m_cause, CFileException::accessDenied);
    EXPECT_NE(error.ErrorMessage().find(directory), std::string::npos);
    EXPECT_FALSE(file.IsOpen());
}

TEST(TextFile, FullDiskIsThrownOnWrite)
{
    CTextFile file;
    ASSERT_TRUE(file.Open("/dev/full", CTextFile::modeWrite));
    try {
        file.WriteString("record\n");
        FAIL() << "a write to a full disk must throw";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::diskFull);
        EXPECT_EQ(e.m_strFileName, "/dev/full");
    }
}

TEST(TextFile, ClosedFileThrowsInvalidFile)
{
    CTextFile file;
    try {
        file.WriteString("x");
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::invalidFile);
    }
}

TEST(TextFile, AWriteThatFailsPartWayIsTakenBackSoTheFileEndsOnAWholeLine)
{
    const std::string path = TempPath("torn.txt");
    CTextFile file;
    ASSERT_TRUE(file.Open(path, CTextFile::modeCreate | CTextFile::modeWrite));
    file.WriteString("PW 1\n");
    {
        // Room for four more bytes: the next line gets in only in part.
        CFileSizeLimit limit(fs::file_size(path) + 4);
        ASSERT_TRUE(limit.IsSet());
        try {
            file.WriteString("PW 2 longer than the room left\n");
            ADD_FAILURE() << "a write past the limit must throw";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, CFileException::diskFull);
        }
        EXPECT_EQ(ReadRaw(path), "PW 1\r\n");
    }
    file.WriteString("PW 3\n");
    EXPECT_EQ(ReadRaw(path), "PW 1\r\nPW 3\r\n") << "the next line starts where the failed one began";
    file.Close();
    fs::remove(path);
}
