#include "SimEngine.h"

#include <algorithm>

#include "SensorTexts.h"
#include "SimFaults.h"
#include "SimProtocol.h"
#include "SimSystem.h"

namespace halyard::sim {

namespace {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kSplitPause = 15ms;  // between the pieces of a split line
constexpr size_t kOverlongBytes = 5000;
// A counted hang-up waits this long at most for the client to read the last
// answer, and looks again this often.
constexpr auto kHangUpReadGrace = 5s;
constexpr auto kHangUpLook = 10ms;

}  // namespace

CSimEngine::CSimEngine(SimOptions options, std::shared_ptr<ISimPort> pPort)
    : m_options(std::move(options))
    , m_model(m_options.strModel, m_options.nAddress, m_options.bRS485)
    , m_pPort(pPort ? std::move(pPort) : DefaultSimPort())
{
    m_model.SetOpState(m_options.wOpState);
    m_model.SetDecimalOpState(m_options.bDecimalOpState);
}

bool CSimEngine::Start()
{
    if (IsRunning())
        return true;
    Stop();  // joins a thread that ended by itself
    if (!CSensorModel::IsKnownModel(m_options.strModel) || m_options.nAddress < 0 || m_options.nAddress > 99)
        return false;
    if (!m_pPort->Open()) {
        Stop();
        return false;
    }
    m_strDevicePath = m_pPort->Path();
    m_splitter.Reset();
    m_wire.clear();
    m_bAutoWas = false;
    m_bHangUpDue = false;
    if (m_options.bStartupMessage)
        PostOutgoing(StartupText(), false);
    m_bStop = false;
    m_bRunning = true;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CSimEngine::Stop()
{
    m_bStop = true;
    if (m_thread.joinable()) {
        Wake();
        m_thread.join();
    }
    m_pPort->Close();
}

void CSimEngine::Wake() const
{
    m_pPort->Wake();
}

void CSimEngine::PostOutgoing(std::string strBytes, bool bRaw)
{
    {
        std::lock_guard lock(m_mutex);
        m_outbox.push_back({std::move(strBytes), bRaw});
    }
    Wake();
}

void CSimEngine::Run()
{
    // The sensor writes its numbers with a decimal point, whatever locale the
    // program around it runs in (Qt takes the user's).
    UseCLocaleInThisThread();
    while (!m_bStop) {
        const TimePoint now = SteadyClock::now();
        TakeOutbox(now);
        if (!m_bHangUpDue)
            ScheduleData(now);
        WriteDue(now);
        if (ReadyToHangUp(now))
            break;
        // About to hang up, the sensor reads nothing more.
        bool bInput = false;
        const bool bLineUp = m_pPort->Wait(!m_bHangUpDue, PollTimeoutMs(now), bInput);
        if (bInput) {
            // Whatever was posted before the client wrote goes out first.
            const TimePoint inputTime = SteadyClock::now();
            TakeOutbox(inputTime);
            HandleInput(inputTime);
        }
        if (!bLineUp)
            break;
    }
    Finish();
}

// Closing the master throws away what the client has not read yet, so a
// counted hang-up waits until its last answer is written and read; a client
// that does not read gets it kHangUpReadGrace after the last write.
bool CSimEngine::ReadyToHangUp(TimePoint now) const
{
    return m_bHangUpDue && m_wire.empty() &&
           (!m_pPort->ClientHasInput() || now >= m_lastWrite + kHangUpReadGrace);
}

// A counted hang-up closes the terminal from the thread itself, once the
// flags already tell that the sensor hung up and no longer runs.
void CSimEngine::Finish()
{
    if (m_bHangUpDue)
        m_abFaults[static_cast<size_t>(Fault::HangUp)] = true;
    m_bRunning = false;
    if (m_bHangUpDue)
        m_pPort->Close();
}

void CSimEngine::TakeOutbox(TimePoint now)
{
    std::deque<Outgoing> outbox;
    bool bFramed = false;
    {
        std::lock_guard lock(m_mutex);
        outbox.swap(m_outbox);
        bFramed = m_model.RS485();
    }
    for (Outgoing& item : outbox) {
        if (item.bRaw)
            QueueBytes(std::move(item.strBytes), now);
        else
            QueueLine(item.strBytes, bFramed, now);
    }
}

void CSimEngine::HandleInput(TimePoint now)
{
    char abyBuffer[4096];
    const size_t nRead = m_pPort->Read(abyBuffer, sizeof abyBuffer);
    if (nRead == 0)
        return;
    std::vector<std::string> lines;
    m_splitter.Feed(std::string_view(abyBuffer, nRead), lines);
    for (const std::string& strLine : lines) {
        if (m_bHangUpDue)
            break;  // the line is down before the rest arrives
        HandleLine(strLine, now);
    }
}

void CSimEngine::HandleLine(const std::string& strLine, TimePoint now)
{
    std::vector<std::string> replies;
    bool bFramed = false;
    {
        std::lock_guard lock(m_mutex);
        bFramed = m_model.RS485();
        std::string strCommand = strLine;
        if (bFramed) {
            // On the bus: only well-formed lines for this address count.
            if (strLine[0] != ':')
                return;
            FramedLine framed = UnframeLine(strLine);
            if (framed.status != FramedLine::Status::Ok) {
                ++m_nRejected;
                return;
            }
            if (framed.nAddress != m_model.Address())
                return;
            strCommand = std::move(framed.strPayload);
        }
        m_commands.push_back(strCommand);
        m_cvCommands.notify_all();
        replies = RepliesTo(strCommand, now);
    }
    const TimePoint due =
        now + (Faulty(Fault::LateAnswer) ? std::chrono::milliseconds(m_nLateMs.load()) : 0ms);
    for (const std::string& strReply : replies)
        QueueLine(strReply, bFramed, due);
}

// The reply lines to a recorded command, with the command faults applied.
std::vector<std::string> CSimEngine::RepliesTo(const std::string& strCommand, TimePoint now)
{
    const CCommandFaults::Outcome outcome =
        m_commandFaults.Receive(strCommand, Faulty(Fault::Silent), Faulty(Fault::BadCmdFor));
    if (outcome.bFallSilent)
        m_abFaults[static_cast<size_t>(Fault::Silent)] = true;
    m_bHangUpDue = m_bHangUpDue || outcome.bHangUp;
    switch (outcome.answer) {
    case CCommandFaults::Answer::Normal:
        return m_model.Execute(strCommand, now);
    case CCommandFaults::Answer::BadCmd:
        return {"BAD CMD"};
    case CCommandFaults::Answer::None:
        break;
    }
    return {};
}

void CSimEngine::ScheduleData(TimePoint now)
{
    const auto period =
        std::chrono::milliseconds(m_options.nDataPeriodMs > 0 ? m_options.nDataPeriodMs : 10000);
    std::string strData;
    bool bFramed = false;
    {
        std::lock_guard lock(m_mutex);
        m_model.UpdateTestMode(now);
        const bool bAuto = m_model.AutoSend();
        if (bAuto && !m_bAutoWas)
            m_nextData = now + period;
        m_bAutoWas = bAuto;
        if (!bAuto || now < m_nextData)
            return;
        m_nextData = std::max(m_nextData + period, now);
        if (Faulty(Fault::Silent))
            return;
        strData = m_model.DataMessage();
        bFramed = m_model.RS485();
    }
    QueueLine(strData, bFramed, now);
}

void CSimEngine::QueueLine(const std::string& strText, bool bFramed, TimePoint due)
{
    std::string strWire = strText;
    if (bFramed) {
        int nAddress = m_model.Address();
        if (Faulty(Fault::WrongAddress))
            nAddress = (nAddress + 1) % 100;
        const LrcStyle style = Faulty(Fault::BadLrc)         ? LrcStyle::Wrong
                               : Faulty(Fault::LowerCaseLrc) ? LrcStyle::LowerCase
                                                             : LrcStyle::Correct;
        strWire = FrameLine(nAddress, strText, style);
    }
    const LineShape shape{Faulty(Fault::CrOnly), Faulty(Fault::Noise), Faulty(Fault::SplitLines)};
    TimePoint pieceDue = due;
    for (std::string& strPiece : ShapeLine(strWire, shape, m_rng)) {
        QueueBytes(std::move(strPiece), pieceDue);
        pieceDue += kSplitPause;
    }
}

void CSimEngine::QueueBytes(std::string strBytes, TimePoint due)
{
    // Keep the order of the wire: nothing overtakes a chunk queued before it.
    if (!m_wire.empty())
        due = std::max(due, m_wire.back().due);
    m_wire.push_back({due, std::move(strBytes)});
}

// Writes the chunks that are due. When the terminal takes no more (nobody
// has read it for a long while), what is due is lost, as on a real line.
void CSimEngine::WriteDue(TimePoint now)
{
    while (!m_wire.empty() && m_wire.front().due <= now) {
        Chunk& chunk = m_wire.front();
        const size_t nWritten = m_pPort->Write(chunk.strBytes.data(), chunk.strBytes.size());
        m_lastWrite = now;
        if (nWritten > 0 && nWritten < chunk.strBytes.size()) {
            chunk.strBytes.erase(0, nWritten);
            continue;
        }
        m_wire.pop_front();
    }
}

int CSimEngine::PollTimeoutMs(TimePoint now) const
{
    TimePoint wake = now + 1s;
    if (!m_wire.empty())
        wake = std::min(wake, m_wire.front().due);
    if (m_bAutoWas && !m_bHangUpDue)
        wake = std::min(wake, m_nextData);
    if (m_bHangUpDue)
        wake = std::min(wake, now + kHangUpLook);
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, 1000));
}

void CSimEngine::SetFault(Fault fault, bool bOn)
{
    if (fault == Fault::OverlongLine) {
        if (bOn)
            PostOutgoing(OverlongText(kOverlongBytes), true);
        return;
    }
    m_abFaults[static_cast<size_t>(fault)] = bOn;
    Wake();
}

void CSimEngine::SetBadCmdFor(const std::string& strCommand)
{
    {
        std::lock_guard lock(m_mutex);
        m_commandFaults.SetBadCmdFor(strCommand);
    }
    SetFault(Fault::BadCmdFor, !strCommand.empty());
}

void CSimEngine::SetBadCmdOnceFor(const std::string& strCommand)
{
    std::lock_guard lock(m_mutex);
    m_commandFaults.SetBadCmdOnceFor(strCommand);
}

void CSimEngine::SetNoAnswerFor(const std::string& strCommand)
{
    std::lock_guard lock(m_mutex);
    m_commandFaults.SetNoAnswerFor(strCommand);
}

void CSimEngine::SetSilentAfter(size_t nCommands)
{
    std::lock_guard lock(m_mutex);
    m_commandFaults.SetSilentAfter(nCommands);
}

void CSimEngine::SetHangUpAfter(size_t nCommands)
{
    std::lock_guard lock(m_mutex);
    m_commandFaults.SetHangUpAfter(nCommands);
}

std::vector<std::string> CSimEngine::ReceivedCommands() const
{
    std::lock_guard lock(m_mutex);
    return m_commands;
}

void CSimEngine::ClearReceivedCommands()
{
    std::lock_guard lock(m_mutex);
    m_commands.clear();
}

bool CSimEngine::WaitForCommands(size_t nCount, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_cvCommands.wait_for(lock, timeout, [&] { return m_commands.size() >= nCount; });
}

size_t CSimEngine::RejectedLines() const
{
    std::lock_guard lock(m_mutex);
    return m_nRejected;
}

}  // namespace halyard::sim
