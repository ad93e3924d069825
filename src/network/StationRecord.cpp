#include "network/StationRecord.h"

#include <charconv>

#include <nlohmann/json.hpp>

namespace halyard {

namespace {

constexpr size_t kMostStationNameChars = 64;

struct KindName {
    RecordKind kind;
    const char* szName;
};
constexpr KindName kKindNames[] = {
    {RecordKind::Data, "data"}, {RecordKind::Marker, "marker"}, {RecordKind::Line, "line"}};

// The bytes a log record may hold: printable Latin-1 (0x20 to 0x7E, 0xA0 to 0xFE).
bool IsRecordByte(uint32_t code)
{
    return (code >= 0x20 && code <= 0x7E) || (code >= 0xA0 && code <= 0xFE);
}

// Latin-1 bytes as UTF-8: each byte is the character of the same number.
std::string Latin1ToUtf8(std::string_view bytes)
{
    std::string strText;
    strText.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto by = static_cast<uint8_t>(ch);
        if (by < 0x80) {
            strText += ch;
        } else {
            strText += static_cast<char>(0xC0 | (by >> 6));
            strText += static_cast<char>(0x80 | (by & 0x3F));
        }
    }
    return strText;
}

// The record's bytes from the UTF-8 of a JSON string (which the parser has
// checked is well formed); nullopt when a character is not a record byte.
std::optional<std::string> Utf8ToRecordBytes(std::string_view text)
{
    std::string strBytes;
    strBytes.reserve(text.size());
    for (size_t n = 0; n < text.size(); ++n) {
        const auto by = static_cast<uint8_t>(text[n]);
        uint32_t code = by;
        if (by >= 0x80) {
            // Only two-byte forms reach 0xFF; anything longer is beyond Latin-1.
            if ((by & 0xE0) != 0xC0 || n + 1 >= text.size())
                return std::nullopt;
            code = ((by & 0x1Fu) << 6) | (static_cast<uint8_t>(text[++n]) & 0x3Fu);
        }
        if (!IsRecordByte(code))
            return std::nullopt;
        strBytes += static_cast<char>(code);
    }
    return strBytes;
}

const char* KindText(RecordKind kind)
{
    for (const KindName& entry : kKindNames)
        if (entry.kind == kind)
            return entry.szName;
    return "line";
}

std::optional<RecordKind> KindFromText(std::string_view text)
{
    for (const KindName& entry : kKindNames)
        if (text == entry.szName)
            return entry.kind;
    return std::nullopt;
}

// The string member strName of object, or nullptr when it is missing or not a string.
const std::string* StringMember(const nlohmann::json& object, const char* szName)
{
    const auto it = object.find(szName);
    return it != object.end() && it->is_string() ? it->get_ptr<const std::string*>() : nullptr;
}

// The number of nDigits decimal digits at text[nAt], or -1.
int Digits(std::string_view text, size_t nAt, size_t nDigits)
{
    int nValue = 0;
    for (size_t n = nAt; n < nAt + nDigits; ++n) {
        if (text[n] < '0' || text[n] > '9')
            return -1;
        nValue = nValue * 10 + (text[n] - '0');
    }
    return nValue;
}

}  // namespace

bool IsValidStationName(std::string_view name)
{
    if (name.empty() || name.size() > kMostStationNameChars)
        return false;
    for (const char ch : name)
        if (!((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' ||
              ch == '_'))
            return false;
    return true;
}

std::string RecordTimeText(std::time_t utc)
{
    std::tm tmUtc{};
    ::gmtime_r(&utc, &tmUtc);
    char szText[32];
    const size_t nLength = std::strftime(szText, sizeof(szText), "%Y-%m-%dT%H:%M:%SZ", &tmUtc);
    return std::string(szText, nLength);
}

std::optional<std::time_t> ParseRecordTime(std::string_view text)
{
    constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != kShape.size())
        return std::nullopt;
    for (size_t n = 0; n < kShape.size(); ++n)
        if (kShape[n] != 'd' && text[n] != kShape[n])
            return std::nullopt;
    std::tm tmUtc{};
    tmUtc.tm_year = Digits(text, 0, 4) - 1900;
    tmUtc.tm_mon = Digits(text, 5, 2) - 1;
    tmUtc.tm_mday = Digits(text, 8, 2);
    tmUtc.tm_hour = Digits(text, 11, 2);
    tmUtc.tm_min = Digits(text, 14, 2);
    tmUtc.tm_sec = Digits(text, 17, 2);
    // timegm carries what is out of range into the next field: a text that
    // does not come back the same named no real second.
    const std::time_t utc = ::timegm(&tmUtc);
    if (utc == static_cast<std::time_t>(-1) || RecordTimeText(utc) != text)
        return std::nullopt;
    return utc;
}

std::string EncodeRecordJson(const StationRecord& record)
{
    nlohmann::ordered_json object;
    object["station"] = record.strStation;
    object["seq"] = record.nSeq;
    object["time"] = record.strTime;
    object["record"] = Latin1ToUtf8(record.strRecord);
    object["kind"] = KindText(record.kind);
    // Replaced, never thrown: a station name or time that is not UTF-8 is a
    // caller's mistake the decoder refuses anyway.
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<uint64_t> EncodedRecordSeq(std::string_view line, std::string_view station)
{
    constexpr std::string_view kOpening = R"({"station":")";
    constexpr std::string_view kSeq = R"(","seq":)";
    constexpr std::string_view kAfterSeq = R"(,"time":")";
    if (!line.starts_with(kOpening) || !line.ends_with("\"}"))
        return std::nullopt;
    line.remove_prefix(kOpening.size());
    if (!line.starts_with(station) || !line.substr(station.size()).starts_with(kSeq))
        return std::nullopt;
    line.remove_prefix(station.size() + kSeq.size());
    uint64_t nSeq = 0;
    const auto [pEnd, error] = std::from_chars(line.data(), line.data() + line.size(), nSeq);
    const std::string_view rest(pEnd, static_cast<size_t>(line.data() + line.size() - pEnd));
    // The encoder writes no leading zero and no seq of 0.
    if (error != std::errc() || nSeq == 0 || line.front() == '0' || !rest.starts_with(kAfterSeq))
        return std::nullopt;
    return nSeq;
}

std::optional<StationRecord> DecodeRecordJson(std::string_view json)
{
    const nlohmann::json object = nlohmann::json::parse(json, nullptr, false);
    if (!object.is_object())
        return std::nullopt;
    const std::string* pStation = StringMember(object, "station");
    const std::string* pTime = StringMember(object, "time");
    const std::string* pRecord = StringMember(object, "record");
    const std::string* pKind = StringMember(object, "kind");
    const auto itSeq = object.find("seq");
    if (!pStation || !pTime || !pRecord || !pKind || itSeq == object.end() || !itSeq->is_number_unsigned())
        return std::nullopt;
    const std::optional<RecordKind> kind = KindFromText(*pKind);
    std::optional<std::string> recordBytes = Utf8ToRecordBytes(*pRecord);
    if (!kind || !recordBytes)
        return std::nullopt;
    StationRecord record{*pStation, itSeq->get<uint64_t>(), *pTime, std::move(*recordBytes), *kind};
    if (!IsValidRecord(record))
        return std::nullopt;
    return record;
}

bool IsValidRecord(const StationRecord& record)
{
    for (const char ch : record.strRecord)
        if (!IsRecordByte(static_cast<uint8_t>(ch)))
            return false;
    return record.nSeq > 0 && IsValidStationName(record.strStation) && ParseRecordTime(record.strTime);
}

}  // namespace halyard
