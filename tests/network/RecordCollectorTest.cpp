// The collector's files: each station's records once, in order, by UTC day,
// gaps noted, and the same after a restart at any point of a record.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "network/CRecordCollector.h"

namespace halyard::test {
namespace {

namespace fs = std::filesystem;

StationRecord Record(uint64_t nSeq, const std::string& strTime = "2026-12-10T01:02:03Z",
                     const std::string& strStation = "mast-3")
{
    return {strStation, nSeq, strTime, "PW" + std::to_string(nSeq) + ",\xE9t\xE9", RecordKind::Data};
}

// The file's records as written, CR LF each.
std::string Lines(const std::vector<uint64_t>& seqs)
{
    std::string strText;
    for (const uint64_t nSeq : seqs)
        strText += Record(nSeq).strRecord + "\r\n";
    return strText;
}

class RecordCollectorTest : public ::testing::Test {
protected:
    std::string DayFile(const std::string& strDay = "2026-12-10", const std::string& strStation = "mast-3") const
    {
        return m_folder.Path(strStation + "/" + strDay + ".LOG");
    }
    CollectResult Collect(CRecordCollector& collector, uint64_t nSeq) const
    {
        return collector.Collect(Record(nSeq)).result;
    }

    CTempFolder m_folder;
};

TEST_F(RecordCollectorTest, WritesEachStationsRecordsToItsFileOfTheUtcDay)
{
    CRecordCollector collector(m_folder.Path("centre/records"));
    ASSERT_TRUE(collector.Prepare());
    EXPECT_EQ(collector.Collect(Record(1, "2026-12-09T23:59:59Z")).result, CollectResult::Written);
    EXPECT_EQ(collector.Collect(Record(2, "2026-12-10T00:00:00Z")).result, CollectResult::Written);
    EXPECT_EQ(collector.Collect(Record(3, "2026-12-10T00:00:15Z")).result, CollectResult::Written);
    EXPECT_EQ(collector.Collect(Record(1, "2026-12-10T00:00:01Z", "mast_4")).result, CollectResult::Written);

    const std::string strDir = m_folder.Path("centre/records/");
    EXPECT_EQ(ReadWholeFile(strDir + "mast-3/2026-12-09.LOG"), Lines({1}));
    EXPECT_EQ(ReadWholeFile(strDir + "mast-3/2026-12-10.LOG"), Lines({2, 3}));
    EXPECT_EQ(ReadWholeFile(strDir + "mast_4/2026-12-10.LOG"), Lines({1}));
    EXPECT_FALSE(fs::exists(strDir + "mast-3/gaps.txt"));
}

TEST_F(RecordCollectorTest, DropsASeqItAlreadyWrote)
{
    CRecordCollector collector(m_folder.Path());
    for (const uint64_t nSeq : {1, 2, 2, 1, 3, 3})
        Collect(collector, nSeq);
    EXPECT_EQ(Collect(collector, 2), CollectResult::Duplicate);
    EXPECT_EQ(ReadWholeFile(DayFile()), Lines({1, 2, 3}));
}

// A station that lost its state starts again at seq 1: its records are all
// "written already" until its seq passes the old one. The collector cannot
// tell that from a repeat, but says so.
TEST_F(RecordCollectorTest, SaysSoWhenAStationsSeqStartsAgainAt1)
{
    CRecordCollector collector(m_folder.Path());
    for (const uint64_t nSeq : {1, 2, 3})
        Collect(collector, nSeq);
    const CollectOutcome again = collector.Collect(Record(1));
    EXPECT_EQ(again.result, CollectResult::Duplicate);
    EXPECT_NE(again.strNotice.find("seq 1 again after seq 3"), std::string::npos) << again.strNotice;
    EXPECT_EQ(collector.Collect(Record(2)).strNotice, "");
    EXPECT_EQ(ReadWholeFile(DayFile()), Lines({1, 2, 3}));
}

TEST_F(RecordCollectorTest, ReportsAGapAndKeepsItInGapsTxt)
{
    CRecordCollector collector(m_folder.Path());
    // A station first heard at seq 3: its first two never reached the centre.
    const CollectOutcome first = collector.Collect(Record(3));
    EXPECT_EQ(first.result, CollectResult::Written);
    EXPECT_EQ(first.strNotice, "seq 1 to 2 missing (seq 3 logged 2026-12-10T01:02:03Z)");
    EXPECT_TRUE(collector.Collect(Record(4)).strNotice.empty());
    const CollectOutcome later = collector.Collect(Record(6, "2026-12-10T05:00:00Z"));
    EXPECT_EQ(later.result, CollectResult::Written);
    EXPECT_EQ(later.strNotice, "seq 5 missing (seq 6 logged 2026-12-10T05:00:00Z)");

    EXPECT_EQ(ReadWholeFile(DayFile()), Lines({3, 4, 6}));
    EXPECT_EQ(ReadLines(m_folder.Path("mast-3/gaps.txt")),
              (std::vector<std::string>{first.strNotice, later.strNotice}));
}

TEST_F(RecordCollectorTest, CarriesOnAfterARestartWithoutDoublingOrMissingAGap)
{
    {
        CRecordCollector collector(m_folder.Path());
        Collect(collector, 1);
        Collect(collector, 2);
    }
    CRecordCollector again(m_folder.Path());
    EXPECT_EQ(Collect(again, 2), CollectResult::Duplicate);
    EXPECT_EQ(again.Collect(Record(4)).strNotice, GapText(2, Record(4)));
    EXPECT_EQ(ReadWholeFile(DayFile()), Lines({1, 2, 4}));
}

// A collector killed while it wrote seq 3 is given seq 3 again by the broker.
// The record had got in wholly, in part or not at all; whichever, the file
// ends up with it once.
TEST_F(RecordCollectorTest, ARecordCutOffByAKillEndsUpInTheFileOnce)
{
    for (const size_t nKept : {size_t{0}, size_t{2}, Record(3).strRecord.size(), Record(3).strRecord.size() + 2}) {
        SCOPED_TRACE(nKept);
        CTempFolder folder;
        {
            CRecordCollector collector(folder.Path());
            for (const uint64_t nSeq : {1, 2, 3})
                collector.Collect(Record(nSeq));
        }
        const std::string strFile = folder.Path("mast-3/2026-12-10.LOG");
        fs::resize_file(strFile, Lines({1, 2}).size() + nKept);

        CRecordCollector again(folder.Path());
        again.Collect(Record(3));
        again.Collect(Record(4));
        EXPECT_EQ(ReadWholeFile(strFile), Lines({1, 2, 3, 4}));
        EXPECT_FALSE(fs::exists(folder.Path("mast-3/gaps.txt")));
    }
}

// Killed after it noted seq 4 as begun, before the gap before it was noted
// or the record got in: the gap is found again when seq 4 comes again.
TEST_F(RecordCollectorTest, AGapCutOffByAKillIsFoundAgain)
{
    {
        CRecordCollector collector(m_folder.Path());
        Collect(collector, 1);
        Collect(collector, 4);
    }
    fs::resize_file(DayFile(), Lines({1}).size());
    fs::remove(m_folder.Path("mast-3/gaps.txt"));

    CRecordCollector again(m_folder.Path());
    EXPECT_EQ(again.Collect(Record(4)).strNotice, GapText(1, Record(4)));
    EXPECT_EQ(ReadWholeFile(DayFile()), Lines({1, 4}));
    EXPECT_EQ(ReadLines(m_folder.Path("mast-3/gaps.txt")), std::vector<std::string>{GapText(1, Record(4))});
}

TEST_F(RecordCollectorTest, AStationWritesOnlyUnderItsOwnName)
{
    CRecordCollector collector(m_folder.Path("dir"));
    const std::string strPayload = EncodeRecordJson(Record(1));
    EXPECT_EQ(collector.Receive("halyard/mast-3/records", strPayload).result, CollectResult::Written);
    // Another station's topic with mast-3's record in it: a spoof.
    const CollectOutcome spoof = collector.Receive("halyard/mast-9/records", EncodeRecordJson(Record(2)));
    EXPECT_EQ(spoof.result, CollectResult::Refused);
    EXPECT_NE(spoof.strNotice.find("mast-9"), std::string::npos) << spoof.strNotice;
    EXPECT_EQ(collector.Receive("halyard/mast-3/records", "{\"seq\":2}").result, CollectResult::Refused);
    EXPECT_EQ(collector.Receive("halyard/mast-3/status", EncodeRecordJson(Record(2))).result,
              CollectResult::Refused);
    // Records made by hand are held to what the decoder accepts.
    StationRecord escape = Record(2);
    escape.strStation = "../outside";
    StationRecord noDay = Record(2, "../../outside/x");
    StationRecord twoLines = Record(2);
    twoLines.strRecord = "PW2\r\nPW3";
    for (const StationRecord& bad : {escape, noDay, twoLines, Record(0)})
        EXPECT_EQ(collector.Collect(bad).result, CollectResult::Refused) << bad.strStation << " " << bad.strTime;

    EXPECT_EQ(ReadWholeFile(m_folder.Path("dir/mast-3/2026-12-10.LOG")), Lines({1}));
    EXPECT_FALSE(fs::exists(m_folder.Path("dir/mast-9")));
    // Nothing beside the collector's folder, nor in it beside mast-3's.
    for (const std::string& strFolder : {m_folder.Path(), m_folder.Path("dir")}) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(strFolder))
            names.push_back(entry.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{strFolder == m_folder.Path() ? "dir" : "mast-3"});
    }
}

TEST(RecordTopic, TheStationIsTheOneLevelBetweenHalyardAndRecords)
{
    EXPECT_EQ(CRecordCollector::StationOfTopic("halyard/mast-3/records"), "mast-3");
    for (const char* szTopic : {"halyard//records", "halyard/a/b/records", "halyard/../records", "halyard/a/status",
                                "other/a/records", "halyard/a/records/x", "halyard/records"})
        EXPECT_EQ(CRecordCollector::StationOfTopic(szTopic), "") << szTopic;
}

// A file that cannot be written stops the record with the file's name in the
// message, and leaves nothing that would keep it out once the file is fixed.
TEST_F(RecordCollectorTest, AFileThatCannotBeWrittenFailsAndTheRecordGetsInLater)
{
    {
        CRecordCollector collector(m_folder.Path());
        Collect(collector, 1);
        fs::create_directories(DayFile("2026-12-11"));
        const CollectOutcome failed = collector.Collect(Record(2, "2026-12-11T00:00:00Z"));
        EXPECT_EQ(failed.result, CollectResult::Failed);
        EXPECT_NE(failed.strNotice.find(DayFile("2026-12-11")), std::string::npos) << failed.strNotice;
    }
    fs::remove(DayFile("2026-12-11"));
    CRecordCollector again(m_folder.Path());
    EXPECT_EQ(again.Collect(Record(2, "2026-12-11T00:00:00Z")).result, CollectResult::Written);
    EXPECT_EQ(ReadWholeFile(DayFile("2026-12-11")), Lines({2}));
}

TEST_F(RecordCollectorTest, AStateFileItDidNotWriteIsAFailureNamingIt)
{
    fs::create_directories(m_folder.Path("mast-3"));
    std::ofstream(m_folder.Path("mast-3/collector.state")) << "seq lots\n";
    CRecordCollector collector(m_folder.Path());
    const CollectOutcome outcome = collector.Collect(Record(1));
    EXPECT_EQ(outcome.result, CollectResult::Failed);
    EXPECT_NE(outcome.strNotice.find("collector.state"), std::string::npos) << outcome.strNotice;
    EXPECT_FALSE(fs::exists(DayFile()));
}

TEST_F(RecordCollectorTest, AFolderThatCannotBeMadeIsReported)
{
    std::ofstream(m_folder.Path("plain-file")) << "x";
    EXPECT_FALSE(CRecordCollector(m_folder.Path("plain-file/records")).Prepare());
    EXPECT_FALSE(CRecordCollector(m_folder.Path("plain-file")).Prepare());
}

}  // namespace
}  // namespace halyard::test
