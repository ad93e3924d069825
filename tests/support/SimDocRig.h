#pragma once
// A document connected to a simulated sensor over a pseudo-terminal, with the
// test's thread as its UI thread: CDocPump answers what the document and its
// threads post.

#include <chrono>
#include <string>
#include <vector>

#include "DocPump.h"
#include "RecordingHost.h"
#include "SimFixture.h"
#include "document/CHalyardDoc.h"

namespace halyard::test {

// A document connected to a simulated sensor, with the test's thread as its UI thread.
class CSimDocRig {
public:
    explicit CSimDocRig(sim::SimOptions options)
        : m_port(std::move(options))
    {
        // Each tick after the answer to the line before; the tick after the
        // finding one too, so that the answer to the "JM?" that went out with
        // it comes into the identification's port, as in the program, where
        // the window waits for seconds, and not into the connection.
        m_host.m_beforeTick = [this, bSettled = false](CConnectLogic& logic, int nTick) mutable {
            if (nTick == 1)
                bSettled = false;  // a new identification
            if (logic.PortFailed() || bSettled)
                return;
            m_port.AwaitReply(static_cast<size_t>(nTick), true);
            bSettled = logic.IsIdentified();
        };
        m_doc.OnNewDocument();
    }

    bool Connect()
    {
        if (!m_port.Started())
            return false;
        m_doc.SetUpPortAndBaudRate(m_port.Port(), 57600);
        const bool bConnected = m_doc.ConnectToSensor();
        m_port.ForgetDataEvent();
        return bConnected;
    }

    bool StartLog(const std::string& strPath)
    {
        m_pump.Pump();
        LogSettings settings;
        settings.strPathName = strPath;
        settings.strPrefix = strPath;
        m_doc.SetLogParameters(settings);
        return m_doc.StartLogging(LogStart::Fresh);
    }

    // Runs the sequence started last to its end, one timer-8 step after each
    // reply (or after nWaitMs without one) instead of every 500 ms; false
    // when it had not ended after nMaxTicks steps.
    bool RunSequence(int nMaxTicks = 2000, int nWaitMs = 3000)
    {
        for (int n = 0; n < nMaxTicks && m_doc.SequenceRunning(); ++n) {
            m_pump.PumpUntil([&] { return m_doc.IsReplyReceived(); }, std::chrono::milliseconds(nWaitMs));
            // The view has the reply before the next tick, as in the program.
            m_pump.Pump();
            m_doc.OnTimer(TIMER_SEQUENCE);
            m_pump.Pump();
        }
        return !m_doc.SequenceRunning();
    }

    // The lines received so far, as the view got them, without their line ends.
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        for (std::string strLine : m_pump.m_lines) {
            while (!strLine.empty() && (strLine.back() == '\n' || strLine.back() == '\r'))
                strLine.pop_back();
            lines.push_back(strLine);
        }
        return lines;
    }

    CSimPort m_port;
    CRecordingHost m_host;
    CHalyardDoc m_doc{m_host};
    CDocPump m_pump{m_doc, m_host};
};

}  // namespace halyard::test
