// The broker's URL and the options that go with it, checked before anything starts.
#include <gtest/gtest.h>

#include <fstream>

#include "TempFolder.h"
#include "console/MqttCommandLine.h"
#include "network/MqttSettings.h"

namespace halyard::test {
namespace {

TEST(ParseMqttUrl, TakesTheHostAndThePortOrTheSchemesOwnPort)
{
    struct Case { const char* pszUrl; const char* pszHost; int nPort; bool bTls; };
    for (const Case& c : {Case{"mqtt://broker.example.org", "broker.example.org", 1883, false},
                          Case{"mqtt://127.0.0.1:18830", "127.0.0.1", 18830, false},
                          Case{"mqtts://broker", "broker", 8883, true},
                          Case{"mqtts://broker:1", "broker", 1, true},
                          Case{"mqtt://host_1-a:65535/", "host_1-a", 65535, false},
                          Case{"mqtt://[::1]:1884", "::1", 1884, false},
                          Case{"mqtts://[fe80::1]", "fe80::1", 8883, true}}) {
        SCOPED_TRACE(c.pszUrl);
        const Result<MqttSettings> parsed = ParseMqttUrl(c.pszUrl);
        ASSERT_TRUE(parsed.Ok());
        EXPECT_EQ(parsed.Value().strUrl, c.pszUrl);
        EXPECT_EQ(parsed.Value().strHost, c.pszHost);
        EXPECT_EQ(parsed.Value().nPort, c.nPort);
        EXPECT_EQ(parsed.Value().bTls, c.bTls);
    }
}

TEST(ParseMqttUrl, RefusesWhatIsNotAHostAndPortSayingWhatIsWrong)
{
    struct Case { const char* pszUrl; const char* pszWhy; };
    for (const Case& c : {Case{"broker:1883", "expected mqtt://host[:port]"},
                          Case{"http://broker", "expected mqtt://host[:port]"},
                          Case{"MQTT://broker", "expected mqtt://host[:port]"},
                          Case{"mqtt://", "no host"},
                          Case{"mqtt://:1883", "no host"},
                          Case{"mqtt://broker:", "the port is empty"},
                          Case{"mqtt://broker:0", "from 1 to 65535"},
                          Case{"mqtt://broker:65536", "from 1 to 65535"},
                          Case{"mqtt://broker:18x3", "from 1 to 65535"},
                          Case{"mqtt://broker:-1", "from 1 to 65535"},
                          Case{"mqtt://broker:1883/halyard", "no path"},
                          Case{"mqtt://user@broker", "no path, user"},
                          Case{"mqtt://bro ker", "cannot have: ' '"},
                          Case{"mqtt://[::1", "closing ']'"},
                          Case{"mqtt://[::1]1883", "expected ':port'"},
                          Case{"mqtt://::1", "cannot have: ':'"}}) {
        SCOPED_TRACE(c.pszUrl);
        std::string strWhy;
        const Result<MqttSettings> parsed = ParseMqttUrl(c.pszUrl, &strWhy);
        EXPECT_FALSE(parsed.Ok());
        EXPECT_EQ(parsed.Error(), static_cast<uint32_t>(EINVAL));
        EXPECT_EQ(strWhy.rfind(std::string(c.pszUrl) + ": ", 0), 0u) << strWhy;
        EXPECT_NE(strWhy.find(c.pszWhy), std::string::npos) << strWhy;
    }
}

MqttOptions Options(std::string strUrl, std::string strCa = {}, std::string strCert = {}, std::string strKey = {},
                    std::string strUser = {}, std::string strPasswordFile = {})
{
    return {std::move(strUrl), std::move(strCa), std::move(strCert), std::move(strKey), std::move(strUser),
            std::move(strPasswordFile)};
}

class MqttOptionsCheck : public ::testing::Test {
protected:
    std::string File(const std::string& strName)
    {
        std::ofstream(m_folder.Path(strName)) << "secret\n";
        return m_folder.Path(strName);
    }
    CTempFolder m_folder;
};

TEST_F(MqttOptionsCheck, GivesTheSettingsWithEveryFileWhenAllIsWell)
{
    MqttOptions options = Options("mqtts://broker:8884", File("ca.pem"), File("c.pem"), File("k.pem"), "station-7", File("pw"));
    const MqttCheck check = CheckMqttOptions(options);
    ASSERT_TRUE(check.settings) << check.strMessage;
    EXPECT_EQ(check.nExit, EXIT_DONE);
    EXPECT_EQ(check.settings->nPort, 8884);
    EXPECT_EQ(check.settings->strCaFile, options.strCaFile);
    EXPECT_EQ(check.settings->strCertFile, options.strCertFile);
    EXPECT_EQ(check.settings->strKeyFile, options.strKeyFile);
    EXPECT_EQ(check.settings->strUser, "station-7");
    EXPECT_EQ(check.settings->strPasswordFile, options.strPasswordFile);
}

TEST_F(MqttOptionsCheck, RefusesWithTheExitStatusOfWhatIsWrong)
{
    struct Case { MqttOptions options; int nExit; std::string strWhy; };
    const std::string strFile = File("f.pem");
    const std::string strMissing = m_folder.Path("missing.pem");
    for (const Case& c : {
             Case{Options("tcp://broker"), EXIT_USAGE, "--mqtt tcp://broker: expected"},
             Case{Options("mqtt://broker", strFile), EXIT_USAGE, "need an mqtts:// URL"},
             Case{Options("mqtts://broker", "", strFile), EXIT_USAGE, "go together"},
             Case{Options("mqtts://broker", "", "", strFile), EXIT_USAGE, "go together"},
             Case{Options("mqtt://broker", "", "", "", "", strFile), EXIT_USAGE, "needs --mqtt-user"},
             Case{Options("mqtts://broker", strMissing), EXIT_FILE, "--mqtt-ca " + strMissing + ": No such file"},
             Case{Options("mqtt://broker", "", "", "", "u", strMissing), EXIT_FILE, "--mqtt-password-file " + strMissing},
         }) {
        SCOPED_TRACE(c.strWhy);
        const MqttCheck check = CheckMqttOptions(c.options);
        EXPECT_FALSE(check.settings);
        EXPECT_EQ(check.nExit, c.nExit);
        EXPECT_NE(check.strMessage.find(c.strWhy), std::string::npos) << check.strMessage;
    }
}

}  // namespace
}  // namespace halyard::test
