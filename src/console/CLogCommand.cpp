#include "console/CLogCommand.h"

#include <cctype>
#include <filesystem>
#include <optional>

#include "document/CHalyardDoc.h"
#include "document/CConnectLogic.h"
#include "document/LogFiles.h"
#include "platform/Clock.h"
#include "platform/IDeviceWatch.h"
#include "platform/PortTable.h"

namespace halyard {

namespace {

// The size of a regular file that is there already.
std::optional<uintmax_t> ExistingFileSize(const std::string& strPath)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(strPath, error))
        return std::nullopt;
    const uintmax_t nSize = std::filesystem::file_size(strPath, error);
    return error ? std::nullopt : std::optional<uintmax_t>(nSize);
}

}  // namespace

bool ParseDailyTime(const std::string& strText, int& nHour, int& nMinute)
{
    if (strText.size() != 5 || strText[2] != ':')
        return false;
    for (size_t n : {0u, 1u, 3u, 4u}) {
        if (!std::isdigit(static_cast<unsigned char>(strText[n])))
            return false;
    }
    nHour = (strText[0] - '0') * 10 + (strText[1] - '0');
    nMinute = (strText[3] - '0') * 10 + (strText[4] - '0');
    return nHour <= 23 && nMinute <= 59;
}

CLogCommand::CLogCommand(const CommonOptions& options, const LogOptions& log, CliContext& context)
    : m_log(log)
    , m_context(context)
    , m_session(options, context.out, context.err)
    , m_station(m_session)
{
    m_session.WatchSignals(context.nSignalFd, context.takeSignal);
    m_session.m_hooks.onLogStopped = [this](int32_t nReason) { OnLogStopped(nReason); };
}

int CLogCommand::Run()
{
    if (const int nExit = m_station.Open(m_log.station); nExit != EXIT_DONE)
        return nExit;
    if (const int nExit = m_session.OpenConnection(); nExit != EXIT_DONE)
        return nExit;
    if (const int nExit = m_station.Connect(); nExit != EXIT_DONE) {
        m_session.CloseConnection();
        return nExit;
    }
    // An adapter's by-id name stays when it comes back as another ttyUSB.
    if (const auto entry = CPortTable::Instance().Find(m_session.Doc().GetPort()))
        m_strDevice = entry->strById.empty() ? entry->strDevice : entry->strById;
    if (!StartLog()) {
        m_session.CloseConnection();
        return EXIT_FILE;
    }
    if (!m_log.strPoll.empty() && !StartPoll())
        return Finish();
    m_session.Say("Logging to " + m_session.Doc().GetLogPathName() + "; SIGINT or SIGTERM stops");
    m_session.Loop().Run();
    return Finish();
}

bool CLogCommand::StartLog()
{
    int nHour = 0;
    int nMinute = 0;
    const bool bDaily = m_log.strDaily.has_value();
    if (bDaily)
        ParseDailyTime(*m_log.strDaily, nHour, nMinute);
    // The file given, by that name; only the daily files are named by the page's rule.
    CHalyardDoc& doc = m_session.Doc();
    LogSettings settings;
    settings.strPathName = m_log.strFile;
    settings.strPrefix = DailyLogPrefix(m_log.strFile, m_log.strPrefix);
    settings.bAutoR = !m_log.bNoAutoR;
    settings.bTimestamp = !m_log.bNoStamp;
    settings.bDailyCapture = bDaily;
    settings.bResetA = m_log.bResetAtStart;
    settings.bCaptureA = m_log.bCaptureAtEnd;
    settings.nHour = static_cast<int16_t>(nHour);
    settings.nMinute = static_cast<int16_t>(nMinute);
    doc.SetLogParameters(settings);
    // A station's records outlive a restart: nobody is there to ask before a
    // file is emptied, so only --overwrite empties it.
    const std::optional<uintmax_t> nExisting =
        m_log.bOverwrite ? std::nullopt : ExistingFileSize(m_log.strFile);
    // A file that could not be created has been reported (WM_LOG_ERROR).
    if (!doc.StartLogging(m_log.bOverwrite ? LogStart::Fresh : LogStart::Append)) {
        m_session.Loop().RunOnce(0);
        return false;
    }
    if (nExisting)
        m_session.Say("Appending to " + m_log.strFile + " (" + std::to_string(*nExisting) +
                      " bytes already there)");
    return true;
}

bool CLogCommand::StartPoll()
{
    std::string strPoll = m_log.strPoll;
    for (char& c : strPoll)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // The document says why it refuses a command or a period.
    if (m_session.Doc().StartPolling(strPoll, static_cast<int16_t>(m_log.nEvery)))
        return true;
    m_nExit = EXIT_USAGE;
    return false;
}

void CLogCommand::OnLogStopped(int32_t nReason)
{
    if (nReason != LOG_CONNECTION_CLOSED) {
        // The file failed (told already): nothing more can be logged.
        m_nExit = EXIT_FILE;
        m_session.Loop().Quit();
        return;
    }
    m_bWaitingForDevice = true;
    if (m_context.pDeviceWatch == nullptr) {
        m_session.Warn("the port has gone; nothing tells when it is back, so logging ends");
        m_nExit = EXIT_NO_REPLY;
        m_session.Loop().Quit();
        return;
    }
    m_session.Warn("the port has gone (" + m_strDevice + "); waiting for it to come back");
    m_session.Loop().WatchFd(m_context.pDeviceWatch->Fd(), [this] { OnDeviceEvent(); });
}

void CLogCommand::OnDeviceEvent()
{
    if (!m_bWaitingForDevice || !m_context.pDeviceWatch->TakeArrival(m_strDevice))
        return;
    Reconnect();
}

void CLogCommand::Reconnect()
{
    m_session.Say(m_strDevice + " is back: identifying the sensor");
    CPortTable::Instance().Scan();
    if (m_session.Connect() != ConnectResult::Connected) {
        m_session.Warn("still waiting for the sensor on " + m_strDevice);
        return;
    }
    m_bWaitingForDevice = false;
    m_session.Loop().UnwatchFd(m_context.pDeviceWatch->Fd());
    CHalyardDoc& doc = m_session.Doc();
    if (!doc.StartLogging(LogStart::Resume))
        return;
    if (!m_log.strPoll.empty())
        StartPoll();
    m_session.Say("Logging again to " + doc.GetLogPathName());
}

int CLogCommand::Finish()
{
    CHalyardDoc& doc = m_session.Doc();
    // As the page's Stop: the file closed, then "A?" when asked for.
    doc.StopLogging();
    doc.StopPolling();
    m_station.Stop();
    m_session.CloseConnection();
    if (m_session.m_nSignal != 0)
        m_session.Say("Logging stopped");
    return m_nExit;
}

int RunLog(const CommonOptions& options, const LogOptions& log, CliContext& context)
{
    CLogCommand command(options, log, context);
    return command.Run();
}

}  // namespace halyard
