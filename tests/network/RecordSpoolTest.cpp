// The station's journal: records kept in order across restarts and kills
// until the broker acknowledged them, within the bound it is given.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include <nlohmann/json.hpp>

#include "TempFolder.h"
#include "network/CRecordSpool.h"

namespace halyard::test {
namespace {

class RecordSpool : public ::testing::Test {
protected:
    std::unique_ptr<CRecordSpool> OpenSpool(uint64_t nMaxBytes = 1 << 20)
    {
        auto pSpool = std::make_unique<CRecordSpool>(m_folder.Path("state"), "mast-1", nMaxBytes);
        const SysResult opened = pSpool->Open();
        EXPECT_TRUE(opened.Ok()) << pSpool->ErrorText();
        return pSpool;
    }
    static CRecordSpool::AppendResult Add(CRecordSpool& spool, const std::string& strText, uint64_t* pnSeq = nullptr)
    {
        StationRecord record{"", 0, "2026-12-10T01:02:03Z", strText, RecordKind::Data};
        const CRecordSpool::AppendResult result = spool.Append(record);
        if (pnSeq != nullptr)
            *pnSeq = record.nSeq;
        return result;
    }
    // The seqs of what the spool hands out now, acknowledged as they come when bAck.
    static std::vector<uint64_t> ReadAll(CRecordSpool& spool, bool bAck)
    {
        std::vector<uint64_t> seqs;
        for (auto entries = spool.ReadNext(7); !entries.empty(); entries = spool.ReadNext(7)) {
            for (const CRecordSpool::Entry& entry : entries) {
                const std::optional<StationRecord> record = DecodeRecordJson(entry.strJson);
                EXPECT_TRUE(record && record->nSeq == entry.nSeq && record->strStation == "mast-1") << entry.strJson;
                seqs.push_back(entry.nSeq);
                if (bAck)
                    spool.Acknowledge(entry.nSeq, entry.nEnd);
            }
        }
        return seqs;
    }
    static std::vector<uint64_t> Seqs(uint64_t nFirst, uint64_t nLast)
    {
        std::vector<uint64_t> seqs;
        for (uint64_t n = nFirst; n <= nLast; ++n)
            seqs.push_back(n);
        return seqs;
    }
    CTempFolder m_folder;
};

TEST_F(RecordSpool, HandsOutRecordsInOrderAgainAfterARewindUntilAcknowledged)
{
    auto pSpool = OpenSpool();
    for (int n = 1; n <= 20; ++n)
        ASSERT_EQ(Add(*pSpool, "PW " + std::to_string(n)), CRecordSpool::AppendResult::Queued);
    const auto first = pSpool->ReadNext(5);
    ASSERT_EQ(first.size(), 5u);
    EXPECT_EQ(DecodeRecordJson(first[2].strJson)->strRecord, "PW 3");
    for (int n = 0; n < 3; ++n)
        pSpool->Acknowledge(first[n].nSeq, first[n].nEnd);
    EXPECT_EQ(pSpool->Waiting(), 17u);
    // A new connection: the two sent and not acknowledged go again.
    pSpool->Rewind();
    EXPECT_EQ(ReadAll(*pSpool, false), Seqs(4, 20));
    EXPECT_TRUE(pSpool->ReadNext(5).empty());
    // A record appended while others are out comes next.
    uint64_t nSeq = 0;
    Add(*pSpool, "PW 21", &nSeq);
    EXPECT_EQ(nSeq, 21u);
    EXPECT_EQ(ReadAll(*pSpool, false), Seqs(21, 21));
}

TEST_F(RecordSpool, ARestartResumesFromTheSavedPositionAndTheSeqGoesOn)
{
    {
        auto pSpool = OpenSpool();
        for (int n = 1; n <= 10; ++n)
            Add(*pSpool, "PW " + std::to_string(n));
        const auto entries = pSpool->ReadNext(4);
        for (const auto& entry : entries)
            pSpool->Acknowledge(entry.nSeq, entry.nEnd);
        ASSERT_TRUE(pSpool->SavePosition().Ok());
    }
    auto pSpool = OpenSpool();
    EXPECT_EQ(pSpool->Waiting(), 6u);
    EXPECT_EQ(pSpool->LastSeq(), 10u);
    uint64_t nSeq = 0;
    Add(*pSpool, "PW 11", &nSeq);
    EXPECT_EQ(nSeq, 11u);
    EXPECT_EQ(ReadAll(*pSpool, true), Seqs(5, 11));
    // Everything acknowledged: the journal is emptied and the seq still goes on.
    ASSERT_TRUE(pSpool->SavePosition().Ok());
    EXPECT_EQ(std::filesystem::file_size(pSpool->JournalPath()), 0u);
    pSpool.reset();
    pSpool = OpenSpool();
    EXPECT_EQ(pSpool->Waiting(), 0u);
    EXPECT_TRUE(pSpool->ReadNext(5).empty());
    Add(*pSpool, "PW 12", &nSeq);
    EXPECT_EQ(nSeq, 12u);
}

TEST_F(RecordSpool, ALastLineTornByAKillIsCutOffAndItsSeqGivenAgain)
{
    std::string strJournal;
    {
        auto pSpool = OpenSpool();
        for (int n = 1; n <= 3; ++n)
            Add(*pSpool, "PW " + std::to_string(n));
        strJournal = pSpool->JournalPath();
    }
    const std::string strWhole = ReadWholeFile(strJournal);
    std::ofstream(strJournal, std::ios::binary | std::ios::app) << R"({"station":"mast-1","seq":4,"ti)";
    auto pSpool = OpenSpool();
    EXPECT_EQ(ReadWholeFile(strJournal), strWhole);
    EXPECT_EQ(pSpool->Waiting(), 3u);
    uint64_t nSeq = 0;
    Add(*pSpool, "PW 4", &nSeq);
    EXPECT_EQ(nSeq, 4u);
    EXPECT_EQ(ReadAll(*pSpool, true), Seqs(1, 4));
}

// At a start the records waiting are counted by their seqs alone; a line
// written otherwise than by the station (by hand, say) is decoded whole.
TEST_F(RecordSpool, AStartCountsTheRecordsWaitingWhateverElseTheJournalHolds)
{
    std::string strJournal;
    {
        auto pSpool = OpenSpool();
        Add(*pSpool, "PW 1");
        strJournal = pSpool->JournalPath();
    }
    StationRecord third{"mast-1", 3, "2026-12-10T01:02:03Z", "PW 3", RecordKind::Data};
    nlohmann::ordered_json reordered = nlohmann::ordered_json::parse(EncodeRecordJson(third));
    reordered.erase("station");
    reordered["station"] = "mast-1";
    std::ofstream(strJournal, std::ios::binary | std::ios::app)
        << "not a record\n"
        << R"({"station":"mast-1","seq":2,"time":"2026-12-10T01:02:03Z","record":"PW 2","kind":"nonsense"})"
        << "\n" << reordered.dump() << "\n";
    auto pSpool = OpenSpool();
    EXPECT_EQ(pSpool->LastSeq(), 3u);
    EXPECT_EQ(ReadAll(*pSpool, true), (std::vector<uint64_t>{1, 3}));
    EXPECT_EQ(pSpool->Waiting(), 0u) << "a record counted at the start that is never sent";
}

TEST_F(RecordSpool, RecordsAcknowledgedBeforeTheJournalWasEmptiedAreNotSentAgain)
{
    std::string strJournal;
    std::string strPosition;
    {
        auto pSpool = OpenSpool();
        for (int n = 1; n <= 5; ++n)
            Add(*pSpool, "PW " + std::to_string(n));
        strJournal = pSpool->JournalPath();
        strPosition = pSpool->PositionPath();
    }
    // Killed after the position said "all of them, from 0" and before the journal was emptied.
    std::ofstream(strPosition, std::ios::trunc) << "acked-seq 3\nacked-offset 0\nnext-seq 6\n";
    auto pSpool = OpenSpool();
    EXPECT_EQ(ReadAll(*pSpool, true), Seqs(4, 5));
}

TEST_F(RecordSpool, OverTheBoundRecordsAreDroppedButTakeTheirSeqUntilThereIsRoomAgain)
{
    StationRecord probe{"mast-1", 1, "2026-12-10T01:02:03Z", "PW 1", RecordKind::Data};
    const uint64_t nLine = EncodeRecordJson(probe).size() + 1;
    auto pSpool = OpenSpool(3 * nLine + 2);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(Add(*pSpool, "PW " + std::to_string(n)), CRecordSpool::AppendResult::Queued);
    EXPECT_EQ(Add(*pSpool, "PW 4"), CRecordSpool::AppendResult::Dropped);
    EXPECT_EQ(Add(*pSpool, "PW 5"), CRecordSpool::AppendResult::Dropped);
    EXPECT_EQ(pSpool->Dropped(), 2u);
    EXPECT_LE(std::filesystem::file_size(pSpool->JournalPath()), 3 * nLine + 2);
    // The broker takes what waits: the journal empties, and the next record fits with the next seq.
    EXPECT_EQ(ReadAll(*pSpool, true), Seqs(1, 3));
    uint64_t nSeq = 0;
    EXPECT_EQ(Add(*pSpool, "PW 6", &nSeq), CRecordSpool::AppendResult::Queued);
    EXPECT_EQ(nSeq, 6u);
    EXPECT_EQ(ReadAll(*pSpool, true), Seqs(6, 6));
    // Acknowledged records make room; the seqs dropped are not given again after a restart.
    EXPECT_EQ(Add(*pSpool, "PW 7"), CRecordSpool::AppendResult::Queued);
    EXPECT_EQ(Add(*pSpool, "PW 8"), CRecordSpool::AppendResult::Queued);
    EXPECT_EQ(Add(*pSpool, "PW 9"), CRecordSpool::AppendResult::Dropped);
    EXPECT_EQ(Add(*pSpool, "PW 10"), CRecordSpool::AppendResult::Dropped);
    ASSERT_TRUE(pSpool->SavePosition().Ok());
    pSpool.reset();
    pSpool = OpenSpool(3 * nLine + 2);
    EXPECT_EQ(pSpool->LastSeq(), 10u);
    EXPECT_EQ(ReadAll(*pSpool, true), Seqs(7, 8));
    EXPECT_EQ(Add(*pSpool, "PW 11", &nSeq), CRecordSpool::AppendResult::Queued);
    EXPECT_EQ(nSeq, 11u);
}

TEST_F(RecordSpool, TheSeqsOfDroppedRecordsAreNotGivenAgainAfterAKill)
{
    // Room for two records whatever their seqs, not three.
    StationRecord probe{"mast-1", 999, "2026-12-10T01:02:03Z", "PW 99", RecordKind::Data};
    const uint64_t nBound = 2 * (EncodeRecordJson(probe).size() + 1) + 2;
    uint64_t nSeq = 0;
    {
        auto pSpool = OpenSpool(nBound);
        Add(*pSpool, "PW 1");
        Add(*pSpool, "PW 2");
        for (int n = 3; n <= 6; ++n)
            ASSERT_EQ(Add(*pSpool, "PW " + std::to_string(n)), CRecordSpool::AppendResult::Dropped);
    }  // killed: no position saved on the way out
    {
        auto pSpool = OpenSpool(nBound);
        EXPECT_EQ(ReadAll(*pSpool, true), Seqs(1, 2));
        ASSERT_EQ(Add(*pSpool, "PW 7", &nSeq), CRecordSpool::AppendResult::Queued);
        EXPECT_GT(nSeq, 6u) << "a dropped record's seq was given again";
        // Dropped again, then room again: the journal holds a seq past the
        // dropped ones, and a kill then gives none of them again either.
        Add(*pSpool, "PW 8");
        const uint64_t nQueuedLast = nSeq + 1;
        ASSERT_EQ(Add(*pSpool, "PW 9", &nSeq), CRecordSpool::AppendResult::Dropped);
        EXPECT_EQ(ReadAll(*pSpool, true), Seqs(nQueuedLast - 1, nQueuedLast));
        ASSERT_EQ(Add(*pSpool, "PW 10", &nSeq), CRecordSpool::AppendResult::Queued);
    }
    const uint64_t nBeforeKill = nSeq;
    {
        auto pSpool = OpenSpool(nBound);
        ASSERT_EQ(Add(*pSpool, "PW 11", &nSeq), CRecordSpool::AppendResult::Queued);
        EXPECT_GT(nSeq, nBeforeKill);
        // A stop saves the seq exactly: the next start goes on from it.
        ASSERT_TRUE(pSpool->SavePosition().Ok());
    }
    const uint64_t nBeforeStop = nSeq;
    auto pSpool = OpenSpool(nBound);
    Add(*pSpool, "PW 12", &nSeq);
    EXPECT_EQ(nSeq, nBeforeStop + 1);
}

TEST_F(RecordSpool, AWeekOfRecordsAtFifteenSecondsGoesThroughInOrderAndLeavesAnEmptyJournal)
{
    constexpr int kRecords = 7 * 24 * 60 * 4;  // 40,320
    {
        auto pSpool = OpenSpool(256u << 20);
        for (int n = 1; n <= kRecords; ++n)
            ASSERT_EQ(Add(*pSpool, "PW " + std::to_string(n) + ",08/12/2026,01:30:05"), CRecordSpool::AppendResult::Queued);
        // Killed: nothing was saved since the last automatic save.
    }
    auto pSpool = OpenSpool(256u << 20);
    EXPECT_EQ(pSpool->Waiting(), static_cast<uint64_t>(kRecords));
    EXPECT_EQ(ReadAll(*pSpool, true), Seqs(1, kRecords));
    ASSERT_TRUE(pSpool->SavePosition().Ok());
    EXPECT_EQ(std::filesystem::file_size(pSpool->JournalPath()), 0u);
}

TEST_F(RecordSpool, ALineLongerThanAReadIsReadWhole)
{
    auto pSpool = OpenSpool();
    const std::string strLong(200 * 1024, 'x');
    Add(*pSpool, "PW 1");
    Add(*pSpool, strLong);
    Add(*pSpool, "PW 3");
    const auto entries = pSpool->ReadNext(10);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(DecodeRecordJson(entries[1].strJson)->strRecord, strLong);
    EXPECT_EQ(entries[2].nSeq, 3u);
}

TEST_F(RecordSpool, ASecondProcessForTheSameStationOrAFolderThatCannotBeMadeIsRefusedSayingWhy)
{
    auto pSpool = OpenSpool();
    CRecordSpool second(m_folder.Path("state"), "mast-1", 1 << 20);
    EXPECT_FALSE(second.Open().Ok());
    EXPECT_NE(second.ErrorText().find("in use by another station process"), std::string::npos) << second.ErrorText();
    CRecordSpool other(m_folder.Path("state"), "mast-2", 1 << 20);
    EXPECT_TRUE(other.Open().Ok()) << other.ErrorText();

    std::ofstream(m_folder.Path("plain-file")) << "x";
    CRecordSpool blocked(m_folder.Path("plain-file/state"), "mast-1", 1 << 20);
    EXPECT_FALSE(blocked.Open().Ok());
    EXPECT_NE(blocked.ErrorText().find(m_folder.Path("plain-file/state")), std::string::npos) << blocked.ErrorText();
}

}  // namespace
}  // namespace halyard::test
