#pragma once
// A message map: the table from application message number to the member
// function that handles it, as the frame and the view declare theirs. Dispatch
// is called from the window's event() on the UI thread.

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "AppMessageEvent.h"

namespace halyard {

template <class TWindow>
class CMessageMap {
public:
    using Handler = intptr_t (TWindow::*)(uintptr_t wParam, intptr_t lParam);

    CMessageMap(std::initializer_list<std::pair<uint32_t, Handler>> entries)
        : m_entries(entries)
    {}

    // Runs the handler for pEvent when it is an application message of this map;
    // true when the event was one (handled or not), so the caller stops there.
    bool Dispatch(TWindow& window, QEvent* pEvent) const
    {
        if (pEvent->type() != CAppMessageEvent::EventType())
            return false;
        const auto& msg = static_cast<const CAppMessageEvent&>(*pEvent);
        const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                     [&](const auto& entry) { return entry.first == msg.m_nMsg; });
        if (it != m_entries.end())
            (window.*(it->second))(msg.m_wParam, msg.m_lParam);
        return true;
    }

    bool Handles(uint32_t nMsg) const
    {
        return std::any_of(m_entries.begin(), m_entries.end(),
                           [&](const auto& entry) { return entry.first == nMsg; });
    }

private:
    std::vector<std::pair<uint32_t, Handler>> m_entries;
};

}  // namespace halyard
