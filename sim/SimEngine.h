// CSimEngine: the working part of a simulated sensor. It owns its line (a
// pseudo-terminal, or an in-process line: ISimPort) and the thread that reads command lines, answers them
// through CSensorModel, sends automatic data messages and applies the faults
// a test switched on. A counted hang-up ends the thread by itself; Start()
// and Stop() join it then. CSimSensor is its public face; every public member
// here may be called from any thread (m_mutex guards the model, the command
// record, the command faults and the outbox; the thread alone reads and
// writes the line and owns the wire queue).
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "CommandFaults.h"
#include "LineSplitter.h"
#include "SensorModel.h"
#include "SimPort.h"
#include "SimSensor.h"

namespace halyard::sim {

class CSimEngine {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Null pPort: the system's default line (DefaultSimPort).
    CSimEngine(SimOptions options, std::shared_ptr<ISimPort> pPort);
    ~CSimEngine() { Stop(); }
    CSimEngine(const CSimEngine&) = delete;
    CSimEngine& operator=(const CSimEngine&) = delete;

    bool Start();
    void Stop();
    bool IsRunning() const { return m_bRunning; }
    const std::string& DevicePath() const { return m_strDevicePath; }

    void SetFault(Fault fault, bool bOn);
    bool GetFault(Fault fault) const { return m_abFaults[static_cast<size_t>(fault)].load(); }
    void SetLateAnswerMs(int nMs) { m_nLateMs = nMs < 0 ? 0 : nMs; }
    void SetBadCmdFor(const std::string& strCommand);
    void SetBadCmdOnceFor(const std::string& strCommand);
    void SetNoAnswerFor(const std::string& strCommand);
    void SetSilentAfter(size_t nCommands);
    void SetHangUpAfter(size_t nCommands);
    // A line (framed and shaped when sent) or raw bytes for the wire.
    void PostOutgoing(std::string strBytes, bool bRaw);

    std::vector<std::string> ReceivedCommands() const;
    void ClearReceivedCommands();
    bool WaitForCommands(size_t nCount, std::chrono::milliseconds timeout) const;
    size_t RejectedLines() const;

    // Runs `fn` on the model under the lock and wakes the thread afterwards,
    // so that a changed operating state takes effect at once.
    template <typename Fn>
    auto WithModel(Fn&& fn) const
    {
        std::lock_guard lock(m_mutex);
        return fn(static_cast<const CSensorModel&>(m_model));
    }
    template <typename Fn>
    auto ChangeModel(Fn&& fn)
    {
        struct WakeOnExit {
            const CSimEngine& engine;
            ~WakeOnExit() { engine.Wake(); }
        } wake{*this};
        std::lock_guard lock(m_mutex);
        return fn(m_model);
    }

private:
    static constexpr size_t kFaultCount = static_cast<size_t>(Fault::HangUp) + 1;
    struct Outgoing {
        std::string strBytes;
        bool bRaw = false;  // raw bytes: no framing, no line end, no shaping
    };
    struct Chunk {
        TimePoint due;
        std::string strBytes;
    };

    bool Faulty(Fault fault) const { return GetFault(fault); }
    void Wake() const;
    void Run();
    bool ReadyToHangUp(TimePoint now) const;
    void Finish();
    void TakeOutbox(TimePoint now);
    void HandleInput(TimePoint now);
    void HandleLine(const std::string& strLine, TimePoint now);
    std::vector<std::string> RepliesTo(const std::string& strCommand, TimePoint now);
    void ScheduleData(TimePoint now);
    void QueueLine(const std::string& strText, bool bFramed, TimePoint due);
    void QueueBytes(std::string strBytes, TimePoint due);
    void WriteDue(TimePoint now);
    int PollTimeoutMs(TimePoint now) const;

    const SimOptions m_options;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cvCommands;
    CSensorModel m_model;                 // guarded by m_mutex
    std::vector<std::string> m_commands;  // guarded by m_mutex
    size_t m_nRejected = 0;               // guarded by m_mutex
    CCommandFaults m_commandFaults;       // guarded by m_mutex
    std::deque<Outgoing> m_outbox;        // guarded by m_mutex
    std::array<std::atomic<bool>, kFaultCount> m_abFaults{};
    std::atomic<int> m_nLateMs{2000};
    std::string m_strDevicePath;  // set by Start() before the thread runs

    const std::shared_ptr<ISimPort> m_pPort;
    std::thread m_thread;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bRunning{false};  // from Start() until the thread ends
    // Owned by the thread while it runs.
    CLineSplitter m_splitter;
    std::deque<Chunk> m_wire;
    bool m_bAutoWas = false;
    bool m_bHangUpDue = false;  // a counted hang-up: drain the wire, read nothing more
    TimePoint m_lastWrite{};
    TimePoint m_nextData{};
    std::minstd_rand m_rng{20240611};
};

}  // namespace halyard::sim
