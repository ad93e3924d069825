#include "document/DataFields.h"

#include <algorithm>
#include <charconv>

namespace halyard {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Calls onToken(position, token) for each token of the message.
template <typename OnToken>
void ForEachToken(std::string_view message, OnToken onToken)
{
    size_t nAt = 0;
    while (nAt < message.size() && IsBlank(message[nAt]))
        ++nAt;
    if (nAt == message.size())
        return;
    int nPosition = 1;
    while (true) {
        const size_t nStart = nAt;
        while (nAt < message.size() && !IsBlank(message[nAt]) && message[nAt] != ',')
            ++nAt;
        onToken(nPosition, message.substr(nStart, nAt - nStart));
        // The cut: blanks, at most one comma, blanks.
        while (nAt < message.size() && IsBlank(message[nAt]))
            ++nAt;
        if (nAt < message.size() && message[nAt] == ',') {
            ++nAt;
            while (nAt < message.size() && IsBlank(message[nAt]))
                ++nAt;
        } else if (nAt == message.size()) {
            return;
        }
        ++nPosition;
        if (nAt == message.size()) {
            // A comma at the very end leaves an empty last token.
            onToken(nPosition, std::string_view());
            return;
        }
    }
}

}  // namespace

std::optional<double> DecimalValue(std::string_view token)
{
    std::string_view digits = token;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
        digits.remove_prefix(1);
    const auto nPoints = std::count(digits.begin(), digits.end(), '.');
    const auto nDigits = std::count_if(digits.begin(), digits.end(), IsDigit);
    if (nDigits == 0 || nPoints > 1 || static_cast<size_t>(nDigits + nPoints) != digits.size())
        return std::nullopt;
    double dValue = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), dValue);
    if (result.ec != std::errc() || result.ptr != digits.data() + digits.size())
        return std::nullopt;
    return token.front() == '-' ? -dValue : dValue;
}

std::vector<DataField> NumericFields(std::string_view message)
{
    std::vector<DataField> fields;
    ForEachToken(message, [&](int nPosition, std::string_view token) {
        if (const auto value = DecimalValue(token))
            fields.push_back({nPosition, *value, std::string(token)});
    });
    return fields;
}

std::optional<std::vector<int>> ParseFieldList(std::string_view text)
{
    std::vector<int> fields;
    bool bAll = true;
    ForEachToken(text, [&](int, std::string_view token) {
        int nField = 0;
        const auto result = std::from_chars(token.data(), token.data() + token.size(), nField);
        if (token.empty() || result.ec != std::errc() || result.ptr != token.data() + token.size() || nField < 1 ||
            std::find(fields.begin(), fields.end(), nField) != fields.end())
            bAll = false;
        else
            fields.push_back(nField);
    });
    if (!bAll || fields.empty())
        return std::nullopt;
    return fields;
}

}  // namespace halyard
