// The test broker itself: it accepts clients once started, keeps a retained
// message across a stop and a start (persistence on, the same port), and
// comes back after being killed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliProcess.h"
#include "MosquittoBroker.h"

namespace halyard::test {
namespace {

// mosquitto_pub or mosquitto_sub against the broker with extra arguments;
// its exit status (the output is in strOutput).
int RunClient(const CMosquittoBroker& broker, const char* szProgram, const std::vector<std::string>& args,
              const std::string& strOutput)
{
    std::vector<std::string> all = broker.ClientArgs();
    all.insert(all.end(), args.begin(), args.end());
    CCliProcess client(std::string("/usr/bin/") + szProgram, all, strOutput);
    return client.Wait();
}

TEST(MosquittoBroker, KeepsARetainedMessageAcrossAStopAndAStart)
{
    CTempFolder folder;
    CMosquittoBroker broker;
    ASSERT_TRUE(broker.Start()) << broker.Log();
    const int nPort = broker.Port();
    ASSERT_GT(nPort, 0);
    // QoS 1: mosquitto_pub exits 0 only once the broker acknowledged.
    ASSERT_EQ(RunClient(broker, "mosquitto_pub", {"-q", "1", "-r", "-t", "test/kept", "-m", "still here"},
                        folder.Path("pub")),
              0)
        << ReadWholeFile(folder.Path("pub.err")) << broker.Log();

    EXPECT_TRUE(broker.Stop());
    EXPECT_FALSE(broker.IsRunning());
    EXPECT_NE(RunClient(broker, "mosquitto_pub", {"-q", "1", "-t", "test/x", "-m", "x"}, folder.Path("down")), 0)
        << "nobody accepts while the broker is stopped";

    ASSERT_TRUE(broker.Start()) << broker.Log();
    EXPECT_EQ(broker.Port(), nPort);
    ASSERT_EQ(RunClient(broker, "mosquitto_sub", {"-C", "1", "-W", "20", "-t", "test/kept"}, folder.Path("sub")), 0)
        << broker.Log();
    EXPECT_EQ(ReadWholeFile(folder.Path("sub")), "still here\n");
}

TEST(MosquittoBroker, StartsAgainAfterBeingKilled)
{
    CTempFolder folder;
    CMosquittoBroker broker;
    ASSERT_TRUE(broker.Start()) << broker.Log();
    broker.Kill();
    EXPECT_FALSE(broker.IsRunning());
    ASSERT_TRUE(broker.Start()) << broker.Log();
    EXPECT_EQ(RunClient(broker, "mosquitto_pub", {"-q", "1", "-t", "test/x", "-m", "x"}, folder.Path("pub")), 0)
        << broker.Log();
}

// The extra lines reach the configuration: a listener that wants a password
// refuses a client without one.
TEST(MosquittoBroker, TakesExtraConfigurationLines)
{
    CTempFolder folder;
    CMosquittoBroker broker({"allow_anonymous false"});
    ASSERT_TRUE(broker.Start()) << broker.Log();
    EXPECT_NE(RunClient(broker, "mosquitto_pub", {"-q", "1", "-t", "test/x", "-m", "x"}, folder.Path("pub")), 0);
    EXPECT_NE(ReadWholeFile(folder.Path("pub.err")).find("not authorised"), std::string::npos)
        << ReadWholeFile(folder.Path("pub.err"));
}

}  // namespace
}  // namespace halyard::test
