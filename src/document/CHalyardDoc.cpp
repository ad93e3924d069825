#include "document/CHalyardDoc.h"

#include <cstdio>
#include <system_error>

#include "document/CConnectLogic.h"
#include "serial/CPortLink.h"
#include "document/LogFiles.h"
#include "platform/Clock.h"
#include "platform/SysError.h"
#include "platform/WaitSet.h"

namespace halyard {

namespace {

constexpr std::chrono::milliseconds kPauseAfterClose{1000};
constexpr std::chrono::milliseconds kPauseInDestructor{5000};

std::string PortStatusText(int nPort, uint32_t dwBaudRate)
{
    char sz[64];
    std::snprintf(sz, sizeof sz, " COM%d %u,n,8,1", nPort, static_cast<unsigned>(dwBaudRate));
    return sz;
}

std::string PortTitle(int nPort)
{
    return "COM" + std::to_string(nPort);
}

}  // namespace

CHalyardDoc::CHalyardDoc(IDocHost& host, std::unique_ptr<ISerialLink> pSerial)
    : m_host(host)
    , m_pSerialOwned(pSerial ? std::move(pSerial) : std::make_unique<CPortLink>())
    , m_Serial(*m_pSerialOwned)
{}

CHalyardDoc::~CHalyardDoc()
{
    if (m_bConnected) {
        CloseConnection(true);
        Clock().Sleep(kPauseInDestructor);
    }
    StartStopAllThreads(false);
    m_pCommsThreadData.reset();
    // The file goes with the document; nothing is left to report to.
    if (m_bLogging && m_File.IsOpen())
        CloseLogFile();
    m_pRxPackets.reset();
}

bool CHalyardDoc::OnNewDocument()
{
    SetTitle("");
    auto pPackets = std::make_unique<CPacketBuffer>();
    if (!pPackets->Initialise(DOC_PACKET_SLOTS))
        return false;
    m_pRxPackets = std::move(pPackets);
    return true;
}

void CHalyardDoc::PostToViews(uint32_t nMsg, uintptr_t wParam, intptr_t lParam)
{
    m_host.Views().PostMessage(nMsg, wParam, lParam);
}

void CHalyardDoc::PostToFrame(uint32_t nMsg, uintptr_t wParam, intptr_t lParam)
{
    m_host.MainWindow().PostMessage(nMsg, wParam, lParam);
}

void CHalyardDoc::SetTitle(const std::string& strTitle)
{
    m_host.SetTitle(strTitle);
}

void CHalyardDoc::SetUpPortAndBaudRate(int nPort, uint32_t dwBaud)
{
    m_nPort = nPort;
    m_dwBaudRate = dwBaud;
}

void CHalyardDoc::SetCommsTimeoutTicks(int nTicks)
{
    m_nCommsTimeoutTicks = nTicks;
}

void CHalyardDoc::ResetRegisterState()
{
    if (DumpRunning())
        m_Sequence = Sequence::None;
    m_bOpStateValid = false;
    m_bOptionsValid = false;
    m_wOpState = 0;
    m_wOptions = 0;
    m_bAwaitOS = false;
    m_bAwaitOP = false;
    m_bBadCmd = false;
}

bool CHalyardDoc::ConnectToSensor()
{
    // A second connect first ends the connection that is open, so that the
    // identification can open the port and no queue is dropped under it.
    if (m_bConnected)
        CloseConnection(false);

    std::string strTitle;
    m_pRxPackets.reset();
    m_byRxData.fill(0);

    CConnectLogic logic;
    logic.SetUp(m_nPort, m_dwBaudRate, m_bRS485, m_wAddress);
    m_host.RunConnectDialog(logic);

    if (!logic.IsIdentified()) {
        PostToViews(WM_COMMS_NO_CONNECT);
        SetTitle(strTitle);
        return m_bConnected;
    }
    m_nPort = logic.Port();
    m_strModelName = logic.ModelName();
    m_nModelNumber = logic.ModelNumber();
    m_bPQDSensor = logic.IsPQDSensor();

    m_Serial.SetBaudRate(m_dwBaudRate);
    if (!m_Serial.Initialise(ComPortName(m_nPort), m_nPort, DATA_IN_EVENT_BASE, LINE_END_CHAR)) {
        // Identified a moment ago, yet the port would not open again: the
        // views say that the connection failed rather than staying silent.
        PostToViews(WM_COMMS_NO_CONNECT);
        SetTitle(strTitle);
        return m_bConnected;
    }

    m_bConnected = true;
    m_bCommsTimedOut = false;
    StartStopAllThreads(true);
    m_Serial.EnableCommThread(true);
    ResetRegisterState();
    m_bOSDecimal = true;
    ResetCommandRing();
    m_nLinesDropped = 0;
    m_pRxPackets = std::make_unique<CPacketBuffer>();
    m_pRxPackets->Initialise(DOC_PACKET_SLOTS);
    m_strPortStatus = PortStatusText(m_nPort, m_dwBaudRate);
    strTitle = PortTitle(m_nPort);
    PostToViews(WM_COMMS_OPEN, COMMS_OPENED, m_bPQDSensor ? 1 : 0);
    PostToFrame(WM_COMMS_OPEN, COMMS_OPENED, m_bPQDSensor ? 1 : 0);

    SetTitle(strTitle);
    return m_bConnected;
}

void CHalyardDoc::CloseConnection(bool bInDtor)
{
    // A sequence cannot go on without its sensor: it ends and says so.
    m_bCloseAfterLines = false;
    if (!bInDtor)
        EndSequences(SEQ_CONNECTION_CLOSED);
    m_Serial.EnableCommThread(false);
    m_Serial.Close();
    m_bConnected = false;
    StartStopAllThreads(false);
    ResetRegisterState();
    m_bOSDecimal = false;
    if (!bInDtor) {
        m_strPortStatus.clear();
        PostToViews(WM_COMMS_OPEN, COMMS_CLOSED, 0);
        PostToFrame(WM_COMMS_OPEN, COMMS_CLOSED, 0);
        StopLogging(LOG_CONNECTION_CLOSED);
        StopPolling();
    }
    // Closing cannot be refused; the file is gone either way.
    static_cast<void>(m_File.Close());
    m_pRxPackets.reset();
    SetTitle("");
    Clock().Sleep(kPauseAfterClose);
}

void CHalyardDoc::StartStopAllThreads(bool bStart)
{
    if (bStart) {
        StartWatcherThread();
    } else if (m_pCommsThreadData) {
        StopWatcherThread();
    }
}

bool CHalyardDoc::StartWatcherThread()
{
    if (m_pCommsCheckThread)
        return true;  // already watching
    if (!m_pCommsThreadData) {
        try {
            m_pCommsThreadData = std::make_shared<CommsThreadData>();
        } catch (const std::bad_alloc&) {
            m_host.MessageBox("Error creating comms thread data", MB_OK | MB_ICONERROR);
            return false;
        }
    }
    CommsThreadData& data = *m_pCommsThreadData;
    data.bRun = false;
    data.nTickLimit = m_nCommsTimeoutTicks;
    data.nTicks = 0;
    data.bTimedOut = false;
    data.hWnd = &m_host.MainWindow();
    if (!data.hExitEvent)
        data.hExitEvent = CreateAutoResetEvent();
    if (!data.hKillEvent)
        data.hKillEvent = CreateAutoResetEvent();
    if (!data.hRunEvent)
        data.hRunEvent = CreateAutoResetEvent();
    // The link's own events, taken afresh for the port just opened. Without a
    // data-in event (a link that gives none) the thread still has one to wait on.
    data.hDataEvent = m_Serial.DataInEvent();
    if (!data.hDataEvent)
        data.hDataEvent = CreateAutoResetEvent();
    // A hang-up already reported, whose signal an earlier watcher may have
    // taken, ends this thread at once too.
    data.hHangUpEvent = m_Serial.HangUpEvent();
    if (data.hHangUpEvent) {
        data.hHangUpEvent->Reset();
        if (m_Serial.IsHungUp())
            data.hHangUpEvent->Set();
    }
    std::shared_ptr<CommsThreadData> pShared = m_pCommsThreadData;
    try {
        m_pCommsCheckThread =
            std::make_unique<std::thread>([pShared] { CommsCheckThreadProc(pShared.get()); });
    } catch (const std::system_error& e) {
        // Without the watcher no data or time-out reaches the views: say so.
        m_host.MessageBox("Error creating comms thread: " +
                              SystemErrorText(static_cast<uint32_t>(e.code().value())),
                          MB_OK | MB_ICONERROR);
        return false;
    }
    data.bRun = true;
    if (data.hRunEvent)
        data.hRunEvent->Set();
    return true;
}

void CHalyardDoc::StopWatcherThread()
{
    CommsThreadData& data = *m_pCommsThreadData;
    if (m_pCommsCheckThread) {
        if (data.hKillEvent)
            data.hKillEvent->Set();
        const bool bEnded = data.hExitEvent && WaitForEvent(*data.hExitEvent, THREAD_STOP_WAIT_MS);
        data.bRun = false;
        if (bEnded) {
            m_pCommsCheckThread->join();
            m_pCommsCheckThread.reset();
        } else {
            // The thread missed its stop: it keeps its own share of the block
            // and the next start gets a new one.
            m_pCommsCheckThread->detach();
            m_pCommsCheckThread.reset();
            m_pCommsThreadData.reset();
            return;
        }
    }
    data.hKillEvent.reset();
    data.hExitEvent.reset();
    data.hDataEvent.reset();
    data.hHangUpEvent.reset();
    data.hRunEvent.reset();
}

void CHalyardDoc::CommsTimeout()
{
    if (m_bConnected && !m_bCommsTimedOut) {
        m_bCommsTimedOut = true;
        PostToViews(WM_COMMS_TIMEOUT);
    }
}

void CHalyardDoc::CommsThreadFinished()
{
    if (!m_bConnected)
        return;
    // The port hangs up right after the sensor's last lines, and the frame can
    // hear of the hang-up before the views took them: those lines (a dump's
    // last answer, say) are taken from the link now and the close goes to the
    // back of the frame's queue, behind the views' notice of them.
    if (!m_bCloseAfterLines) {
        CommsDataReceived(true);
        if (LinesUnread()) {
            m_bCloseAfterLines = true;
            PostToFrame(WM_THREAD_END, 0, 0);
            return;
        }
    }
    // The watcher ends while connected only when the line hung up.
    EndSequences(SEQ_CONNECTION_LOST);
    CloseConnection(false);
}

}  // namespace halyard
