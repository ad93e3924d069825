// halyard-cli collect against a real broker: every record once and in order,
// across its own SIGKILL and the broker's restart; the broker's ACL and the
// collector's own check keep a station out of another's files.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "MosquittoBroker.h"
#include "WaitUntil.h"
#include "console/CliOptions.h"
#include "network/StationRecord.h"

namespace halyard::test {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

constexpr seconds kLongWait{60};

StationRecord Record(const std::string& strStation, uint64_t nSeq, const std::string& strText = {})
{
    return {strStation, nSeq, "2026-12-10T01:02:03Z",
            strText.empty() ? strStation + " R" + std::to_string(nSeq) + ",10/12/2026,01:02:03" : strText,
            RecordKind::Data};
}

std::vector<uint64_t> Seqs(uint64_t nFirst, uint64_t nLast)
{
    std::vector<uint64_t> seqs;
    for (uint64_t n = nFirst; n <= nLast; ++n)
        seqs.push_back(n);
    return seqs;
}

// The station's day file as the collector must write it.
std::string Lines(const std::string& strStation, const std::vector<uint64_t>& seqs)
{
    std::string strText;
    for (const uint64_t nSeq : seqs)
        strText += Record(strStation, nSeq).strRecord + "\r\n";
    return strText;
}

std::string ShellQuoted(const std::string& strWord)
{
    std::string strQuoted = "'";
    for (const char ch : strWord)
        strQuoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return strQuoted + "'";
}

// A broker, the folder the collector writes to, and the collector and
// publishers as processes of their own.
class CollectTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.IsValid()); }

    std::string Dir() const { return m_folder.Path("centre"); }
    std::string DayFile(const std::string& strStation) const
    {
        return Dir() + "/" + strStation + "/2026-12-10.LOG";
    }
    std::string CollectorErr() const { return ReadWholeFile(m_folder.Path("collect.out.err")); }

    // Starts the collector and waits until the broker has its subscription.
    std::unique_ptr<CCliProcess> StartCollector(const CMosquittoBroker& broker, std::vector<std::string> extra = {})
    {
        const size_t nSubscribed = broker.Subscriptions("halyard/+/records");
        std::vector<std::string> args = {"collect", "--mqtt", broker.Url(), "--dir", Dir(), "--client-id",
                                         "test-collector"};
        args.insert(args.end(), extra.begin(), extra.end());
        auto pCollector = std::make_unique<CCliProcess>(HALYARD_CLI_PROGRAM, args, m_folder.Path("collect.out"));
        EXPECT_TRUE(WaitUntil([&] { return broker.Subscriptions("halyard/+/records") > nSubscribed; }, kLongWait))
            << CollectorErr() << broker.Log();
        return pCollector;
    }

    // mosquitto_pub sending each payload as one QoS 1 message, run in the
    // background; its exit status 0 says the broker acknowledged them all.
    std::unique_ptr<CCliProcess> StartPublisher(const CMosquittoBroker& broker, const std::string& strTopic,
                                                const std::vector<std::string>& payloads,
                                                const std::vector<std::string>& extra = {})
    {
        const std::string strInput = m_folder.Path("pub" + std::to_string(++m_nPublishers) + ".in");
        std::ofstream input(strInput);
        for (const std::string& strPayload : payloads)
            input << strPayload << "\n";
        input.close();
        std::string strCommand = "exec /usr/bin/mosquitto_pub";
        std::vector<std::string> args = broker.ClientArgs();
        args.insert(args.end(), {"-q", "1", "-t", strTopic, "-l"});
        args.insert(args.end(), extra.begin(), extra.end());
        for (const std::string& strArg : args)
            strCommand += " " + ShellQuoted(strArg);
        strCommand += " < " + ShellQuoted(strInput);
        return std::make_unique<CCliProcess>("/bin/sh", std::vector<std::string>{"-c", strCommand},
                                             strInput + ".out");
    }
    int Publish(const CMosquittoBroker& broker, const std::string& strStation, const std::vector<uint64_t>& seqs,
                const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> payloads;
        for (const uint64_t nSeq : seqs)
            payloads.push_back(EncodeRecordJson(Record(strStation, nSeq)));
        return StartPublisher(broker, "halyard/" + strStation + "/records", payloads, extra)->Wait();
    }

    bool WaitForFile(const std::string& strPath, const std::string& strContent) const
    {
        return WaitUntil([&] { return ReadWholeFile(strPath) == strContent; }, kLongWait);
    }

    CTempFolder m_folder;
    int m_nPublishers = 0;
};

// A collector offline keeps its queue at the broker however long it is.
const std::vector<std::string> kUnboundedQueue = {"max_queued_messages 0"};

TEST_F(CollectTest, WritesEachRecordOnceInOrderAndReportsAGap)
{
    CMosquittoBroker broker(kUnboundedQueue);
    ASSERT_TRUE(broker.Start()) << broker.Log();
    auto pCollector = StartCollector(broker);

    ASSERT_EQ(Publish(broker, "mast-1", {1, 2, 3, 4, 5, 3, 4, 5, 8}), 0);
    ASSERT_EQ(Publish(broker, "mast_2", {1, 2}), 0);
    EXPECT_TRUE(WaitForFile(DayFile("mast-1"), Lines("mast-1", {1, 2, 3, 4, 5, 8})))
        << ReadWholeFile(DayFile("mast-1")) << CollectorErr();
    EXPECT_TRUE(WaitForFile(DayFile("mast_2"), Lines("mast_2", {1, 2}))) << CollectorErr();

    const std::string strGap = "seq 6 to 7 missing (seq 8 logged 2026-12-10T01:02:03Z)";
    EXPECT_EQ(ReadLines(Dir() + "/mast-1/gaps.txt"), std::vector<std::string>{strGap});
    EXPECT_NE(CollectorErr().find("station mast-1: " + strGap), std::string::npos) << CollectorErr();
    EXPECT_FALSE(fs::exists(Dir() + "/mast_2/gaps.txt"));

    pCollector->Signal(SIGTERM);
    EXPECT_EQ(pCollector->Wait(), EXIT_DONE);
    EXPECT_NE(CollectorErr().find("Collecting stopped"), std::string::npos) << CollectorErr();
}

// Killed while records stream in, the collector started again gets from the
// broker what it had not acknowledged: every record once.
TEST_F(CollectTest, NothingLostOrDoubledWhenTheCollectorIsKilledMidStream)
{
    CMosquittoBroker broker(kUnboundedQueue);
    ASSERT_TRUE(broker.Start()) << broker.Log();
    auto pCollector = StartCollector(broker);

    constexpr uint64_t kRecords = 1500;
    std::vector<std::string> payloads;
    for (const uint64_t nSeq : Seqs(1, kRecords))
        payloads.push_back(EncodeRecordJson(Record("mast-1", nSeq)));
    auto pPublisher = StartPublisher(broker, "halyard/mast-1/records", payloads);
    ASSERT_TRUE(WaitUntil([&] { return !ReadWholeFile(DayFile("mast-1")).empty(); }, kLongWait)) << CollectorErr();
    pCollector->Signal(SIGKILL);
    pCollector->Wait();
    EXPECT_EQ(pPublisher->Wait(), 0) << "the broker took every record";

    pCollector = StartCollector(broker);
    EXPECT_TRUE(WaitForFile(DayFile("mast-1"), Lines("mast-1", Seqs(1, kRecords))))
        << CountOf(ReadWholeFile(DayFile("mast-1")), "\r\n") << " lines\n" << CollectorErr();
    EXPECT_FALSE(fs::exists(Dir() + "/mast-1/gaps.txt"));
}

// With persistence on, the broker restarted keeps the collector's session:
// its subscription and the records queued for it while it was away.
TEST_F(CollectTest, NothingLostOrDoubledAcrossBrokerRestarts)
{
    CMosquittoBroker broker(kUnboundedQueue);
    ASSERT_TRUE(broker.Start()) << broker.Log();
    auto pCollector = StartCollector(broker);
    ASSERT_EQ(Publish(broker, "mast-1", {1, 2, 3}), 0);
    ASSERT_TRUE(WaitForFile(DayFile("mast-1"), Lines("mast-1", {1, 2, 3}))) << CollectorErr();

    // The collector connects again by itself; records sent before it has
    // wait for it at the broker.
    ASSERT_TRUE(broker.Stop());
    ASSERT_TRUE(broker.Start()) << broker.Log();
    ASSERT_EQ(Publish(broker, "mast-1", {4, 5, 6}), 0);
    EXPECT_TRUE(WaitForFile(DayFile("mast-1"), Lines("mast-1", Seqs(1, 6)))) << CollectorErr();
    EXPECT_NE(CollectorErr().find("Connected to " + broker.Url() + " again"), std::string::npos) << CollectorErr();

    // Records queued for a collector that is down survive the broker's restart.
    pCollector->Signal(SIGKILL);
    pCollector->Wait();
    ASSERT_EQ(Publish(broker, "mast-1", {7, 8, 9}), 0);
    ASSERT_TRUE(broker.Stop());
    ASSERT_TRUE(broker.Start()) << broker.Log();
    pCollector = StartCollector(broker);
    EXPECT_TRUE(WaitForFile(DayFile("mast-1"), Lines("mast-1", Seqs(1, 9)))) << CollectorErr();
    EXPECT_FALSE(fs::exists(Dir() + "/mast-1/gaps.txt"));
}

// The whole chain: a station logging a simulated sensor with --mqtt, the
// broker, the collector. The collector's files hold the station's file,
// byte for byte.
TEST_F(CollectTest, TheCollectorsFilesHoldTheStationsRecordsByteForByte)
{
    CMosquittoBroker broker(kUnboundedQueue);
    ASSERT_TRUE(broker.Start()) << broker.Log();
    auto pCollector = StartCollector(broker);
    const std::string strStationLog = m_folder.Path("station.LOG");
    CCliProcess station(HALYARD_CLI_PROGRAM,
                        {"--simulate", "log", strStationLog, "--mqtt", broker.Url(), "--station", "mast-1",
                         "--state-dir", m_folder.Path("state")},
                        m_folder.Path("station.out"));
    // Every file of the station's folder that the collector wrote, by day.
    const auto collected = [this] {
        std::vector<std::string> days;
        for (const auto& entry : fs::directory_iterator(Dir() + "/mast-1"))
            if (entry.path().extension() == ".LOG")
                days.push_back(entry.path().string());
        std::sort(days.begin(), days.end());
        std::string strText;
        for (const std::string& strDay : days)
            strText += ReadWholeFile(strDay);
        return strText;
    };
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(Dir() + "/mast-1") && CountOf(collected(), "\r\n") >= 2; },
                          kLongWait))
        << ReadWholeFile(m_folder.Path("station.out.err")) << CollectorErr();
    station.Signal(SIGTERM);
    EXPECT_EQ(station.Wait(), EXIT_DONE) << ReadWholeFile(m_folder.Path("station.out.err"));
    const std::string strStation = ReadWholeFile(strStationLog);
    EXPECT_TRUE(WaitUntil([&] { return collected() == strStation; }, kLongWait))
        << "station:\n" << strStation << "collector:\n" << collected() << CollectorErr();
    EXPECT_FALSE(fs::exists(Dir() + "/mast-1/gaps.txt"));
}

// The broker's users and the example set-up's own ACL file: station X
// writes only halyard/X/#, the collector only reads the records.
class CollectAclTest : public CollectTest {
protected:
    void SetUp() override
    {
        CollectTest::SetUp();
        const std::string strPasswords = m_folder.Path("passwd");
        for (const char* szUser : {"mast-1", "mast-2", "halyard-collect"}) {
            std::vector<std::string> args = {"-b", strPasswords, szUser, std::string("secret-") + szUser};
            if (!fs::exists(strPasswords))
                args.insert(args.begin(), "-c");
            CCliProcess passwd("/usr/bin/mosquitto_passwd", args, m_folder.Path("passwd.out"));
            ASSERT_EQ(passwd.Wait(), 0) << ReadWholeFile(m_folder.Path("passwd.out"));
        }
        std::ofstream(m_folder.Path("collector.pw")) << "secret-halyard-collect\n";
        std::ofstream(m_folder.Path("wrong.pw")) << "not-the-password\n";
        m_pBroker = std::make_unique<CMosquittoBroker>(std::vector<std::string>{
            "allow_anonymous false", "password_file " + strPasswords, "acl_file " HALYARD_BROKER_ACL});
        ASSERT_TRUE(m_pBroker->Start()) << m_pBroker->Log();
    }
    std::vector<std::string> As(const std::string& strUser) const
    {
        return {"-u", strUser, "-P", "secret-" + strUser};
    }

    std::unique_ptr<CMosquittoBroker> m_pBroker;
};

TEST_F(CollectAclTest, AStationThatWritesAsAnotherNeverReachesItsFiles)
{
    auto pCollector = StartCollector(*m_pBroker, {"--mqtt-user", "halyard-collect", "--mqtt-password-file",
                                                  m_folder.Path("collector.pw")});
    // mast-2 on mast-1's topic: the broker drops it. mast-2 on its own topic
    // with mast-1's name inside: the collector refuses it.
    const std::string strSpoof = EncodeRecordJson(Record("mast-1", 1, "SPOOFED"));
    EXPECT_EQ(StartPublisher(*m_pBroker, "halyard/mast-1/records", {strSpoof}, As("mast-2"))->Wait(), 0);
    EXPECT_EQ(StartPublisher(*m_pBroker, "halyard/mast-2/records", {strSpoof}, As("mast-2"))->Wait(), 0);
    // Nor may the collector write.
    EXPECT_EQ(StartPublisher(*m_pBroker, "halyard/mast-1/records", {strSpoof}, As("halyard-collect"))->Wait(), 0);
    ASSERT_EQ(Publish(*m_pBroker, "mast-1", {1, 2}, As("mast-1")), 0);
    ASSERT_EQ(Publish(*m_pBroker, "mast-2", {1}, As("mast-2")), 0);

    EXPECT_TRUE(WaitForFile(DayFile("mast-2"), Lines("mast-2", {1}))) << CollectorErr();
    EXPECT_TRUE(WaitForFile(DayFile("mast-1"), Lines("mast-1", {1, 2})))
        << ReadWholeFile(DayFile("mast-1")) << CollectorErr();
    EXPECT_NE(CollectorErr().find("record refused: a record of station mast-1 on halyard/mast-2/records"),
              std::string::npos)
        << CollectorErr();
    EXPECT_NE(m_pBroker->Log().find("Denied PUBLISH"), std::string::npos) << m_pBroker->Log();
}

TEST_F(CollectAclTest, ARefusedPasswordEndsTheCollectorSayingSo)
{
    CCliProcess collector(HALYARD_CLI_PROGRAM,
                          {"collect", "--mqtt", m_pBroker->Url(), "--dir", Dir(), "--mqtt-user", "halyard-collect",
                           "--mqtt-password-file", m_folder.Path("wrong.pw")},
                          m_folder.Path("collect.out"));
    EXPECT_EQ(collector.Wait(), EXIT_FAILED);
    EXPECT_NE(CollectorErr().find("not authorised"), std::string::npos) << CollectorErr();
}

// A broker whose one listener speaks TLS with a certificate for 127.0.0.1,
// signed by a CA of the test's own, all made by openssl.
class CollectTlsTest : public CollectTest {
protected:
    void SetUp() override
    {
        CollectTest::SetUp();
        ASSERT_TRUE(MakeCa("ca") && MakeCa("other-ca"));
        std::ofstream(m_folder.Path("server.ext")) << "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1\n";
        ASSERT_TRUE(OpenSsl({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                             m_folder.Path("server.key"), "-out", m_folder.Path("server.csr"), "-subj",
                             "/CN=127.0.0.1"}));
        ASSERT_TRUE(OpenSsl({"x509", "-req", "-in", m_folder.Path("server.csr"), "-CA", m_folder.Path("ca.crt"), "-CAkey",
                             m_folder.Path("ca.key"), "-CAcreateserial", "-days", "2", "-extfile",
                             m_folder.Path("server.ext"), "-out", m_folder.Path("server.crt")}));
        // These follow the plain listener's line, so that listener is the TLS one.
        m_pBroker = std::make_unique<CMosquittoBroker>(
            std::vector<std::string>{"cafile " + m_folder.Path("ca.crt"), "certfile " + m_folder.Path("server.crt"),
                                     "keyfile " + m_folder.Path("server.key")});
        ASSERT_TRUE(m_pBroker->Start()) << m_pBroker->Log();
    }
    bool OpenSsl(const std::vector<std::string>& args)
    {
        CCliProcess openssl("/usr/bin/openssl", args, m_folder.Path("openssl.out"));
        const bool bDone = openssl.Wait() == 0;
        EXPECT_TRUE(bDone) << ReadWholeFile(m_folder.Path("openssl.out.err"));
        return bDone;
    }
    bool MakeCa(const std::string& strName)
    {
        return OpenSsl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days",
                        "2", "-subj", "/CN=" + strName, "-keyout", m_folder.Path(strName + ".key"), "-out",
                        m_folder.Path(strName + ".crt")});
    }
    std::string TlsUrl() const { return "mqtts://127.0.0.1:" + std::to_string(m_pBroker->Port()); }

    std::unique_ptr<CMosquittoBroker> m_pBroker;
};

TEST_F(CollectTlsTest, CollectsOverTlsWithTheBrokersCa)
{
    const size_t nSubscribed = m_pBroker->Subscriptions("halyard/+/records");
    CCliProcess collector(HALYARD_CLI_PROGRAM,
                          {"collect", "--mqtt", TlsUrl(), "--mqtt-ca", m_folder.Path("ca.crt"), "--dir", Dir()},
                          m_folder.Path("collect.out"));
    ASSERT_TRUE(WaitUntil([&] { return m_pBroker->Subscriptions("halyard/+/records") > nSubscribed; }, kLongWait))
        << CollectorErr() << m_pBroker->Log();
    ASSERT_EQ(Publish(*m_pBroker, "mast-1", {1, 2}, {"--cafile", m_folder.Path("ca.crt")}), 0);
    EXPECT_TRUE(WaitForFile(DayFile("mast-1"), Lines("mast-1", {1, 2}))) << CollectorErr();
}

TEST_F(CollectTlsTest, ABrokerCertificateFromAnotherCaIsRefusedSayingWhy)
{
    CCliProcess collector(HALYARD_CLI_PROGRAM,
                          {"collect", "--mqtt", TlsUrl(), "--mqtt-ca", m_folder.Path("other-ca.crt"), "--dir", Dir()},
                          m_folder.Path("collect.out"));
    EXPECT_EQ(collector.Wait(), EXIT_FAILED);
    // The TLS library's own reason, whether the handshake failed at once or
    // on the network thread.
    EXPECT_NE(CollectorErr().find("certificate verify failed"), std::string::npos) << CollectorErr();
}

TEST_F(CollectTest, BadInputIsRefusedWithAMessageAndTheTablesStatus)
{
    std::ofstream(m_folder.Path("plain")) << "x";
    struct Case {
        std::vector<std::string> args;
        int nExit;
        const char* szSays;
    };
    const Case cases[] = {
        {{"--mqtt", "http://127.0.0.1", "--dir", Dir()}, EXIT_USAGE, "--mqtt"},
        {{"--mqtt", "mqtt://127.0.0.1:1", "--dir", m_folder.Path("plain/centre")}, EXIT_FILE, "--dir"},
        {{"--mqtt", "mqtt://127.0.0.1:1", "--dir", Dir(), "--mqtt-user", "u", "--mqtt-password-file",
          m_folder.Path("missing.pw")},
         EXIT_FILE, "missing.pw"},
        {{"--mqtt", "mqtt://127.0.0.1:1", "--dir", Dir(), "--client-id", ""}, EXIT_USAGE, "client-id"},
        // A name under .invalid never resolves.
        {{"--mqtt", "mqtt://no-such-host.invalid", "--dir", Dir()}, EXIT_FAILED, "no-such-host.invalid: "},
    };
    for (const Case& test : cases) {
        std::vector<std::string> args = {"collect"};
        args.insert(args.end(), test.args.begin(), test.args.end());
        CCliProcess collector(HALYARD_CLI_PROGRAM, args, m_folder.Path("collect.out"));
        EXPECT_EQ(collector.Wait(), test.nExit) << test.szSays;
        EXPECT_NE(CollectorErr().find(test.szSays), std::string::npos) << CollectorErr();
    }
}

// A folder the collector may not write is said at once, not at the first
// record, which the broker would then have to keep.
TEST_F(CollectTest, AFolderItMayNotWriteIsRefusedAtStart)
{
    CTempFolder outside;
    fs::permissions(outside.Path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
    fs::create_directories(outside.Path("centre"));
    // Written by nobody: root's child becomes nobody, anyone else is refused as they are.
    fs::permissions(outside.Path("centre"), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(m_folder.Path(), fs::perms::others_all, fs::perm_options::add);
    CCliProcess collector(HALYARD_CLI_PROGRAM, {"collect", "--mqtt", "mqtt://127.0.0.1:1", "--dir", outside.Path("centre")},
                          m_folder.Path("collect.out"), {.bAsNobody = ::geteuid() == 0});
    EXPECT_EQ(collector.Wait(), EXIT_FILE);
    EXPECT_NE(CollectorErr().find("Permission denied"), std::string::npos) << CollectorErr();
}

}  // namespace
}  // namespace halyard::test
