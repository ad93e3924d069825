#pragma once
// Plays the frame and the view for a document under test: takes the messages
// the document (and its watcher thread) posted to the recording host, in
// order, and answers them as the GUI does: WM_COMMS_EVENT 1 calls
// CommsDataReceived(true), 0 CommsTimeout; WM_THREAD_END CommsThreadFinished;
// WM_COMMS_COMMAND collects the echo with GetCommsCommand; WM_COMMS_DATA calls
// GetCommsData until it returns false. Given a timer schedule (UseSchedule),
// it also plays the view's timers: the document's timer messages and every
// received line go to the schedule, as the view passes them. Runs on the
// test's thread (the UI thread).

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "RecordingHost.h"
#include "document/CHalyardDoc.h"
#include "document/CTimerSchedule.h"
#include "document/DocMessages.h"

namespace halyard::test {

class CDocPump {
public:
    CDocPump(CHalyardDoc& doc, CRecordingHost& host)
        : m_doc(doc)
        , m_host(host)
    {}

    // Handles every message logged since the last call.
    void Pump()
    {
        // Handling may post more: those wait for the next call.
        const std::vector<LoggedMessage> fresh = m_host.LogFrom(m_nNext);
        m_nNext += fresh.size();
        for (const LoggedMessage& logged : fresh)
            Handle(logged);
    }

    // Pumps until the condition holds or the deadline passes; the result is the
    // condition's last value.
    template <typename Condition>
    bool PumpUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            Pump();
            if (condition())
                return true;
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    void UseSchedule(CTimerSchedule& schedule) { m_pSchedule = &schedule; }

    // Skips what is logged so far (after ClearMessages, start again at 0).
    void Restart() { m_nNext = 0; }

    std::vector<std::string> m_echoes;  // commands collected, as the list shows them
    std::vector<std::string> m_lines;   // received lines, as the list shows them

private:
    void Handle(const LoggedMessage& logged)
    {
        const PostedMessage& msg = logged.message;
        if (logged.target == Target::Frame) {
            HandleFrameMessage(m_doc, msg.nMsg, msg.wParam);
            return;
        }
        if (m_pSchedule) {
            EXPECT_TRUE(m_pSchedule->OnDocMessage(msg.nMsg, msg.wParam));
        }
        if (msg.nMsg == WM_COMMS_COMMAND) {
            std::string strEcho;
            m_doc.GetCommsCommand(strEcho, static_cast<uint32_t>(msg.wParam));
            m_echoes.push_back(strEcho);
        } else if (msg.nMsg == WM_COMMS_DATA) {
            uint32_t dwBytes = 0;
            const size_t nFirst = m_lines.size();
            while (m_doc.GetCommsData(m_lines, dwBytes)) {
            }
            for (size_t n = nFirst; m_pSchedule && n < m_lines.size(); ++n) {
                EXPECT_TRUE(m_pSchedule->DataLineReceived(m_lines[n]));
            }
        }
    }

    CHalyardDoc& m_doc;
    CRecordingHost& m_host;
    CTimerSchedule* m_pSchedule = nullptr;
    size_t m_nNext = 0;
};

}  // namespace halyard::test
