#pragma once
// The numeric fields of a data message, numbered the same way everywhere the
// program names a field (the plot, its CSV export and halyard-cli export).
//
// A message is cut into tokens at blanks and commas: a run of blanks is one
// cut, and a comma is one cut together with the blanks around it, so that two
// commas with nothing between them leave an empty token. Tokens are numbered
// from 1 in order, empty ones included. A token that is wholly a decimal
// number (an optional sign, digits, at most one point, at least one digit) is
// a numeric field; any other token ("///", "12.345.6", "0A1") has a number but
// no value.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halyard {

struct DataField {
    int nField = 0;       // the token's position, from 1
    double dValue = 0;
    std::string strText;  // the token as the sensor sent it ("+021.3")
};

// The value of a token that is wholly a decimal number; none otherwise.
std::optional<double> DecimalValue(std::string_view token);

// The message's numeric fields, in order.
std::vector<DataField> NumericFields(std::string_view message);

// A list of field numbers as a user writes it ("3,4" or "3, 4,7"): each a
// whole number from 1 up, no repeats; none for anything else.
std::optional<std::vector<int>> ParseFieldList(std::string_view text);

}  // namespace halyard
