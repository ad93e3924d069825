// CLineSplitter: cuts the bytes a simulated sensor receives into command
// lines. A line ends at CR or at LF (a terminal program such as picocom sends
// CR alone); CR LF ends one line, empty lines are dropped. A line longer than
// kMaxLine is cut there and the rest up to its end is discarded. Used by the
// sensor thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace halyard::sim {

class CLineSplitter {
public:
    static constexpr size_t kMaxLine = 4096;

    // Appends the complete lines found in `bytes` to `lines` (without line ends).
    void Feed(std::string_view bytes, std::vector<std::string>& lines);
    void Reset();

private:
    std::string m_strPartial;
    bool m_bDiscarding = false;
};

}  // namespace halyard::sim
