#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TempFolder.h"
#include "platform/FileCalls.h"
#include "platform/TextFile.h"

using namespace halyard;
namespace fs = std::filesystem;

namespace {

std::string TempPath(const std::string& strName)
{
    return (fs::temp_directory_path() / ("halyard-" + std::to_string(::getpid()) + "-" + strName)).string();
}

std::string ReadRaw(const std::string& strPath)
{
    std::ifstream in(SystemPath(strPath), std::ios::binary);
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
    EXPECT_TRUE(file.Close());
    fs::remove(path);
}

TEST(TextFile, OpenFailuresCarryTheirCause)
{
    CTextFile file;
    const SysResult missing = file.Open(TempPath("missing/nothing.txt"), CTextFile::modeRead);
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.Error(), SystemErrorCode(ENOENT));
    EXPECT_EQ(file.LastError().m_cause, CFileException::fileNotFound);
    const std::string directory = fs::temp_directory_path().string();
    EXPECT_FALSE(file.Open(directory, CTextFile::modeWrite));
    EXPECT_EQ(file.LastError().m_cause, CFileException::accessDenied);
    EXPECT_NE(file.LastError().ErrorMessage().find(directory), std::string::npos);
    EXPECT_FALSE(file.IsOpen());
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
    EXPECT_EQ(read.Error(), SystemErrorCode(EBADF));
}

TEST(TextFile, AFileAndFolderNamedInAnyLanguageAreWrittenAndReadUnderThatName)
{
    halyard::test::CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    ASSERT_TRUE(fs::create_directory(SystemPath(folder.Path("Données"))));
    const std::string path = folder.Path("Données/journal-été.log");
    {
        CTextFile file;
        const SysResult opened = file.Open(path, CTextFile::modeCreate | CTextFile::modeWrite);
        ASSERT_TRUE(opened) << opened.Message();
        ASSERT_TRUE(file.WriteString("PW 1\npart"));
        EXPECT_EQ(file.GetFilePath(), path);
    }
    EXPECT_TRUE(EndsMidLine(path));
    CTextFile file;
    ASSERT_TRUE(file.Open(path, CTextFile::modeRead));
    std::string line;
    ASSERT_TRUE(file.ReadString(line).Value());
    EXPECT_EQ(line, "PW 1");
    // The system holds the names as given, not their UTF-8 bytes read as
    // characters of another code page.
    const fs::path made = fs::directory_iterator(SystemPath(folder.Path("Données")))->path();
    const std::u8string name = made.filename().u8string();
    EXPECT_EQ(std::string(name.begin(), name.end()), "journal-été.log");
}
