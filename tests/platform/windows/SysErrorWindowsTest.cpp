// The system's texts on Windows: FormatMessage's, in UTF-8, used inside the
// program's own sentences; and the codes of the C runtime's errno values.
#include <gtest/gtest.h>

#include <windows.h>

#include <cerrno>

#include "platform/SysError.h"
#include "platform/TextFile.h"

using namespace halyard;

TEST(SysError, TheSystemsOwnTextWithoutItsFullStopAndLineBreak)
{
    const std::string text = SystemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_NE(text.rfind("Unknown error", 0), 0u) << "the system knows the code: " << text;
    for (const uint32_t dwError : {uint32_t{ERROR_FILE_NOT_FOUND}, uint32_t{ERROR_ACCESS_DENIED},
                                   uint32_t{ERROR_SHARING_VIOLATION}, uint32_t{ERROR_DISK_FULL}}) {
        const std::string other = SystemErrorText(dwError);
        ASSERT_FALSE(other.empty()) << dwError;
        EXPECT_NE(other.back(), '.') << other;
        EXPECT_EQ(other.find_first_of("\r\n"), std::string::npos) << other;
    }
    EXPECT_NE(SystemErrorText(ERROR_ACCESS_DENIED), text);
    EXPECT_EQ(SystemErrorText(0xDEADBEEF), "Unknown error 3735928559");

    const CFileException error(CFileException::accessDenied, ERROR_ACCESS_DENIED, "C:\\srv\\list.txt");
    EXPECT_EQ(error.ErrorMessage(), "Error with file C:\\srv\\list.txt: " + SystemErrorText(ERROR_ACCESS_DENIED));
}

TEST(SysError, APortHeldElsewhereSaysSo)
{
    for (const uint32_t dwError : {uint32_t{ERROR_ACCESS_DENIED}, uint32_t{ERROR_SHARING_VIOLATION}}) {
        const std::string text = PortOpenErrorText(dwError);
        EXPECT_EQ(text.rfind(SystemErrorText(dwError), 0), 0u) << text;
        EXPECT_NE(text.find("open in another program"), std::string::npos) << text;
    }
    EXPECT_EQ(PortOpenErrorText(ERROR_FILE_NOT_FOUND), SystemErrorText(ERROR_FILE_NOT_FOUND));
}

TEST(SysError, RuntimeErrorsBecomeTheSystemsCodes)
{
    EXPECT_EQ(SystemErrorCode(0), 0u);
    EXPECT_EQ(SystemErrorCode(ENOENT), uint32_t{ERROR_FILE_NOT_FOUND});
    EXPECT_EQ(SystemErrorCode(EACCES), uint32_t{ERROR_ACCESS_DENIED});
    EXPECT_EQ(SystemErrorCode(ENOSPC), uint32_t{ERROR_DISK_FULL});
    EXPECT_EQ(SystemErrorCode(EBADF), uint32_t{ERROR_INVALID_HANDLE});
    EXPECT_EQ(SysResult::Failure(0).Error(), uint32_t{ERROR_GEN_FAILURE}) << "never ERROR_ACCESS_DENIED (EIO's number)";
}
