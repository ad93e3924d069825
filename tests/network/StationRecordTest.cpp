// A station's record as JSON: what goes out, and what the collector accepts
// from the network (anything else is refused, never half read).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <limits>
#include <string>

#include "network/StationRecord.h"

namespace halyard::test {
namespace {

StationRecord Sample()
{
    return {"mast-3_North", 42, "2026-12-10T01:02:03Z", "PW1,08/12/2026,01:30:05", RecordKind::Data};
}

// The sample's JSON with one member replaced (or removed when value is null).
std::string SampleWith(const char* szName, const nlohmann::json& value)
{
    nlohmann::json object = nlohmann::json::parse(EncodeRecordJson(Sample()));
    if (value.is_null())
        object.erase(szName);
    else
        object[szName] = value;
    return object.dump();
}

TEST(StationRecordJson, EncodesOneLineWithTheFieldsInOrder)
{
    EXPECT_EQ(EncodeRecordJson(Sample()),
              R"({"station":"mast-3_North","seq":42,"time":"2026-12-10T01:02:03Z",)"
              R"("record":"PW1,08/12/2026,01:30:05","kind":"data"})");
    StationRecord marker = Sample();
    marker.kind = RecordKind::Marker;
    EXPECT_EQ(nlohmann::json::parse(EncodeRecordJson(marker))["kind"], "marker");
    marker.kind = RecordKind::Line;
    EXPECT_EQ(nlohmann::json::parse(EncodeRecordJson(marker))["kind"], "line");
}

// The log's Latin-1 bytes travel as the characters of the same numbers, so
// any JSON reader sees "é" where the file has 0xE9.
TEST(StationRecordJson, RecordBytesTravelAsLatin1CharactersAndComeBackTheSame)
{
    StationRecord record = Sample();
    record.strRecord = "T=12.5\xB0"
                       "C \xE9t\xE9 \xA0\xFE \"quoted\" back\\slash";
    const std::string strJson = EncodeRecordJson(record);
    EXPECT_EQ(nlohmann::json::parse(strJson)["record"], "T=12.5\u00B0C \u00E9t\u00E9 \u00A0\u00FE \"quoted\" back\\slash");
    EXPECT_EQ(strJson.find('\n'), std::string::npos);

    for (const RecordKind kind : {RecordKind::Data, RecordKind::Marker, RecordKind::Line}) {
        record.kind = kind;
        const std::optional<StationRecord> decoded = DecodeRecordJson(EncodeRecordJson(record));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->strStation, record.strStation);
        EXPECT_EQ(decoded->nSeq, record.nSeq);
        EXPECT_EQ(decoded->strTime, record.strTime);
        EXPECT_EQ(decoded->strRecord, record.strRecord);
        EXPECT_EQ(decoded->kind, kind);
    }
    // An empty line is a record too.
    record.strRecord.clear();
    ASSERT_TRUE(DecodeRecordJson(EncodeRecordJson(record)));
    EXPECT_EQ(DecodeRecordJson(EncodeRecordJson(record))->strRecord, "");
}

TEST(StationRecordJson, AcceptsTheLargestSeqAndIgnoresMembersItDoesNotKnow)
{
    const auto decoded = DecodeRecordJson(SampleWith("seq", std::numeric_limits<uint64_t>::max()));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->nSeq, std::numeric_limits<uint64_t>::max());
    EXPECT_TRUE(DecodeRecordJson(SampleWith("firmware", "2.1")));
    EXPECT_TRUE(DecodeRecordJson(" \n" + EncodeRecordJson(Sample()) + "\r\n"));
}

// A journal's lines are counted at a start by their seq alone; any line that
// does not open and close as the encoder writes it goes to the full decoder.
TEST(StationRecordJson, TheSeqIsReadFromTheOpeningOfAnEncodedLine)
{
    for (const uint64_t nSeq : {uint64_t{1}, uint64_t{42}, std::numeric_limits<uint64_t>::max()}) {
        StationRecord record = Sample();
        record.nSeq = nSeq;
        record.strRecord = R"(a record with ","seq":7 in it)";
        EXPECT_EQ(EncodedRecordSeq(EncodeRecordJson(record), "mast-3_North"), nSeq);
    }
    const std::string strLine = EncodeRecordJson(Sample());
    EXPECT_EQ(EncodedRecordSeq(strLine, "mast-3"), std::nullopt) << "another station's name, a prefix of it";
    EXPECT_EQ(EncodedRecordSeq(strLine, "mast-3_North_2"), std::nullopt);
    EXPECT_EQ(EncodedRecordSeq(strLine.substr(0, strLine.size() - 1), "mast-3_North"), std::nullopt)
        << "a line cut short";
    for (const char* szOdd : {R"({"station":"mast-3_North","seq":0,"time":"x","kind":"data"})",
                              R"({"station":"mast-3_North","seq":042,"time":"x","kind":"data"})",
                              R"({"station":"mast-3_North","seq":-4,"time":"x","kind":"data"})",
                              R"({"station":"mast-3_North","seq":4.5,"time":"x","kind":"data"})",
                              R"({"station":"mast-3_North","seq":"4","time":"x","kind":"data"})",
                              R"({"station":"mast-3_North","seq":99999999999999999999,"time":"x","kind":"data"})",
                              R"({"seq":4,"station":"mast-3_North","time":"x","kind":"data"})",
                              R"({ "station":"mast-3_North","seq":4,"time":"x","kind":"data"})"})
        EXPECT_EQ(EncodedRecordSeq(szOdd, "mast-3_North"), std::nullopt) << szOdd;
}

TEST(StationRecordJson, RefusesWhatIsNotARecord)
{
    const std::string strBad[] = {
        "",
        "not json",
        "[1,2,3]",
        "\"a string\"",
        "null",
        EncodeRecordJson(Sample()) + "{}",
        EncodeRecordJson(Sample()).substr(0, 40),
        // A member missing.
        SampleWith("station", nullptr),
        SampleWith("seq", nullptr),
        SampleWith("time", nullptr),
        SampleWith("record", nullptr),
        SampleWith("kind", nullptr),
        // A member of the wrong type or value.
        SampleWith("seq", 0),
        SampleWith("seq", -5),
        SampleWith("seq", 4.5),
        SampleWith("seq", "42"),
        SampleWith("station", 7),
        SampleWith("record", nlohmann::json::array({"a"})),
        SampleWith("kind", "alarm"),
        SampleWith("kind", "DATA"),
        // A station name that could leave its folder or is not one topic level.
        SampleWith("station", "../etc"),
        SampleWith("station", "a/b"),
        SampleWith("station", ""),
        SampleWith("station", "+"),
        SampleWith("station", "st\u00E9"),
        // A time that is not a real UTC second in the one form.
        SampleWith("time", "2026-12-10 01:02:03Z"),
        SampleWith("time", "2026-12-10T01:02:03"),
        SampleWith("time", "2026-12-10T01:02:03+01:00"),
        SampleWith("time", "2026-12-10T01:02:03.5Z"),
        SampleWith("time", "2026-02-29T01:02:03Z"),
        SampleWith("time", "2026-04-31T01:02:03Z"),
        SampleWith("time", "2026-13-01T01:02:03Z"),
        SampleWith("time", "2026-12-10T24:00:00Z"),
        SampleWith("time", "2026-12-1xT01:02:03Z"),
        // A record with a byte the log never writes: it would break the file's lines.
        SampleWith("record", "PW1\r\nPW2"),
        SampleWith("record", "PW1\n"),
        SampleWith("record", "tab\there"),
        SampleWith("record", "del\x7F"),
        SampleWith("record", "c1\u0085"),
        SampleWith("record", "y\u00FF"),
        SampleWith("record", "euro\u20AC"),
        SampleWith("record", "emoji\U0001F600"),
        SampleWith("record", std::string("nul\0byte", 8)),
    };
    for (const std::string& strJson : strBad)
        EXPECT_FALSE(DecodeRecordJson(strJson)) << strJson;
    // Not UTF-8 at all: the parser refuses it.
    EXPECT_FALSE(DecodeRecordJson(R"({"station":"a","seq":1,"time":"2026-12-10T01:02:03Z","record":")"
                                  "\xE9"
                                  R"(","kind":"line"})"));
}

TEST(StationName, LettersDigitsDashAndUnderscoreUpTo64)
{
    EXPECT_TRUE(IsValidStationName("a"));
    EXPECT_TRUE(IsValidStationName("Mast_03-north"));
    EXPECT_TRUE(IsValidStationName(std::string(64, 'x')));
    EXPECT_FALSE(IsValidStationName(std::string(65, 'x')));
    EXPECT_FALSE(IsValidStationName(""));
    for (const char* szName : {".", "..", "a/b", "a b", "a.b", "#", "+", "a\\b", "\xE9t\xE9"})
        EXPECT_FALSE(IsValidStationName(szName)) << szName;
}

TEST(RecordTime, UtcSecondsInOneFormBothWays)
{
    EXPECT_EQ(RecordTimeText(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(RecordTimeText(1796864523), "2026-12-10T01:02:03Z");
    EXPECT_EQ(ParseRecordTime("2026-12-10T01:02:03Z"), std::time_t{1796864523});
    EXPECT_EQ(ParseRecordTime("2028-02-29T23:59:59Z"), std::time_t{1835481599});
    EXPECT_FALSE(ParseRecordTime("2027-02-29T00:00:00Z"));
    EXPECT_FALSE(ParseRecordTime("2026-12-10T01:02:60Z"));
    EXPECT_FALSE(ParseRecordTime("2026-12-10T01:02:03Zx"));
}

}  // namespace
}  // namespace halyard::test
