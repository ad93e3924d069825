#include <gtest/gtest.h>

#include <cerrno>

#include "platform/SysError.h"

using namespace halyard;

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
    EXPECT_EQ(SysResult::FromErrno().Error(), SystemErrorCode(ENOSPC));

    const Result<uint32_t> count = uint32_t{7};
    EXPECT_TRUE(count.Ok());
    EXPECT_EQ(count.Value(), 7u);
    const Result<uint32_t> failed = SysResult::Failure(EIO);
    EXPECT_FALSE(failed.Ok());
    EXPECT_EQ(failed.Value(), 0u) << "no count comes with a failure";
    EXPECT_EQ(failed.Message(), SystemErrorText(EIO));
}
