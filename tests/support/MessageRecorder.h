#pragma once
// An IMessageTarget that records every posted message, for tests of the code
// that posts from worker threads. Thread-safe; tests read copies.

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/AppMessages.h"

namespace halyard::test {

struct PostedMessage {
    uint32_t nMsg = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    bool operator==(const PostedMessage&) const = default;
};

class CMessageRecorder : public IMessageTarget {
public:
    void PostMessage(uint32_t nMsg, uintptr_t wParam, intptr_t lParam) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back({nMsg, wParam, lParam});
    }

    std::vector<PostedMessage> Messages() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }

    // How many messages nMsg with wParam were posted.
    size_t Count(uint32_t nMsg, uintptr_t wParam) const
    {
        std::lock_guard lock(m_mutex);
        size_t n = 0;
        for (const PostedMessage& message : m_messages)
            n += message.nMsg == nMsg && message.wParam == wParam ? 1 : 0;
        return n;
    }

    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_messages.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<PostedMessage> m_messages;
};

}  // namespace halyard::test
