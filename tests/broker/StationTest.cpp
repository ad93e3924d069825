// halyard-cli log as a station of a network, against a real Mosquitto: the
// records reach the broker once or more, in order, with their seqs, across a
// broker that stops and a station that is killed; the log file is the same
// whatever the broker does; the status says when the station is gone.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "MosquittoBroker.h"
#include "StreamSensor.h"
#include "WaitUntil.h"
#include "network/CMqttConnection.h"
#include "network/StationRecord.h"

namespace halyard::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 60s;

// Every message on halyard/# as it comes, through a persistent session, so
// that what the broker queued while the subscriber was away arrives too.
class CSubscriber {
public:
    struct Message {
        std::string strTopic;
        std::string strPayload;
    };

    explicit CSubscriber(const MqttSettings& settings, const std::string& strClientId = "test-subscriber")
        : m_connection(settings, strClientId, false,
                       {nullptr, nullptr, nullptr, [this](const std::string& strTopic, const std::string& strPayload) {
                            std::lock_guard lock(m_mutex);
                            m_messages.push_back({strTopic, strPayload});
                        }})
    {}

    // Connected and subscribed: a probe published afterwards came back.
    bool Start()
    {
        if (!m_connection.Subscribe("halyard/#", 1) || !m_connection.Start(std::nullopt))
            return false;
        return WaitUntil(
            [this] {
                static_cast<void>(m_connection.Publish("halyard/probe", "probe", 1, false));
                return WaitUntil([this] { return Count("halyard/probe") > 0; }, 200ms);
            },
            kPatience);
    }
    std::string Error() const { return m_connection.LastError(); }

    std::vector<Message> Messages() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    size_t Count(const std::string& strTopic) const
    {
        std::lock_guard lock(m_mutex);
        return static_cast<size_t>(std::count_if(m_messages.begin(), m_messages.end(),
                                                 [&](const Message& m) { return m.strTopic == strTopic; }));
    }
    // The station's records, each seq once, in the order first received.
    std::vector<StationRecord> Records(const std::string& strStation) const
    {
        std::vector<StationRecord> records;
        std::set<uint64_t> seen;
        for (const Message& message : Messages()) {
            if (message.strTopic != "halyard/" + strStation + "/records")
                continue;
            const std::optional<StationRecord> record = DecodeRecordJson(message.strPayload);
            EXPECT_TRUE(record) << message.strPayload;
            if (record && seen.insert(record->nSeq).second)
                records.push_back(*record);
        }
        return records;
    }
    // The last status of the station.
    nlohmann::json Status(const std::string& strStation) const
    {
        nlohmann::json status;
        for (const Message& message : Messages()) {
            if (message.strTopic == "halyard/" + strStation + "/status")
                status = nlohmann::json::parse(message.strPayload, nullptr, false);
        }
        return status;
    }

private:
    // Before the connection: its network thread may still hand over a
    // message until the connection is destroyed, first.
    mutable std::mutex m_mutex;
    std::vector<Message> m_messages;
    CMqttConnection m_connection;
};

MqttSettings Settings(const CMosquittoBroker& broker)
{
    return ParseMqttUrl(broker.Url()).Value();
}

class Station : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_sensor.Start()); }

    // halyard-cli logging the stream sensor, with the extra arguments (the broker's).
    std::unique_ptr<CCliProcess> StartStation(const std::vector<std::string>& extra, const std::string& strName = "run")
    {
        std::vector<std::string> args = {"--port", m_sensor.DevicePath(), "--baud", "57600", "log", Log(),
                                         "--no-auto-r", "--no-stamp"};
        args.insert(args.end(), extra.begin(), extra.end());
        m_strErr = m_folder.Path(strName) + ".err";
        auto pRun = std::make_unique<CCliProcess>(HALYARD_CLI_PROGRAM, args, m_folder.Path(strName));
        EXPECT_TRUE(WaitUntil([this] { return Err().find("SIGTERM stops") != std::string::npos; }, kPatience))
            << Err();
        return pRun;
    }
    std::vector<std::string> StationArgs(const std::string& strUrl) const
    {
        return {"--mqtt", strUrl, "--station", "mast-1", "--state-dir", m_folder.Path("state")};
    }
    // Sends "PW n" for n in [nFirst, nLast] and waits until the log has the last.
    void SendLines(int nFirst, int nLast)
    {
        for (int n = nFirst; n <= nLast; ++n)
            ASSERT_TRUE(m_sensor.SendLine("PW " + std::to_string(n)));
        const std::string strLast = "PW " + std::to_string(nLast) + "\r\n";
        ASSERT_TRUE(WaitUntil([&] { return ReadWholeFile(Log()).find(strLast) != std::string::npos; }, kPatience));
    }
    // Every record of the log file reached the broker, in the file's order, with seqs 1, 2, 3 ...
    void ExpectEveryRecordOnce(const CSubscriber& subscriber)
    {
        const std::vector<std::string> lines = ReadLines(Log());
        ASSERT_TRUE(WaitUntil([&] { return subscriber.Records("mast-1").size() >= lines.size(); }, kPatience))
            << subscriber.Records("mast-1").size() << " of " << lines.size() << "\n" << Err();
        const std::vector<StationRecord> records = subscriber.Records("mast-1");
        ASSERT_EQ(records.size(), lines.size());
        for (size_t n = 0; n < records.size(); ++n) {
            EXPECT_EQ(records[n].nSeq, n + 1);
            EXPECT_EQ(records[n].strRecord, lines[n]) << "seq " << records[n].nSeq;
        }
    }
    std::string Log() const { return m_folder.Path("station.LOG"); }
    std::string Err() const { return ReadWholeFile(m_strErr); }

    CTempFolder m_folder;
    CStreamSensor m_sensor;
    std::string m_strErr;
};

TEST_F(Station, PublishesEachRecordInOrderWithItsFieldsAndTheWillSaysOfflineWhenItIsKilled)
{
    CMosquittoBroker broker;
    ASSERT_TRUE(broker.Start()) << broker.Log();
    CSubscriber subscriber(Settings(broker));
    ASSERT_TRUE(subscriber.Start()) << subscriber.Error();

    auto pStation = StartStation(StationArgs(broker.Url()));
    ASSERT_TRUE(m_sensor.SendLine("Sensor Startup"));
    SendLines(1, 3);
    ExpectEveryRecordOnce(subscriber);
    for (const CSubscriber::Message& message : subscriber.Messages()) {
        if (message.strTopic != "halyard/mast-1/records")
            continue;
        const nlohmann::json record = nlohmann::json::parse(message.strPayload);
        std::set<std::string> keys;
        for (const auto& item : record.items())
            keys.insert(item.key());
        EXPECT_EQ(keys, (std::set<std::string>{"station", "seq", "time", "record", "kind"}));
        EXPECT_EQ(record["station"], "mast-1");
        EXPECT_TRUE(ParseRecordTime(record["time"].get<std::string>())) << record["time"];
        const std::string strText = record["record"];
        EXPECT_EQ(record["kind"], strText.starts_with("PW") ? "data" : "line") << strText;
    }
    const nlohmann::json online = subscriber.Status("mast-1");
    EXPECT_EQ(online["state"], "online") << online;
    EXPECT_EQ(online["model_code"], 630) << online;
    EXPECT_EQ(online["version"], HALYARD_VERSION_STRING) << online;

    pStation->Signal(SIGKILL);
    ASSERT_TRUE(WaitUntil([&] { return subscriber.Status("mast-1")["state"] == "offline"; }, kPatience))
        << subscriber.Status("mast-1");
}

TEST_F(Station, NothingIsLostWhenTheBrokerStopsAndTheStationIsKilledDuringTheOutage)
{
    CMosquittoBroker broker;
    ASSERT_TRUE(broker.Start()) << broker.Log();
    CSubscriber subscriber(Settings(broker));
    ASSERT_TRUE(subscriber.Start()) << subscriber.Error();

    auto pStation = StartStation(StationArgs(broker.Url()), "first");
    SendLines(1, 10);
    ASSERT_TRUE(WaitUntil([&] { return subscriber.Records("mast-1").size() >= 10; }, kPatience)) << Err();
    ASSERT_TRUE(broker.Stop());
    SendLines(11, 20);
    pStation->Signal(SIGKILL);
    pStation->Wait();

    pStation = StartStation(StationArgs(broker.Url()), "second");
    SendLines(21, 30);
    ASSERT_TRUE(broker.Start()) << broker.Log();
    SendLines(31, 35);
    ExpectEveryRecordOnce(subscriber);

    // A stop by SIGTERM leaves nothing waiting and says so in the last status.
    pStation->Signal(SIGTERM);
    EXPECT_EQ(pStation->Wait(), 0) << Err();
    ASSERT_TRUE(WaitUntil([&] { return subscriber.Status("mast-1")["state"] == "offline"; }, kPatience));
    EXPECT_EQ(subscriber.Status("mast-1")["records_waiting"], 0) << subscriber.Status("mast-1");
    EXPECT_EQ(subscriber.Status("mast-1")["records_logged"], ReadLines(Log()).size() - 20)
        << "the records the second run logged";
}

// What the broker does never changes the log file: the records of the lines
// sent are the same bytes as in a run without --mqtt, with the broker down
// from the start, refusing the password, or vanishing in the middle. (The
// comparison starts at the first line sent: the answer to the
// identification's last "JM?" may come in before it, or not.)
TEST_F(Station, TheLogFileIsTheSameWhateverTheBrokerDoes)
{
    auto logged = [this](const std::vector<std::string>& extra, const std::string& strName,
                         const std::function<void()>& midway) {
        std::filesystem::remove(Log());
        auto pStation = StartStation(extra, strName);
        SendLines(1, 10);
        midway();
        SendLines(11, 20);
        pStation->Signal(SIGTERM);
        EXPECT_EQ(pStation->Wait(), 0) << Err();
        const std::string strLog = ReadWholeFile(Log());
        return strLog.substr(std::min(strLog.find("PW 1\r\n"), strLog.size()));
    };
    const std::string strPlain = logged({}, "plain", [] {});
    ASSERT_NE(strPlain, "");

    const std::string strPasswords = m_folder.Path("passwords");
    CCliProcess makePasswords("/usr/bin/mosquitto_passwd", {"-c", "-b", strPasswords, "mast-1", "right"},
                              m_folder.Path("passwd"));
    ASSERT_EQ(makePasswords.Wait(), 0) << ReadWholeFile(m_folder.Path("passwd.err"));
    std::ofstream(m_folder.Path("wrong")) << "wrong\n";
    CMosquittoBroker broker({"allow_anonymous false", "password_file " + strPasswords});

    // Down from the start: the broker has its port and stops.
    ASSERT_TRUE(broker.Start()) << broker.Log();
    ASSERT_TRUE(broker.Stop());
    // Each case waits until the station has said what the broker did before
    // it is stopped: a loaded machine may get there after the last line.
    auto saying = [this](const std::string& strText) {
        return [this, strText] {
            EXPECT_TRUE(WaitUntil([&] { return Err().find(strText) != std::string::npos; }, kPatience)) << Err();
        };
    };
    EXPECT_EQ(logged(StationArgs(broker.Url()), "down", saying("no connection to the broker at")), strPlain);
    EXPECT_NE(Err().find("no connection to the broker at " + broker.Url()), std::string::npos) << Err();
    EXPECT_NE(Err().find("records wait for the broker"), std::string::npos) << Err();

    ASSERT_TRUE(broker.Start()) << broker.Log();
    std::vector<std::string> refused = StationArgs(broker.Url());
    refused.insert(refused.end(), {"--mqtt-user", "mast-1", "--mqtt-password-file", m_folder.Path("wrong")});
    EXPECT_EQ(logged(refused, "refused", saying("the broker refused the connection")), strPlain);
    EXPECT_NE(Err().find("the broker refused the connection: not authorised"), std::string::npos) << Err();

    std::vector<std::string> accepted = StationArgs(broker.Url());
    accepted.insert(accepted.end(), {"--mqtt-user", "mast-1", "--mqtt-password-file", strPasswords + ".plain"});
    std::ofstream(strPasswords + ".plain") << "right\n";
    EXPECT_EQ(logged(accepted, "vanishing",
                     [&] {
                         saying("Connected to the broker")();
                         broker.Kill();
                     }),
              strPlain);
    EXPECT_NE(Err().find("lost the broker at " + broker.Url()), std::string::npos) << Err();
}

// A CA, a certificate for 127.0.0.1 signed by it, and another CA that signed
// nothing here, made by openssl in the folder; the command's exit status.
int MakeCertificates(const CTempFolder& folder)
{
    const std::string strScript =
        "set -e; cd '" + folder.Path() + "'\n"
        "ec='-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes'\n"
        "openssl req -x509 $ec -keyout ca.key -out ca.pem -days 2 -subj /CN=halyard-test-ca\n"
        "openssl req -x509 $ec -keyout other.key -out other.pem -days 2 -subj /CN=halyard-other-ca\n"
        "openssl req $ec -keyout server.key -out server.csr -subj /CN=127.0.0.1\n"
        "printf 'subjectAltName=IP:127.0.0.1\\n' > san.ext\n"
        "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile san.ext "
        "-out server.pem\n";
    CCliProcess openssl("/bin/sh", {"-c", strScript}, folder.Path("openssl.out"));
    return openssl.Wait();
}

TEST_F(Station, PublishesOverTlsAndRefusesABrokerThatItsCaDidNotSign)
{
    CTempFolder certificates;
    ASSERT_EQ(MakeCertificates(certificates), 0) << ReadWholeFile(certificates.Path("openssl.out.err"));
    CMosquittoBroker broker({"cafile " + certificates.Path("ca.pem"), "certfile " + certificates.Path("server.pem"),
                             "keyfile " + certificates.Path("server.key")});
    ASSERT_TRUE(broker.Start()) << broker.Log();
    const std::string strUrl = "mqtts://127.0.0.1:" + std::to_string(broker.Port());
    MqttSettings settings = ParseMqttUrl(strUrl).Value();
    settings.strCaFile = certificates.Path("ca.pem");
    CSubscriber subscriber(settings);
    ASSERT_TRUE(subscriber.Start()) << subscriber.Error() << broker.Log();

    std::vector<std::string> args = StationArgs(strUrl);
    args.insert(args.end(), {"--mqtt-ca", certificates.Path("ca.pem")});
    auto pStation = StartStation(args, "tls");
    SendLines(1, 5);
    ExpectEveryRecordOnce(subscriber);
    pStation->Signal(SIGTERM);
    EXPECT_EQ(pStation->Wait(), 0) << Err();
    const size_t nPublished = subscriber.Records("mast-1").size();

    args = StationArgs(strUrl);
    args.insert(args.end(), {"--mqtt-ca", certificates.Path("other.pem")});
    pStation = StartStation(args, "other-ca");
    SendLines(6, 8);
    EXPECT_TRUE(WaitUntil([this] { return Err().find("certificate verify failed") != std::string::npos; }, kPatience))
        << Err();
    EXPECT_NE(Err().find("the TLS handshake failed"), std::string::npos) << Err();
    pStation->Signal(SIGTERM);
    EXPECT_EQ(pStation->Wait(), 0) << Err();
    EXPECT_EQ(subscriber.Records("mast-1").size(), nPublished);
}

}  // namespace
}  // namespace halyard::test
