// A data message's numeric fields, a log record's stamp and the series store,
// fed any text.
//
// Checked against the rules written out here with regular expressions: the
// text trimmed of blanks at both ends is cut at every run of blanks and at
// every comma with the blanks around it; the tokens are numbered from 1; the
// numeric fields are exactly the tokens that are an optional sign and digits
// with at most one point, with the value strtod reads. A record read back
// keeps its text but for the line end and, when a time was read, the 20
// characters of a stamp. The store given the message holds its fields, and
// its drawn points of each lie within the values added.
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "document/CSeriesStore.h"
#include "document/DataFields.h"
#include "document/LogFiles.h"

using halyard::fuzz::Require;

namespace {

std::vector<std::string> ReferenceTokens(const std::string& strText)
{
    static const std::regex kTrim("^[ \\t]+|[ \\t]+$");
    static const std::regex kCut("[ \\t]*,[ \\t]*|[ \\t]+");
    const std::string strTrimmed = std::regex_replace(strText, kTrim, "");
    std::vector<std::string> tokens;
    if (strTrimmed.empty())
        return tokens;
    std::sregex_token_iterator it(strTrimmed.begin(), strTrimmed.end(), kCut, -1);
    for (; it != std::sregex_token_iterator(); ++it)
        tokens.push_back(*it);
    // A cut at the very end leaves an empty last token, which the iterator drops.
    if (strTrimmed.back() == ',')
        tokens.emplace_back();
    return tokens;
}

void CheckFields(const std::string& strText)
{
    static const std::regex kDecimal("[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)");
    const std::vector<std::string> tokens = ReferenceTokens(strText);
    std::vector<halyard::DataField> expected;
    for (size_t n = 0; n < tokens.size(); ++n)
        if (std::regex_match(tokens[n], kDecimal))
            expected.push_back({static_cast<int>(n + 1), std::strtod(tokens[n].c_str(), nullptr), tokens[n]});
    const std::vector<halyard::DataField> fields = halyard::NumericFields(strText);
    if (fields.size() != expected.size())
        halyard::fuzz::ShowBytes("message", strText);
    Require(fields.size() == expected.size(), "the numeric fields are the decimal tokens");
    for (size_t n = 0; n < fields.size(); ++n) {
        Require(fields[n].nField == expected[n].nField, "a field is numbered by its token's position");
        Require(fields[n].strText == expected[n].strText, "a field's text is its token");
        Require(fields[n].dValue == expected[n].dValue, "a field's value is what strtod reads");
    }
}

void CheckRecord(const std::string& strText)
{
    std::string strLine = strText;
    while (!strLine.empty() && (strLine.back() == '\n' || strLine.back() == '\r'))
        strLine.pop_back();
    const halyard::ReadRecord record = halyard::ParseLogRecord(strText);
    const size_t nKept = record.time ? strLine.size() - 20 : strLine.size();
    Require(record.text == std::string_view(strLine).substr(0, nKept), "a record keeps its text but the stamp");
}

void CheckStore(const std::string& strText)
{
    halyard::CSeriesStore store(4);
    for (int n = 0; n < 9; ++n)
        store.Add(n, strText);
    Require(store.LastFields().size() == halyard::NumericFields(strText).size(), "the last message's fields");
    for (const halyard::DataField& field : store.LastFields()) {
        for (const auto& [dX, dY] : store.Decimate(field.nField, 0, 8, 3)) {
            Require(dX >= 0 && dX <= 8, "a drawn point lies in the range asked");
            // Every message had the same value, held as a float.
            Require(dY == static_cast<float>(field.dValue) || field.nField > 64, "a drawn value was added");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pbyData, size_t nSize)
{
    if (nSize > 512)
        return 0;
    std::setlocale(LC_NUMERIC, "C");
    const std::string strText(reinterpret_cast<const char*>(pbyData), nSize);
    CheckFields(strText);
    CheckRecord(strText);
    CheckStore(strText);
    return 0;
}
