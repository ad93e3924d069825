#pragma once
// A simulated sensor on a pseudo-terminal, registered in the port table so that
// the document and the identification open it as "COMn". Tick(logic) runs one
// identification tick after the sensor's answer to what was sent so far has
// arrived (it waits on the port's data-in event, with a deadline), so that the
// test does not depend on how fast the sensor answers.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "SimSensor.h"
#include "document/CConnectLogic.h"
#include "platform/PortTable.h"
#include "platform/WaitSet.h"

namespace halyard::test {

constexpr int kReplyWaitMs = 5000;

class CSimPort {
public:
    explicit CSimPort(sim::SimOptions options = {})
        : m_sim(std::move(options))
    {
        m_bStarted = m_sim.Start();
        if (m_bStarted)
            m_nPort = CPortTable::Instance().RegisterSimulated(m_sim.DevicePath(), "simulated");
    }
    ~CSimPort()
    {
        if (m_nPort > 0)
            CPortTable::Instance().Unregister(m_nPort);
    }
    CSimPort(const CSimPort&) = delete;
    CSimPort& operator=(const CSimPort&) = delete;

    bool Started() const { return m_bStarted && m_nPort > 0; }
    int Port() const { return m_nPort; }
    sim::CSimSensor& Sim() { return m_sim; }

    // Waits until the sensor has read nCommands lines and, when bExpectReply,
    // until a line has reached the port's receive queue. The result tells
    // whether that happened before the deadline.
    bool AwaitReply(size_t nCommands, bool bExpectReply)
    {
        if (!m_sim.WaitForCommands(nCommands, std::chrono::milliseconds(kReplyWaitMs)))
            return false;
        if (!bExpectReply)
            return true;
        if (!m_hDataIn)
            m_hDataIn = CreateAutoResetEvent(DataInEventName(m_nPort));
        return m_hDataIn && WaitForEvent(*m_hDataIn, kReplyWaitMs);
    }
    void ForgetDataEvent() { m_hDataIn.reset(); }

    // The identification's ticks, each after the answer to the line before:
    // before tick k it has sent "OK" and k-1 "JM?". With bExpectReplies false
    // (a silent sensor) it ticks straight through.
    void RunIdentification(CConnectLogic& logic, bool bExpectReplies)
    {
        logic.OnInitDialog();
        for (int nTick = 1; !logic.IsFinished() && nTick <= 30; ++nTick) {
            if (bExpectReplies && !logic.PortFailed() && !logic.IsIdentified()) {
                EXPECT_TRUE(AwaitReply(static_cast<size_t>(nTick), true)) << "tick " << nTick;
            }
            logic.OnTimer(TIMER_CONNECT_DLG);
        }
        ForgetDataEvent();
    }

private:
    sim::CSimSensor m_sim;
    bool m_bStarted = false;
    int m_nPort = 0;
    EventHandle m_hDataIn;
};

}  // namespace halyard::test
