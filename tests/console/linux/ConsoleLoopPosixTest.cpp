// The console loop's wait on Linux when the system refuses it: no
// descriptor for the wake-up event, and a poll over more descriptors than
// the process may have.
#include <gtest/gtest.h>

#include <cerrno>
#include <optional>

#include "ResourceLimit.h"
#include "console/CConsoleLoop.h"

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

TEST(ConsoleLoop, ALoopWithoutItsWakeUpEventSaysWhyAndOnlyQuits)
{
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizers' runtime needs descriptors of its own (its type checks
    // probe memory through a pipe), which a limit of a few denies it: it then
    // reports every object it checks as invalid. The plain build runs this.
    GTEST_SKIP() << "the sanitizers need more file descriptors than this limit leaves";
#endif
    std::optional<CConsoleLoop> loop;
    {
        CResourceLimit limit(RLIMIT_NOFILE, 0);
        ASSERT_TRUE(limit.IsSet());
        loop.emplace();
    }
    EXPECT_FALSE(loop->Status());
    EXPECT_EQ(loop->Status().Error(), uint32_t{EMFILE});
    bool bGot = false;
    loop->SetMessageHandler([&](const LoopMessage&) { bGot = true; });
    loop->Post({PostTarget::Views, WM_COMMS_DATA, 1, 0});
    EXPECT_FALSE(loop->RunUntil([&] { return bGot; }, 10s));
    EXPECT_TRUE(loop->QuitRequested()) << "a loop that cannot wait stops rather than spin";
}

TEST(ConsoleLoop, AFailedWaitIsToldOnceAndTriedAgain)
{
    CConsoleLoop loop;
    ASSERT_TRUE(loop.Status());
    const EventHandle other = CreateAutoResetEvent();
    ASSERT_TRUE(other);
    loop.WatchFd(other->Fd(), [] {});
    std::vector<uint32_t> failures;
    loop.SetFailureHandler([&](const SysResult& failure) { failures.push_back(failure.Error()); });
    bool bGot = false;
    loop.SetMessageHandler([&](const LoopMessage&) { bGot = true; });
    loop.Post({PostTarget::Views, WM_COMMS_DATA, 1, 0});
    {
        // Two descriptors to wait for and a limit of one: poll refuses them.
        CResourceLimit limit(RLIMIT_NOFILE, 1);
        ASSERT_TRUE(limit.IsSet());
        loop.RunOnce(0);
        loop.RunOnce(0);
    }
    EXPECT_EQ(failures, (std::vector<uint32_t>{EINVAL})) << "a failure that goes on is told once";
    EXPECT_FALSE(bGot) << "nothing is handled in a pass whose wait failed";
    loop.RunOnce(0);
    EXPECT_TRUE(bGot) << "the next wait that works goes on as before";
    {
        CResourceLimit limit(RLIMIT_NOFILE, 1);
        loop.RunOnce(0);
    }
    EXPECT_EQ(failures.size(), 2u) << "a new failure after a wait that worked is told again";
}

}  // namespace
}  // namespace halyard::test
