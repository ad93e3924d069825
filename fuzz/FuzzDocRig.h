#pragma once
// A document for the fuzz targets, as the tests build one: a fake serial link
// (tests/support/FakeSerial.h), a recording host and a clock that stands still
// (its pauses pass at once). Connect() runs the real connect path, the
// identification answered "00630" on a fake port of its own. Deliver() plays
// the frame and the view: the sensor's answers to what was sent are handed to
// CommsDataReceived, echoes are collected and every line the document hands
// out goes to m_lines. One rig per input, on the fuzzer's thread.

#include <memory>
#include <string>
#include <vector>

#include "FakeSerial.h"
#include "FuzzCheck.h"
#include "RecordingHost.h"
#include "document/CHalyardDoc.h"
#include "document/DocMessages.h"
#include "platform/Clock.h"

namespace halyard::fuzz {

class CFuzzDocRig {
public:
    CFuzzDocRig()
    {
        static CManualClock clock{MakeLocalTime(2026, 12, 8, 1, 30, 5)};
        SetClock(&clock);
        auto pPort = std::make_unique<test::CFakeSerial>();
        m_pPort = pPort.get();
        m_pDoc = std::make_unique<CHalyardDoc>(m_host, std::move(pPort));
        m_host.m_connectSerial = [] {
            auto pFake = std::make_unique<test::CFakeSerial>();
            pFake->m_responder = [](const std::string& strLine) {
                return strLine.find("JM?") != std::string::npos ? std::vector<std::string>{"00630\r\n"}
                                                                 : std::vector<std::string>{};
            };
            return pFake;
        };
        Require(m_pDoc->OnNewDocument(), "a new document has its line queue");
    }

    // Connects and forgets what that posted.
    void Connect()
    {
        Require(m_pDoc->ConnectToSensor(), "the fake sensor is identified and connected");
        m_host.ClearMessages();
        m_nNext = 0;
        m_pPort->ClearSent();
    }

    CHalyardDoc& Doc() { return *m_pDoc; }
    test::CFakeSerial& Port() { return *m_pPort; }
    test::CRecordingHost& Host() { return m_host; }

    // Answers every message posted since the last call as the frame and the view.
    void Pump()
    {
        const std::vector<test::LoggedMessage> fresh = m_host.LogFrom(m_nNext);
        m_nNext += fresh.size();
        for (const test::LoggedMessage& logged : fresh) {
            const test::PostedMessage& msg = logged.message;
            if (logged.target == test::Target::Frame) {
                HandleFrameMessage(*m_pDoc, msg.nMsg, msg.wParam);
            } else if (msg.nMsg == WM_COMMS_COMMAND) {
                std::string strEcho;
                m_pDoc->GetCommsCommand(strEcho, static_cast<uint32_t>(msg.wParam));
            } else if (msg.nMsg == WM_COMMS_DATA) {
                uint32_t dwBytes = 0;
                while (m_pDoc->GetCommsData(m_lines, dwBytes)) {
                }
            }
        }
    }

    // The sensor's answers until none is waiting, and every message meanwhile.
    void Deliver()
    {
        for (int n = 0; n < 50; ++n) {
            Pump();
            m_pPort->Sent();
            if (m_pPort->PacketsWaiting() == 0)
                break;
            m_pDoc->CommsDataReceived(true);
        }
        Pump();
    }

    // One 500 ms tick of the sequence timer (and, every other tick, the clock's).
    void Tick()
    {
        m_pDoc->OnTimer(TIMER_SEQUENCE);
        if (++m_nTicks % 2 == 0)
            m_pDoc->OnTimer(TIMER_CLOCK);
        Deliver();
    }

    std::vector<std::string> m_lines;

private:
    test::CRecordingHost m_host;
    test::CFakeSerial* m_pPort = nullptr;
    std::unique_ptr<CHalyardDoc> m_pDoc;
    size_t m_nNext = 0;
    int m_nTicks = 0;
};

}  // namespace halyard::fuzz
