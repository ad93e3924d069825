#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "TempFolder.h"
#include "document/LogReader.h"
#include "platform/FileCalls.h"

using namespace halyard;
using halyard::test::CTempFolder;

namespace {

void WriteFile(const std::string& strPath, const std::string& strText)
{
    std::ofstream(SystemPath(strPath), std::ios::binary) << strText;
}

// The data messages of a log as "n text @ HH:MM:SS" lines.
std::string ReadBack(const std::string& strPath, LogReadSummary& summary)
{
    std::string strOut;
    summary = ReadLogDataMessages(strPath, [&](size_t n, const ReadRecord& record) {
        strOut += std::to_string(n) + " " + std::string(record.text) + " @ " +
                  (record.time ? FormatTime("%H:%M:%S", *record.time) : std::string("-")) + "\n";
    });
    return strOut;
}

}  // namespace

TEST(LogReader, AStampIsTakenOffTheRecordAndReadAsLocalTime)
{
    const ReadRecord stamped = ParseLogRecord("PW 01 15000,09/12/2026,23:59:58\r\n");
    EXPECT_EQ(stamped.text, "PW 01 15000");
    ASSERT_TRUE(stamped.time.has_value());
    EXPECT_EQ(*stamped.time, MakeLocalTime(2026, 12, 9, 23, 59, 58));
    // The next hour and the next day are worked out afresh.
    EXPECT_EQ(*ParseLogRecord("X,10/12/2026,00:00:01").time, MakeLocalTime(2026, 12, 10, 0, 0, 1));
    for (const char* szNot : {"PW 01 15000", "X,32/12/2026,10:00:00", "X,09/13/2026,10:00:00", "X,09/12/2026,24:00:00",
                              "X 09/12/2026,10:00:00", "X,09/12/2026,10:0a:00", ",09/12/2026,10:00",
                              "X,09/08/2826,10:00:00"}) {
        const ReadRecord record = ParseLogRecord(szNot);
        EXPECT_FALSE(record.time.has_value()) << szNot;
        EXPECT_EQ(record.text, szNot);
    }
}

TEST(LogReader, OnlyDataMessagesAreReadAndATornLastRecordIsLeftOutAndSaid)
{
    CTempFolder folder;
    const std::string strLog = folder.Path("journée.LOG");
    WriteFile(strLog, "AC\r\n"
                      "PW 01 15000 +21.3,09/12/2026,10:00:00\r\n"
                      "OK\r\n"
                      "PW 01 14900 +21.4,09/12/2026,10:00:15\r\n"
                      "PW 01 14800 +2");
    LogReadSummary summary;
    EXPECT_EQ(ReadBack(strLog, summary), "0 PW 01 15000 +21.3 @ 10:00:00\n1 PW 01 14900 +21.4 @ 10:00:15\n");
    EXPECT_EQ(summary.nRecords, 4u);
    EXPECT_EQ(summary.nDataMessages, 2u);
    EXPECT_TRUE(summary.bTornLast);
    EXPECT_NE(LogReadProblem(strLog, summary).find("was cut off"), std::string::npos);
}

TEST(LogReader, ALogWithNothingToShowOrWithoutStampsIsToldPlainly)
{
    CTempFolder folder;
    LogReadSummary summary;
    WriteFile(folder.Path("empty.LOG"), "");
    EXPECT_EQ(ReadBack(folder.Path("empty.LOG"), summary), "");
    EXPECT_NE(LogReadProblem("empty.LOG", summary).find("holds no data messages"), std::string::npos);

    WriteFile(folder.Path("other.csv"), "a,b,c\n1,2,3\n\x01\x02\xff\n");
    EXPECT_EQ(ReadBack(folder.Path("other.csv"), summary), "");
    EXPECT_NE(LogReadProblem("other.csv", summary).find("holds no data messages"), std::string::npos);

    ReadBack(folder.Path("missing.LOG"), summary);
    EXPECT_EQ(static_cast<uint32_t>(summary.nError), SystemErrorCode(ENOENT));
    EXPECT_NE(LogReadProblem("missing.LOG", summary).find("could not be read: "), std::string::npos);

    WriteFile(folder.Path("plain.LOG"), "PW 01 1\r\nPW 01 2\r\n");
    EXPECT_EQ(ReadBack(folder.Path("plain.LOG"), summary), "0 PW 01 1 @ -\n1 PW 01 2 @ -\n");
    EXPECT_EQ(summary.nWithoutTime, 2u);
    EXPECT_NE(LogReadProblem("plain.LOG", summary).find("2 data messages have no time stamp"), std::string::npos);
    EXPECT_EQ(summary.bTornLast, false);
}

TEST(LogReader, CsvHoldsEachDataMessagesFieldsAsSentAtItsTime)
{
    CTempFolder folder;
    const std::string strLog = folder.Path("csv.LOG");
    WriteFile(strLog, "PW 01 15000 +021.3,09/12/2026,10:00:00\r\n"
                      "A?\r\n"
                      "PW 01 /// -1.5,09/12/2026,10:00:15\r\n"
                      "PW 01 7\r\n");
    std::ostringstream csv;
    const LogReadSummary summary = ExportLogCsv(strLog, {4, 3}, csv);
    EXPECT_EQ(csv.str(), "time,field 4,field 3\n"
                         "2026-12-09 10:00:00,+021.3,15000\n"
                         "2026-12-09 10:00:15,-1.5,\n"
                         ",,7\n");
    EXPECT_EQ(summary.nDataMessages, 3u);
}

TEST(LogReader, ProgressCanCancelALongLoad)
{
    CTempFolder folder;
    const std::string strLog = folder.Path("long.LOG");
    {
        std::ofstream out(strLog, std::ios::binary);
        for (int n = 0; n < 200000; ++n)
            out << "PW 01 " << n << " 00000 +21.3 0000 0 1.23 0.00 000 0000 00,09/12/2026,10:00:00\r\n";
    }
    size_t nSeen = 0;
    uint64_t nLastRead = 0;
    const LogReadSummary summary = ReadLogDataMessages(
        strLog, [&](size_t, const ReadRecord&) { ++nSeen; },
        [&](uint64_t nRead, uint64_t nTotal) {
            EXPECT_GT(nRead, nLastRead);
            EXPECT_LT(nRead, nTotal);
            nLastRead = nRead;
            return false;
        });
    EXPECT_TRUE(summary.bCancelled);
    EXPECT_GT(nSeen, 0u);
    EXPECT_LT(nSeen, 200000u);
    EXPECT_NE(LogReadProblem(strLog, summary).find("was cancelled"), std::string::npos);
}

TEST(LogReader, ALogIsPlacedByItsStampsOrNumberedWhenItsFirstMessageHasNone)
{
    CTempFolder folder;
    const std::string strStamped = folder.Path("stamped.LOG");
    WriteFile(strStamped, "PW 01 10,09/12/2026,10:00:00\r\n"
                          "PW 01 11\r\n"
                          "PW 01 12,09/12/2026,10:00:30\r\n");
    CSeriesStore store;
    LogSeriesLoad load = LoadLogSeries(strStamped, store);
    EXPECT_FALSE(load.bNumbered);
    const double dTen = SecondsSinceEpoch(MakeLocalTime(2026, 12, 9, 10, 0, 0));
    // The stampless message stands where the one before it stood.
    const auto [messages, bWhole] = store.Messages(dTen, dTen + 30);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_TRUE(bWhole);
    EXPECT_EQ(messages[0].dX, dTen);
    EXPECT_EQ(messages[1].dX, dTen);
    EXPECT_EQ(messages[2].dX, dTen + 30);
    EXPECT_EQ(TimeOfSeconds(dTen + 30), MakeLocalTime(2026, 12, 9, 10, 0, 30));

    const std::string strPlain = folder.Path("plain.LOG");
    WriteFile(strPlain, "PW 01 10\r\nPW 01 11,09/12/2026,10:00:00\r\nPW 01 12\r\n");
    CSeriesStore numbered;
    load = LoadLogSeries(strPlain, numbered);
    EXPECT_TRUE(load.bNumbered);
    EXPECT_EQ(load.summary.nWithoutTime, 2u);
    EXPECT_EQ(numbered.Span(), std::make_pair(0.0, 2.0));
    EXPECT_EQ(numbered.Decimate(3, 0, 2, 10), (std::vector<std::pair<double, double>>{{0, 10}, {1, 11}, {2, 12}}));
}

TEST(LogReader, CsvOfARangeIsTheSameFromTheFileAndFromTheStoreItWasLoadedInto)
{
    CTempFolder folder;
    const std::string strLog = folder.Path("range.LOG");
    WriteFile(strLog, "PW 01 10 +1.5,09/12/2026,10:00:00\r\n"
                      "PW 01 11 +2.5,09/12/2026,10:00:15\r\n"
                      "OK\r\n"
                      "PW 01 12 ///,09/12/2026,10:00:30\r\n"
                      "PW 01 13 +4.5,09/12/2026,10:00:45\r\n");
    const double dFrom = SecondsSinceEpoch(MakeLocalTime(2026, 12, 9, 10, 0, 15));
    const double dTo = dFrom + 15;
    std::ostringstream fromFile;
    ExportLogCsv(strLog, {4, 3}, fromFile, std::make_pair(dFrom, dTo));
    EXPECT_EQ(fromFile.str(), "time,field 4,field 3\n"
                              "2026-12-09 10:00:15,+2.5,11\n"
                              "2026-12-09 10:00:30,,12\n");

    CSeriesStore store;
    LoadLogSeries(strLog, store);
    std::ostringstream fromStore;
    WriteMessagesCsv(fromStore, store.Messages(dFrom, dTo).first, {4, 3}, true);
    EXPECT_EQ(fromStore.str(), fromFile.str());
    std::ostringstream numbered;
    WriteMessagesCsv(numbered, store.Messages(dFrom, dFrom).first, {3}, false);
    EXPECT_EQ(numbered.str(), "time,field 3\n,11\n");
}
