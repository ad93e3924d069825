#include "LineSplitter.h"

namespace halyard::sim {

void CLineSplitter::Feed(std::string_view bytes, std::vector<std::string>& lines)
{
    for (char ch : bytes) {
        if (ch == '\r' || ch == '\n') {
            if (!m_strPartial.empty())
                lines.push_back(std::move(m_strPartial));
            m_strPartial.clear();
            m_bDiscarding = false;
        } else if (m_bDiscarding) {
            continue;
        } else if (m_strPartial.size() < kMaxLine) {
            m_strPartial += ch;
        } else {
            lines.push_back(std::move(m_strPartial));
            m_strPartial.clear();
            m_bDiscarding = true;
        }
    }
}

void CLineSplitter::Reset()
{
    m_strPartial.clear();
    m_bDiscarding = false;
}

}  // namespace halyard::sim
