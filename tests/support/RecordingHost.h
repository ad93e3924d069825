#pragma once
// An IDocHost for tests of the document: records what the document posts to the
// views and to the frame (in one ordered log too), its message boxes and window
// titles (a test may act while a box is "open", m_whileMessageBox), and runs
// the connect dialog headless: OnInitDialog, then one OnTimer
// per tick until the logic finishes. A test may give the logic its own port
// (m_connectSerial) and act before each tick (m_beforeTick), e.g. to wait for
// the simulated sensor's reply. Posting is thread-safe (the watcher thread
// posts); the rest runs on the test's thread.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "MessageRecorder.h"
#include "document/CConnectLogic.h"
#include "document/IDocHost.h"

namespace halyard::test {

enum class Target { Views, Frame };

struct LoggedMessage {
    Target target;
    PostedMessage message;
};

class CRecordingHost : public IDocHost {
public:
    IMessageTarget& Views() override { return m_views; }
    IMessageTarget& MainWindow() override { return m_frame; }

    int MessageBox(const std::string& strText, unsigned nType) override
    {
        m_messageBoxes.emplace_back(strText, nType);
        // The program goes on while a box is open: a test may run its loop
        // or let timers tick here.
        if (m_whileMessageBox)
            m_whileMessageBox(strText);
        return m_nMessageBoxAnswer;
    }

    void SetTitle(const std::string& strTitle) override { m_titles.push_back(strTitle); }

    void RunConnectDialog(CConnectLogic& logic) override
    {
        ++m_nConnectDialogs;
        m_connectStatuses.clear();
        if (m_connectSerial)
            logic.UseSerial(m_connectSerial());
        logic.OnInitDialog();
        m_connectStatuses.push_back(logic.Status());
        for (int nTick = 1; !logic.IsFinished() && nTick <= kMaxTicks; ++nTick) {
            if (m_beforeTick)
                m_beforeTick(logic, nTick);
            logic.OnTimer(TIMER_CONNECT_DLG);
            m_connectStatuses.push_back(logic.Status());
        }
        m_bConnectIdentified = logic.IsIdentified();
    }

    // Views and frame separately, and one ordered log of both.
    const CMessageRecorder& ViewMessages() const { return m_views; }
    const CMessageRecorder& FrameMessages() const { return m_frame; }
    std::vector<LoggedMessage> Log() const
    {
        std::lock_guard lock(m_mutex);
        return m_log;
    }
    // The entries from nFirst on.
    std::vector<LoggedMessage> LogFrom(size_t nFirst) const
    {
        std::lock_guard lock(m_mutex);
        return nFirst < m_log.size() ? std::vector<LoggedMessage>(
                                           m_log.begin() + static_cast<std::ptrdiff_t>(nFirst), m_log.end())
                                     : std::vector<LoggedMessage>{};
    }
    size_t LogSize() const
    {
        std::lock_guard lock(m_mutex);
        return m_log.size();
    }
    // Messages nMsg posted to the views (any wParam).
    size_t ViewCount(uint32_t nMsg) const { return CountOf(Target::Views, nMsg); }
    size_t FrameCount(uint32_t nMsg) const { return CountOf(Target::Frame, nMsg); }
    void ClearMessages()
    {
        std::lock_guard lock(m_mutex);
        m_log.clear();
        m_views.Clear();
        m_frame.Clear();
    }

    std::vector<std::pair<std::string, unsigned>> m_messageBoxes;
    int m_nMessageBoxAnswer = IDOK;
    std::function<void(const std::string& strText)> m_whileMessageBox;
    std::vector<std::string> m_titles;

    std::function<std::unique_ptr<ISerialLink>()> m_connectSerial;
    std::function<void(CConnectLogic&, int)> m_beforeTick;
    std::vector<std::string> m_connectStatuses;
    int m_nConnectDialogs = 0;
    bool m_bConnectIdentified = false;

private:
    static constexpr int kMaxTicks = 30;

    class CTarget : public IMessageTarget {
    public:
        CTarget(CRecordingHost& host, Target target)
            : m_host(host)
            , m_target(target)
        {}
        void PostMessage(uint32_t nMsg, uintptr_t wParam, intptr_t lParam) override
        {
            std::lock_guard lock(m_host.m_mutex);
            m_recorder.PostMessage(nMsg, wParam, lParam);
            m_host.m_log.push_back({m_target, {nMsg, wParam, lParam}});
        }
        void Clear() { m_recorder.Clear(); }
        operator const CMessageRecorder&() const { return m_recorder; }

    private:
        CRecordingHost& m_host;
        Target m_target;
        CMessageRecorder m_recorder;
    };

    size_t CountOf(Target target, uint32_t nMsg) const
    {
        std::lock_guard lock(m_mutex);
        size_t n = 0;
        for (const LoggedMessage& logged : m_log)
            n += logged.target == target && logged.message.nMsg == nMsg ? 1 : 0;
        return n;
    }

    mutable std::mutex m_mutex;
    std::vector<LoggedMessage> m_log;
    CTarget m_views{*this, Target::Views};
    CTarget m_frame{*this, Target::Frame};
};

}  // namespace halyard::test
