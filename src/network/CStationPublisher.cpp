#include "network/CStationPublisher.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace halyard {

namespace {

// Records handed to the MQTT library at a time, not yet acknowledged.
constexpr size_t kWindow = 100;
// A status with new counts goes out at most this often.
constexpr std::chrono::seconds kStatusInterval{5};

std::string Range(uint64_t nFirst, uint64_t nLast)
{
    return nFirst == nLast ? "seq " + std::to_string(nFirst)
                           : "seq " + std::to_string(nFirst) + " to " + std::to_string(nLast);
}

}  // namespace

CStationPublisher::CStationPublisher(const MqttSettings& settings, StationIdentity identity, CRecordSpool& spool,
                                     Notice notice)
    : m_spool(spool)
    , m_identity(std::move(identity))
    , m_strUrl(settings.strUrl)
    , m_strRecordsTopic("halyard/" + m_identity.strStation + "/records")
    , m_strStatusTopic("halyard/" + m_identity.strStation + "/status")
    , m_notice(std::move(notice))
    , m_connection(settings, "halyard-station-" + m_identity.strStation, true,
                   {[this] { OnConnected(); }, [this](const std::string& strWhy) { OnDisconnected(strWhy); },
                    [this](int nMid) { OnPublished(nMid); }, nullptr})
{}

CStationPublisher::~CStationPublisher()
{
    m_connection.Stop();
}

SysResult CStationPublisher::Start()
{
    std::string strWill;
    {
        std::lock_guard lock(m_mutex);
        strWill = StatusJsonLocked(false);
    }
    return m_connection.Start(CMqttConnection::Will{m_strStatusTopic, strWill, true});
}

std::string CStationPublisher::StatusJson(bool bOnline) const
{
    std::lock_guard lock(m_mutex);
    return StatusJsonLocked(bOnline);
}

std::string CStationPublisher::StatusJsonLocked(bool bOnline) const
{
    const nlohmann::ordered_json status = {
        {"state", bOnline ? "online" : "offline"},
        {"station", m_identity.strStation},
        {"model", m_identity.strModel},
        {"model_code", m_identity.nModelCode},
        {"port", m_identity.strPort},
        {"version", m_identity.strVersion},
        {"records_logged", m_nLogged},
        {"records_waiting", m_spool.Waiting()},
        {"records_dropped", m_spool.Dropped()},
    };
    return status.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void CStationPublisher::Add(const std::string& strRecord, RecordKind kind, std::time_t utc)
{
    StationRecord record{"", 0, RecordTimeText(utc), strRecord, kind};
    const CRecordSpool::AppendResult result = m_spool.Append(record);
    NoteAppend(result, record.nSeq);
    std::lock_guard lock(m_mutex);
    ++m_nLogged;
    PumpLocked();
    RefreshStatusLocked();
}

void CStationPublisher::NoteAppend(CRecordSpool::AppendResult result, uint64_t nSeq)
{
    if (result == CRecordSpool::AppendResult::Failed) {
        if (!m_bJournalFailing)
            m_notice("records are not kept for the broker: " + m_spool.ErrorText() + " (the log file keeps them)",
                     true);
        m_bJournalFailing = true;
        return;
    }
    m_bJournalFailing = false;
    if (result == CRecordSpool::AppendResult::Dropped) {
        if (m_nFirstDropped == 0)
            m_notice("the backlog for the broker is full: records from seq " + std::to_string(nSeq) +
                         " on are dropped from it until it drains (the log file keeps them)",
                     true);
        if (m_nFirstDropped == 0)
            m_nFirstDropped = nSeq;
        m_nLastDropped = nSeq;
        return;
    }
    if (m_nFirstDropped != 0) {
        m_notice("the backlog for the broker has room again; dropped from it: " + Range(m_nFirstDropped, m_nLastDropped),
                 true);
        m_nFirstDropped = m_nLastDropped = 0;
    }
}

void CStationPublisher::PumpLocked()
{
    // The window is topped up once half of it was acknowledged, so that a
    // backlog is read in runs of records, not one at a time.
    if (!m_bConnected || m_bStopping || m_inFlight.size() > kWindow / 2)
        return;
    while (m_inFlight.size() < kWindow) {
        const std::vector<CRecordSpool::Entry> entries = m_spool.ReadNext(kWindow - m_inFlight.size());
        if (entries.empty())
            return;
        for (const CRecordSpool::Entry& entry : entries) {
            const Result<int> mid = m_connection.Publish(m_strRecordsTopic, entry.strJson, 1, false);
            // Not taken (the connection went): the next connection starts
            // again from the acknowledged position.
            if (!mid.Ok())
                return;
            m_inFlight.push_back({mid.Value(), entry.nSeq, entry.nEnd, false});
        }
    }
}

void CStationPublisher::PublishStatusLocked(bool bOnline)
{
    const std::string strStatus = StatusJsonLocked(bOnline);
    const Result<int> mid = m_connection.Publish(m_strStatusTopic, strStatus, 1, true);
    m_nStatusMid = mid.Ok() ? mid.Value() : -1;
    m_strStatusSent = StatusJsonLocked(true);
    m_statusTime = std::chrono::steady_clock::now();
}

void CStationPublisher::RefreshStatusLocked()
{
    if (!m_bConnected || m_bStopping || std::chrono::steady_clock::now() - m_statusTime < kStatusInterval)
        return;
    if (StatusJsonLocked(true) != m_strStatusSent)
        PublishStatusLocked(true);
}

void CStationPublisher::OnConnected()
{
    std::string strWhy;
    {
        std::lock_guard lock(m_mutex);
        m_bConnected = true;
        // What was handed out before goes again, from the acknowledged position.
        m_inFlight.clear();
        m_spool.Rewind();
        PublishStatusLocked(!m_bStopping);
        PumpLocked();
        strWhy = std::exchange(m_strLastWhy, std::string());
    }
    const uint64_t nWaiting = m_spool.Waiting();
    m_notice("Connected to the broker at " + m_strUrl +
                 (nWaiting > 0 ? "; sending " + std::to_string(nWaiting) + " records waiting" : std::string()),
             !strWhy.empty());
    m_changed.notify_all();
}

void CStationPublisher::OnDisconnected(const std::string& strWhy)
{
    bool bTell = false;
    bool bWasConnected = false;
    {
        std::lock_guard lock(m_mutex);
        bWasConnected = std::exchange(m_bConnected, false);
        // The same failure again and again (a broker that stays down) is told once.
        bTell = bWasConnected || strWhy != m_strLastWhy;
        m_strLastWhy = strWhy;
    }
    m_changed.notify_all();
    if (bTell)
        m_notice(std::string(bWasConnected ? "lost the broker at " : "no connection to the broker at ") + m_strUrl +
                     ": " + strWhy + "; records wait in " + m_spool.JournalPath() + " and go when it is back",
                 true);
}

void CStationPublisher::OnPublished(int nMid)
{
    {
        std::lock_guard lock(m_mutex);
        if (nMid == m_nStatusMid)
            m_nStatusMid = -1;
        const auto it = std::find_if(m_inFlight.begin(), m_inFlight.end(),
                                     [nMid](const InFlight& sent) { return sent.nMid == nMid; });
        if (it != m_inFlight.end())
            it->bAcked = true;
        // The journal's position moves over what was acknowledged in order.
        while (!m_inFlight.empty() && m_inFlight.front().bAcked) {
            m_spool.Acknowledge(m_inFlight.front().nSeq, m_inFlight.front().nEnd);
            m_inFlight.pop_front();
        }
        PumpLocked();
        RefreshStatusLocked();
    }
    m_changed.notify_all();
}

void CStationPublisher::Stop(std::chrono::milliseconds timeout)
{
    {
        std::unique_lock lock(m_mutex);
        m_bStopping = true;
        if (m_bConnected)
            PublishStatusLocked(false);
        m_changed.wait_for(lock, timeout,
                           [this] { return !m_bConnected || (m_inFlight.empty() && m_nStatusMid == -1); });
    }
    m_connection.Stop();
    if (const SysResult saved = m_spool.SavePosition(); !saved)
        m_notice("the backlog's position could not be saved: " + m_spool.ErrorText() +
                     " (records acknowledged since the last save go again)",
                 true);
}

}  // namespace halyard
