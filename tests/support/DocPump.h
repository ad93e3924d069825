#pragma once
// Plays the frame and the view for a document under test: takes the messages
// the document (and its watcher thread) posted to the recording host, in
// order, and answers them as the GUI does: WM_COMMS_EVENT 1 calls
// CommsDataReceived(true), 0 CommsTimeout; WM_THREAD_END CommsThreadFinished;
// WM_COMMS_COMMAND collects the echo with GetCommsCommand; WM_COMMS_DATA calls
// GetCommsData until it returns false. Runs on the test's thread (the UI thread).

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "RecordingHost.h"
#include "document/CHalyardDoc.h"

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
        const std::vector<LoggedMessage> log = m_host.Log();
        for (; m_nNext < log.size(); ++m_nNext)
            Handle(log[m_nNext]);
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

    // Skips what is logged so far (after ClearMessages, start again at 0).
    void Restart() { m_nNext = 0; }

    std::vector<std::string> m_echoes;  // commands collected, as the list shows them
    std::vector<std::string> m_lines;   // received lines, as the list shows them

private:
    void Handle(const LoggedMessage& logged)
    {
        const PostedMessage& msg = logged.message;
        if (logged.target == Target::Frame) {
            if (msg.nMsg == WM_COMMS_EVENT) {
                if (msg.wParam == 1)
                    m_doc.CommsDataReceived(true);
                else
                    m_doc.CommsTimeout();
            } else if (msg.nMsg == WM_THREAD_END) {
                m_doc.CommsThreadFinished();
            }
            return;
        }
        if (msg.nMsg == WM_COMMS_COMMAND) {
            std::string strEcho;
            m_doc.GetCommsCommand(strEcho, static_cast<uint32_t>(msg.wParam));
            m_echoes.push_back(strEcho);
        } else if (msg.nMsg == WM_COMMS_DATA) {
            uint32_t dwBytes = 0;
            while (m_doc.GetCommsData(m_lines, dwBytes)) {
            }
        }
    }

    CHalyardDoc& m_doc;
    CRecordingHost& m_host;
    size_t m_nNext = 0;
};

}  // namespace halyard::test
