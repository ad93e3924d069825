// CStationLink where the network library is built.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "console/CConsoleSession.h"
#include "console/CStationLink.h"
#include "console/MqttCommandLine.h"
#include "network/CStationPublisher.h"
#include "platform/AutoResetEvent.h"
#include "platform/Clock.h"
#include "platform/PortTable.h"

namespace halyard {

namespace {

// How long a stopping station waits for the broker to acknowledge what is in flight.
constexpr std::chrono::seconds kStopWait{3};

// The host's name up to its first dot ("mast-7" of "mast-7.example.org").
std::string ShortHostName()
{
    char szName[HOST_NAME_MAX + 1] = {};
    if (::gethostname(szName, sizeof(szName) - 1) != 0)
        return {};
    const std::string strName(szName);
    return strName.substr(0, strName.find('.'));
}

// --state-dir, else systemd's $STATE_DIRECTORY (its first folder), else ~/.local/state/halyard.
std::string StateDirectory(const std::string& strGiven)
{
    if (!strGiven.empty())
        return strGiven;
    if (const char* pszSystemd = std::getenv("STATE_DIRECTORY"); pszSystemd != nullptr && *pszSystemd != '\0') {
        const std::string strDirs(pszSystemd);
        return strDirs.substr(0, strDirs.find(':'));
    }
    const char* pszHome = std::getenv("HOME");
    return std::string(pszHome != nullptr ? pszHome : ".") + "/.local/state/halyard";
}

RecordKind KindOf(LoggedKind kind)
{
    switch (kind) {
    case LoggedKind::Data:
        return RecordKind::Data;
    case LoggedKind::Marker:
        return RecordKind::Marker;
    case LoggedKind::Line:
        break;
    }
    return RecordKind::Line;
}

}  // namespace

struct CStationLink::Impl {
    MqttSettings settings;
    std::string strStation;
    // Notices from the network thread, told on the console's thread (they
    // outlive the publisher, whose thread gives them).
    CAutoResetEvent noticeEvent;
    std::mutex noticeMutex;
    std::vector<std::pair<std::string, bool>> notices;
    std::unique_ptr<CRecordSpool> pSpool;
    std::unique_ptr<CStationPublisher> pPublisher;

    void Notice(const std::string& strText, bool bWarning)
    {
        {
            std::lock_guard lock(noticeMutex);
            notices.emplace_back(strText, bWarning);
        }
        noticeEvent.Set();
    }
    void TellNotices(CConsoleSession& session)
    {
        std::vector<std::pair<std::string, bool>> taken;
        {
            std::lock_guard lock(noticeMutex);
            taken.swap(notices);
        }
        for (const auto& [strText, bWarning] : taken) {
            if (bWarning)
                session.Warn(strText);
            else
                session.Say(strText);
        }
    }
};

void AddStationOptions(CLI::App& log, StationOptions& options)
{
    CLI::Option* pUrl = AddMqttOptions(log, options.mqtt, false);
    log.add_option("--station", options.strStation,
                   "this station's name in the network (letters, digits, '-' and '_'; default: the host name)")
        ->needs(pUrl);
    log.add_option("--state-dir", options.strStateDir,
                   "where the records waiting for the broker are kept (default: $STATE_DIRECTORY, else "
                   "~/.local/state/halyard)")
        ->needs(pUrl);
    log.add_option("--mqtt-backlog-mb", options.nBacklogMb,
                   "the most disk the records waiting for the broker may use, in MB (default 256)")
        ->check(CLI::Range(1, 1 << 20))
        ->needs(pUrl);
}

CStationLink::CStationLink(CConsoleSession& session)
    : m_session(session)
{}

CStationLink::~CStationLink()
{
    Stop();
}

int CStationLink::Open(const StationOptions& options)
{
    if (options.mqtt.strUrl.empty())
        return EXIT_DONE;
    const MqttCheck check = CheckMqttOptions(options.mqtt);
    if (!check.settings) {
        m_session.Warn(check.strMessage);
        return check.nExit;
    }
    const std::string strStation = options.strStation.empty() ? ShortHostName() : options.strStation;
    if (!IsValidStationName(strStation)) {
        m_session.Warn((options.strStation.empty() ? "the host name \"" + strStation + "\" cannot be the station's name"
                                                   : "--station \"" + strStation + "\" cannot be a station's name") +
                       ": it takes 1 to 64 letters, digits, '-' and '_' only" +
                       (options.strStation.empty() ? "; give one with --station" : ""));
        return EXIT_USAGE;
    }
    auto pImpl = std::make_unique<Impl>();
    pImpl->settings = *check.settings;
    pImpl->strStation = strStation;
    pImpl->pSpool = std::make_unique<CRecordSpool>(StateDirectory(options.strStateDir), strStation,
                                                   static_cast<uint64_t>(options.nBacklogMb) << 20);
    if (!pImpl->pSpool->Open()) {
        m_session.Warn("the state directory cannot be used: " + pImpl->pSpool->ErrorText());
        return EXIT_FILE;
    }
    if (!pImpl->noticeEvent.IsValid()) {
        m_session.Warn("the station's notices have no event: " + SystemErrorText(errno));
        return EXIT_FAILED;
    }
    m_pImpl = std::move(pImpl);
    return EXIT_DONE;
}

int CStationLink::Connect()
{
    if (!m_pImpl || m_pImpl->pPublisher)
        return EXIT_DONE;
    CHalyardDoc& doc = m_session.Doc();
    StationIdentity identity;
    identity.strStation = m_pImpl->strStation;
    identity.strModel = doc.GetModelName();
    identity.nModelCode = doc.GetModelNumber();
    identity.strPort = "COM" + std::to_string(doc.GetPort());
    if (const auto entry = CPortTable::Instance().Find(doc.GetPort()))
        identity.strPort += " (" + entry->strDevice + ")";
    identity.strVersion = HALYARD_VERSION_STRING;
    Impl* pImpl = m_pImpl.get();
    pImpl->pPublisher = std::make_unique<CStationPublisher>(
        pImpl->settings, identity, *pImpl->pSpool,
        [pImpl](const std::string& strText, bool bWarning) { pImpl->Notice(strText, bWarning); });
    if (const SysResult started = pImpl->pPublisher->Start(); !started) {
        m_session.Warn("--mqtt " + pImpl->settings.strUrl + ": " + pImpl->pPublisher->ErrorText());
        const bool bCommandLine = started.Error() == EHOSTUNREACH || started.Error() == EINVAL;
        m_pImpl.reset();
        return bCommandLine ? EXIT_USAGE : EXIT_FILE;
    }
    m_session.Loop().WatchFd(pImpl->noticeEvent.Fd(), [this] {
        m_pImpl->noticeEvent.TryConsume();
        m_pImpl->TellNotices(m_session);
    });
    doc.SetLogRecordObserver([pImpl](const std::string& strRecord, LoggedKind kind) {
        pImpl->pPublisher->Add(strRecord, KindOf(kind), std::chrono::system_clock::to_time_t(Clock().Now()));
    });
    m_session.Say("Publishing to " + pImpl->settings.strUrl + " as station " + pImpl->strStation);
    return EXIT_DONE;
}

void CStationLink::Stop()
{
    if (!m_pImpl)
        return;
    m_session.Doc().SetLogRecordObserver(nullptr);
    if (m_pImpl->pPublisher) {
        m_pImpl->pPublisher->Stop(kStopWait);
        m_session.Loop().UnwatchFd(m_pImpl->noticeEvent.Fd());
        m_pImpl->TellNotices(m_session);
    }
    if (const uint64_t nWaiting = m_pImpl->pSpool->Waiting(); nWaiting > 0)
        m_session.Warn(std::to_string(nWaiting) + " records wait for the broker in " + m_pImpl->pSpool->JournalPath() +
                       "; they go at the next start");
    m_pImpl.reset();
}

}  // namespace halyard
