#include "console/CConsoleSession.h"

#include <algorithm>

#include "document/DocMessages.h"
#include "document/LogFiles.h"
#include "document/Sequences.h"
#include "platform/PortTable.h"
#include "platform/SettingsPortMemory.h"
#include "platform/SysError.h"
#include "sim/AppSimulator.h"

namespace halyard {

namespace {

// The lowest number no port of the table has.
int FreePortNumber(const std::vector<PortEntry>& ports)
{
    int nPort = 1;
    while (std::any_of(ports.begin(), ports.end(), [nPort](const PortEntry& e) { return e.nPort == nPort; }))
        ++nPort;
    return nPort;
}

}  // namespace

CConsoleSession::CConsoleSession(const CommonOptions& options, std::ostream& out, std::ostream& err)
    : m_options(options)
    , m_out(out)
    , m_err(err)
    , m_host(m_loop, err)
    , m_pDoc(std::make_unique<CHalyardDoc>(m_host))
    , m_schedule(m_loop, [this](uint32_t nID) { OnTimerExpired(nID); })
{
    m_host.m_bQuiet = options.bQuiet;
    m_loop.SetMessageHandler([this](const LoopMessage& message) { OnMessage(message); });
    m_loop.SetTimerHandler([this](uint32_t nID) { OnTimer(nID); });
    m_loop.SetFailureHandler([this](const SysResult& failure) {
        Warn("the event loop's wait failed (" + failure.Message() + "); trying again");
    });
    m_pDoc->OnNewDocument();
    CheckTimerStarted(m_schedule.Start());
}

CConsoleSession::~CConsoleSession()
{
    // The document goes first: it stops its threads, which post to the loop.
    m_pDoc.reset();
    m_pSim.reset();
    if (m_options.bRememberPorts)
        CPortTable::Instance().SetMemory(nullptr);
}

void CConsoleSession::Say(const std::string& strLine)
{
    if (!m_options.bQuiet)
        m_err << strLine << std::endl;
}

void CConsoleSession::Warn(const std::string& strLine)
{
    m_err << "halyard-cli: " << strLine << std::endl;
}

bool CConsoleSession::SetUpPorts()
{
    if (!m_loop.Status()) {
        Warn("the event loop could not start: " + m_loop.Status().Message());
        return false;
    }
    // The numbers given to USB adapters, shared with the window's settings.
    std::shared_ptr<IPortMemory> pMemory;
    if (m_options.bRememberPorts)
        pMemory = std::make_shared<CSettingsPortMemory>();
    const PortSetUpReport report = CPortTable::Instance().SetUp({}, std::move(pMemory));
    if (!report.strWarning.empty())
        Warn(report.strWarning);
    if (!m_options.strSimulate)
        return true;
    m_pSim = sim::CAppSimulator::Start(*m_options.strSimulate);
    if (!m_pSim) {
        Warn(sim::SIM_START_FAILED_TEXT);
        return false;
    }
    return true;
}

int CConsoleSession::ChoosePort()
{
    CPortTable& table = CPortTable::Instance();
    const std::string& strPort = m_options.strPort;
    if (strPort.empty())
        m_nPort = m_pSim ? m_pSim->Port() : 1;
    else if (strPort.find('=') != std::string::npos)
        m_nPort = table.PinFromText(strPort) ? PortNumberFromName(strPort) : 0;
    else if (strPort.front() == '/') {
        const std::vector<PortEntry> ports = table.Ports();
        const auto it = std::find_if(ports.begin(), ports.end(), [&](const PortEntry& e) {
            return e.strDevice == strPort || (!e.strById.empty() && e.strById == strPort);
        });
        m_nPort = it != ports.end() ? it->nPort : FreePortNumber(ports);
        if (it == ports.end())
            table.Pin(m_nPort, strPort);
    } else if (strPort.rfind("COM", 0) == 0 && PortNumberFromName(strPort) > 0) {
        m_nPort = PortNumberFromName(strPort);
    } else {
        m_nPort = 0;
    }
    if (m_nPort == 0)
        Warn("--port " + strPort + ": expected COMn, a device path or COMn=PATH");
    else if (!table.Find(m_nPort))
        Warn("COM" + std::to_string(m_nPort) + " is not a port of this machine (halyard-cli ports lists them)");
    return table.Find(m_nPort) ? m_nPort : 0;
}

ConnectResult CConsoleSession::Connect()
{
    CHalyardDoc& doc = Doc();
    doc.SetUpPortAndBaudRate(m_nPort, m_options.dwBaud);
    doc.SetAddress(static_cast<uint16_t>(m_options.nAddress));
    doc.EnableRS485(m_options.bRS485);
    doc.ConnectToSensor();
    if (doc.IsConnected())
        return ConnectResult::Connected;
    const CConsoleHost::Identification& found = m_host.m_lastIdentification;
    if (found.bPortFailed) {
        WarnPortFailed(found.dwPortError);
        return ConnectResult::PortFailed;
    }
    if (!found.bIdentified) {
        Warn("No sensor answered on COM" + std::to_string(m_nPort) + " at " + std::to_string(m_options.dwBaud) +
             " baud");
        return ConnectResult::NoSensor;
    }
    Warn("COM" + std::to_string(m_nPort) + " could not be opened again after the sensor was found");
    return ConnectResult::PortFailed;
}

void CConsoleSession::WarnPortFailed(uint32_t dwError)
{
    const auto entry = CPortTable::Instance().Find(m_nPort);
    Warn("COM" + std::to_string(m_nPort) + (entry ? " (" + entry->strDevice + ")" : std::string()) +
         " could not be opened: " + PortOpenErrorText(dwError));
}

int CConsoleSession::ConnectFailureStatus(ConnectResult result) const
{
    switch (result) {
    case ConnectResult::Connected:
        return EXIT_DONE;
    case ConnectResult::PortFailed:
        return EXIT_PORT;
    case ConnectResult::NoSensor:
        return EXIT_NO_REPLY;
    }
    return EXIT_FAILED;
}

void CConsoleSession::CloseConnection()
{
    CHalyardDoc& doc = Doc();
    if (!doc.IsConnected())
        return;
    m_loop.ResetQuit();
    m_loop.RunUntil(
        [&] { return !doc.IsConnected() || (doc.PendingCommands() == 0 && !m_bAwaitingReply); },
        std::chrono::seconds(3));
    if (doc.IsConnected())
        doc.CloseConnection(false);
}

int CConsoleSession::OpenConnection()
{
    if (!SetUpPorts())
        return EXIT_FAILED;
    if (ChoosePort() == 0)
        return EXIT_PORT;
    return ConnectFailureStatus(Connect());
}

void CConsoleSession::WatchSignals(NativeHandle fd, std::function<int()> takeSignal)
{
    if (fd == kNoHandle || !takeSignal)
        return;
    m_loop.WatchFd(fd, [this, takeSignal = std::move(takeSignal)] {
        const int nSignal = takeSignal();
        if (nSignal == 0)
            return;
        m_nSignal = nSignal;
        m_loop.Quit();
    });
}

void CConsoleSession::CheckTimerStarted(bool bStarted)
{
    if (!bStarted)
        Warn("a timer could not be started: " + SystemErrorText(EINVAL));
}

void CConsoleSession::OnMessage(const LoopMessage& message)
{
    if (message.target == PostTarget::Frame) {
        HandleFrameMessage(Doc(), message.nMsg, message.wParam);
        return;
    }
    CheckTimerStarted(m_schedule.OnDocMessage(message.nMsg, message.wParam));
    OnViewMessage(message);
}

void CConsoleSession::OnViewMessage(const LoopMessage& message)
{
    switch (message.nMsg) {
    case WM_COMMS_DATA:
        m_bAwaitingReply = false;
        for (const std::string& strLine : TakeReceivedLines(Doc(), message.wParam)) {
            CheckTimerStarted(m_schedule.DataLineReceived(strLine));
            if (m_hooks.onLine)
                m_hooks.onLine(strLine);
        }
        // Where lines are shown, lines lost after these are told.
        if (const std::string strNotice = TakeLinesDroppedNotice(Doc()); !strNotice.empty() && m_hooks.onLine)
            Warn(strNotice);
        return;
    case WM_COMMS_COMMAND: {
        std::string strCommand;
        Doc().GetCommsCommand(strCommand, static_cast<uint32_t>(message.wParam));
        m_bAwaitingReply = m_bAwaitingReply || !strCommand.empty();
        if (m_hooks.onCommand && !strCommand.empty())
            m_hooks.onCommand(strCommand);
        return;
    }
    case WM_COMMS_OPEN:
        Say(message.wParam == COMMS_CLOSED ? "Connection Closed" : "Connected to Sensor");
        if (message.wParam == COMMS_CLOSED && m_hooks.onClosed)
            m_hooks.onClosed();
        return;
    case WM_COMMS_TIMEOUT:
        Warn(NoResponseText(Doc()));
        return;
    case WM_LOG_ERROR: {
        // One line: what stopped and, for a file failure, the file and the system's reason.
        const auto nReason = static_cast<int32_t>(message.lParam);
        Warn(IsLogFileFailure(nReason) ? LogFailureMessage(nReason, Doc().GetLogError(), ". ") : LogStopText(nReason));
        if (m_hooks.onLogStopped)
            m_hooks.onLogStopped(nReason);
        return;
    }
    default:
        break;
    }
    if (const SequenceProgress* pSeq = SequenceProgressFor(message.nMsg)) {
        if (message.wParam == SEQUENCE_STARTED) {
            Say(pSeq->szStart);
            return;
        }
        const std::vector<std::string> lines = SequenceEndLines(*pSeq, message.wParam, Doc().GetSeqOutcome());
        // An end that was no simple finish is said whatever --quiet says; so
        // is a load that finished with lines the sensor refused.
        if (Doc().GetSeqOutcome().nEnd == SEQ_DONE && message.wParam != SEQUENCE_FAILED)
            Say(lines.front());
        else
            Warn(lines.front());
        for (size_t n = 1; n < lines.size(); ++n)
            Warn(lines[n]);
        if (m_hooks.onSequenceEnd)
            m_hooks.onSequenceEnd(message.wParam);
    }
}

void CConsoleSession::OnTimer(uint32_t nIDEvent)
{
    if (!m_host.OnTimer(nIDEvent))
        m_schedule.OnTimer(nIDEvent);
}

void CConsoleSession::OnTimerExpired(uint32_t nIDEvent)
{
    if (nIDEvent == TIMER_SEQUENCE && m_hooks.onSequenceTick)
        m_hooks.onSequenceTick();
    Doc().OnTimer(nIDEvent);
}

}  // namespace halyard
