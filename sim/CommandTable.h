// Command-pattern matching for the simulated sensor. A command table is an
// array of entries, each a pattern and a handler; the sensor and its ALS look
// a received command up here instead of testing it in a chain of ifs.
// Pattern syntax: literal characters, "%d" for a decimal integer with an
// optional sign, "%b" for exactly 16 binary digits, "%s" for the rest of the
// line (last in a pattern, may be empty). Pure functions; any thread.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halyard::sim {

using CommandArgs = std::vector<std::string>;

// True when `strCommand` matches `strPattern` as a whole; `args` then holds the
// text of each placeholder in order (cleared first in every case).
bool MatchCommand(std::string_view strPattern, std::string_view strCommand, CommandArgs& args);

// The first entry (in table order) whose szPattern matches, or nullptr.
template <typename Entry>
const Entry* FindCommand(std::span<const Entry> entries, std::string_view strCommand, CommandArgs& args)
{
    for (const Entry& entry : entries) {
        if (MatchCommand(entry.szPattern, strCommand, args))
            return &entry;
    }
    args.clear();
    return nullptr;
}

// Whole-text decimal conversions for command arguments: no value when the
// text is empty, has trailing characters or is out of range. A decimal point
// is a point in every locale.
bool ParseInt(std::string_view strText, int& nValue);
bool ParseDouble(std::string_view strText, double& dValue);

}  // namespace halyard::sim
