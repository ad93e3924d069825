#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "platform/SysError.h"
#include "platform/TextFile.h"

using namespace halyard;

TEST(SysError, FileErrorsGiveTheSystemTextAlone)
{
    // Saving into a folder the user cannot write is not a serial port matter.
    const CFileException error(CFileException::accessDenied, EACCES, "/srv/list.txt");
    EXPECT_EQ(error.ErrorMessage(), "Error with file /srv/list.txt: " + std::string(std::strerror(EACCES)));
    EXPECT_EQ(SystemErrorText(EPERM), std::strerror(EPERM));
}

TEST(SysError, OnlyARefusedPortOpenTellsHowToGetPermission)
{
    for (const uint32_t dwError : {uint32_t{EACCES}, uint32_t{EPERM}}) {
        const std::string text = PortOpenErrorText(dwError);
        EXPECT_EQ(text.rfind(SystemErrorText(dwError), 0), 0u) << text;
        EXPECT_NE(text.find("add your user to the dialout group"), std::string::npos) << text;
    }
    EXPECT_EQ(PortOpenErrorText(ENOENT), SystemErrorText(ENOENT));
    EXPECT_EQ(PortOpenErrorText(EBUSY), SystemErrorText(EBUSY));
}

TEST(SysError, AResultIsSuccessOrTheSystemsCodeWithItsText)
{
    const SysResult ok;
    EXPECT_TRUE(ok);
    EXPECT_EQ(ok.Error(), 0u);
    EXPECT_EQ(ok.Message(), "");

    const SysResult busy = SysResult::Failure(EBUSY);
    EXPECT_FALSE(busy);
    EXPECT_EQ(busy.Error(), uint32_t{EBUSY});
    EXPECT_EQ(busy.Message(), SystemErrorText(EBUSY));
    EXPECT_FALSE(SysResult::Failure(0)) << "a failure without a code is still a failure";

    errno = ENOSPC;
    EXPECT_EQ(SysResult::FromErrno().Error(), uint32_t{ENOSPC});

    const Result<uint32_t> count = uint32_t{7};
    EXPECT_TRUE(count.Ok());
    EXPECT_EQ(count.Value(), 7u);
    const Result<uint32_t> failed = SysResult::Failure(EIO);
    EXPECT_FALSE(failed.Ok());
    EXPECT_EQ(failed.Value(), 0u) << "no count comes with a failure";
    EXPECT_EQ(failed.Message(), SystemErrorText(EIO));
}
