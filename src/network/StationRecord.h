#pragma once
// One station's record as it travels between a station and the collector:
// a JSON object on the topic "halyard/<station>/records" with the station's
// name, its sequence number (1, 2, 3 ... never reused), the UTC time it was
// logged, the record exactly as the station's file has it (without CR LF)
// and its kind. The collector takes payloads from the network, so decoding
// treats them as untrusted: anything not exactly such an object is refused.
//
// The record's bytes are Latin-1 as in the log file; in the JSON each byte is
// the Unicode character of the same number, so the payload is valid UTF-8.
// Pure functions, any thread.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace halyard {

enum class RecordKind { Data, Marker, Line };  // "data", "marker", "line"

struct StationRecord {
    std::string strStation;
    uint64_t nSeq = 0;
    std::string strTime;    // UTC, "2026-12-10T01:02:03Z"
    std::string strRecord;  // the record as written to the station's file, without CR LF
    RecordKind kind = RecordKind::Line;
};

// One line, no newline: {"station":..,"seq":..,"time":..,"record":..,"kind":..}.
std::string EncodeRecordJson(const StationRecord& record);
// nullopt when the text is not a record: not a JSON object, a field missing
// or of the wrong type, a station name that is not valid, a seq of 0, a time
// that is not a real UTC second in the form above, a record with a byte the
// log never writes (a control character, CR, LF, 0xFF or a character beyond
// Latin-1), an unknown kind. Fields beyond these are ignored.
std::optional<StationRecord> DecodeRecordJson(std::string_view json);

// The seq of a line as EncodeRecordJson writes it for this station, read
// from its opening bytes without decoding the rest (a journal's lines, where
// decoding each is too slow for a large backlog); nullopt when the line does
// not open and close as such a line does.
std::optional<uint64_t> EncodedRecordSeq(std::string_view line, std::string_view station);

// Whether a record is one DecodeRecordJson could give: a valid station name,
// a seq above 0, a time in the one form, only printable Latin-1 in the record.
bool IsValidRecord(const StationRecord& record);

// 1 to 64 of ASCII letters, digits, '-' and '_': a name that is one topic
// level and one folder name, never a path.
bool IsValidStationName(std::string_view name);

// "YYYY-MM-DDTHH:MM:SSZ" of a UTC time.
std::string RecordTimeText(std::time_t utc);
// The UTC time of such a text; nullopt when the text is not exactly that form
// or names no real second (a 13th month, 31 April, 24:00:00).
std::optional<std::time_t> ParseRecordTime(std::string_view text);

}  // namespace halyard
