// The station's publisher with no broker to reach: what it tells when the
// backlog fills, empties or cannot be written, and what its status says.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "FileSizeLimit.h"
#include "TempFolder.h"
#include "network/CStationPublisher.h"

namespace halyard::test {
namespace {

class StationPublisher : public ::testing::Test {
protected:
    void SetUp() override
    {
        StationRecord probe{"mast-1", 1, "2026-12-10T01:02:03Z", "PW 1", RecordKind::Data};
        m_pSpool = std::make_unique<CRecordSpool>(m_folder.Path("state"), "mast-1",
                                                  3 * (EncodeRecordJson(probe).size() + 1) + 2);
        ASSERT_TRUE(m_pSpool->Open().Ok()) << m_pSpool->ErrorText();
        // Never started: nothing is ever connected.
        m_pPublisher = std::make_unique<CStationPublisher>(
            ParseMqttUrl("mqtt://127.0.0.1:1").Value(),
            StationIdentity{"mast-1", "ZRT-630", 630, "COM2 (/dev/pts/3)", "9.8.7.6"}, *m_pSpool,
            [this](const std::string& strText, bool bWarning) {
                std::lock_guard lock(m_mutex);
                m_notices.push_back((bWarning ? "warning: " : "") + strText);
            });
    }
    void Add(int n) { m_pPublisher->Add("PW " + std::to_string(n), RecordKind::Data, 1765328523); }
    std::vector<std::string> Notices()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_notices, {});
    }
    nlohmann::json Status(bool bOnline) { return nlohmann::json::parse(m_pPublisher->StatusJson(bOnline)); }

    CTempFolder m_folder;
    std::unique_ptr<CRecordSpool> m_pSpool;
    std::unique_ptr<CStationPublisher> m_pPublisher;
    std::mutex m_mutex;
    std::vector<std::string> m_notices;
};

TEST_F(StationPublisher, AFullBacklogIsToldOnceWithTheFirstSeqDroppedAndAgainWhenThereIsRoom)
{
    for (int n = 1; n <= 6; ++n)
        Add(n);
    EXPECT_EQ(Notices(), (std::vector<std::string>{"warning: the backlog for the broker is full: records from seq 4 "
                                                   "on are dropped from it until it drains (the log file keeps them)"}));
    const nlohmann::json status = Status(false);
    EXPECT_EQ(status["state"], "offline");
    EXPECT_EQ(status["station"], "mast-1");
    EXPECT_EQ(status["model"], "ZRT-630");
    EXPECT_EQ(status["model_code"], 630);
    EXPECT_EQ(status["port"], "COM2 (/dev/pts/3)");
    EXPECT_EQ(status["version"], "9.8.7.6");
    EXPECT_EQ(status["records_logged"], 6);
    EXPECT_EQ(status["records_waiting"], 3);
    EXPECT_EQ(status["records_dropped"], 3);
    EXPECT_EQ(Status(true)["state"], "online");

    // The broker took what waited.
    for (const CRecordSpool::Entry& entry : m_pSpool->ReadNext(10))
        m_pSpool->Acknowledge(entry.nSeq, entry.nEnd);
    Add(7);
    EXPECT_EQ(Notices(), (std::vector<std::string>{"warning: the backlog for the broker has room again; dropped from "
                                                   "it: seq 4 to 6"}));
    EXPECT_EQ(Status(false)["records_waiting"], 1);
}

TEST_F(StationPublisher, ABacklogThatCannotBeWrittenIsToldOnceUntilItCanAgain)
{
    {
        CFileSizeLimit limit(std::filesystem::file_size(m_pSpool->JournalPath()) + 10);
        ASSERT_TRUE(limit.IsSet());
        Add(1);
        Add(2);
    }
    const std::vector<std::string> notices = Notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("warning: records are not kept for the broker: " + m_pSpool->JournalPath()),
              std::string::npos)
        << notices[0];
    EXPECT_EQ(m_pSpool->Waiting(), 0u);
    Add(3);
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(m_pSpool->Waiting(), 1u);
    Add(4);
    Add(5);
    EXPECT_EQ(m_pSpool->ReadNext(10).size(), 3u) << "whole lines only: the piece that fitted was taken back";
}

}  // namespace
}  // namespace halyard::test
