// A station's record as JSON: the collector decodes whatever a broker hands
// it, and the station encodes whatever its file holds.
//
// The input's first byte: bit 0 clear, the rest is a payload to decode; a
// record decoded has a valid station name (written out here), a seq above 0,
// a time that reads back, only printable Latin-1 in its record, and encodes
// to one line that decodes to the same record. Bit 0 set, the rest split at
// NUL is a record's station, time, record and seq (decimal), its kind in bits
// 1-2: the encoding is one line, and decodes to the same record exactly when
// every field is one the decoder accepts, else to nothing; a valid record's
// line gives its seq from its opening alone too.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "network/StationRecord.h"

using halyard::fuzz::Require;

namespace {

bool ValidName(const std::string& strName)
{
    if (strName.empty() || strName.size() > 64)
        return false;
    const std::string strAllowed = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_";
    return strName.find_first_not_of(strAllowed) == std::string::npos;
}

bool PrintableText(const std::string& strText)
{
    for (const char ch : strText)
        if (!halyard::fuzz::Printable(ch))
            return false;
    return true;
}

bool Same(const halyard::StationRecord& a, const halyard::StationRecord& b)
{
    return a.strStation == b.strStation && a.nSeq == b.nSeq && a.strTime == b.strTime &&
           a.strRecord == b.strRecord && a.kind == b.kind;
}

void CheckEncoding(const halyard::StationRecord& record, bool bValid)
{
    const std::string strJson = halyard::EncodeRecordJson(record);
    if (bValid)
        Require(halyard::EncodedRecordSeq(strJson, record.strStation) == record.nSeq,
                "a valid record's line gives its seq from its opening");
    Require(strJson.find('\n') == std::string::npos && strJson.find('\r') == std::string::npos,
            "a record's JSON is one line");
    const std::optional<halyard::StationRecord> decoded = halyard::DecodeRecordJson(strJson);
    if (!bValid) {
        Require(!decoded, "a record with a field the decoder refuses does not come back");
        return;
    }
    if (!decoded)
        halyard::fuzz::ShowBytes("refused", strJson);
    Require(decoded && Same(*decoded, record), "a valid record comes back the same");
}

// Any bytes make some seq: what counts is the number the record holds.
uint64_t DecimalOf(const std::string& strText)
{
    uint64_t nValue = 0;
    for (const char ch : strText)
        nValue = nValue * 10 + static_cast<uint64_t>(static_cast<unsigned char>(ch) - '0');
    return nValue;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pbyData, size_t nSize)
{
    const halyard::fuzz::FuzzInput input = halyard::fuzz::TakeFlags(pbyData, nSize);
    if ((input.byFlags & 0x01) == 0) {
        const std::optional<halyard::StationRecord> decoded = halyard::DecodeRecordJson(input.rest);
        if (!decoded)
            return 0;
        Require(ValidName(decoded->strStation), "a decoded station name is letters, digits, '-', '_'");
        Require(decoded->nSeq > 0, "a decoded seq is 1 or more");
        Require(halyard::ParseRecordTime(decoded->strTime).has_value(), "a decoded time reads back");
        Require(PrintableText(decoded->strRecord), "a decoded record is printable Latin-1");
        CheckEncoding(*decoded, true);
        return 0;
    }
    std::vector<std::string> pieces = halyard::fuzz::SplitAt(input.rest, '\0');
    pieces.resize(4);
    halyard::StationRecord record;
    record.strStation = pieces[0];
    record.strTime = pieces[1];
    record.strRecord = pieces[2];
    record.nSeq = DecimalOf(pieces[3]);
    record.kind = static_cast<halyard::RecordKind>(((input.byFlags >> 1) & 0x03) % 3);
    const bool bValid = ValidName(record.strStation) && halyard::ParseRecordTime(record.strTime) &&
                        PrintableText(record.strRecord) && record.nSeq > 0;
    CheckEncoding(record, bValid);
    return 0;
}
