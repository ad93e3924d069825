#pragma once
// A station's side of the network of stations. Each record logged goes into
// the journal (CRecordSpool) and from there to the broker at QoS 1 on
// "halyard/<station>/records", at most a window of them handed to the MQTT
// library at a time; every (re)connection starts again from the acknowledged
// position. A retained "halyard/<station>/status" says "online" or "offline"
// (the last will says "offline" for a station that vanished), with the model,
// the port, the version, the records logged and waiting, and those dropped
// for the journal's bound.
//
// Add runs on the console's thread and never waits on the network (the
// journal is a local file; publishing queues in the library). The
// connection's handlers run on its network thread. Notices (a connection
// lost or refused, records dropped) go to the notice function from either
// thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "network/CMqttConnection.h"
#include "network/CRecordSpool.h"
#include "network/StationRecord.h"

namespace halyard {

// What the status says about the station besides its counts.
struct StationIdentity {
    std::string strStation;
    std::string strModel;     // the sensor's model name
    int nModelCode = 0;
    std::string strPort;      // "COM3 (/dev/ttyUSB0)"
    std::string strVersion;   // the program's
};

class CStationPublisher {
public:
    // bWarning: a person must hear of it whatever --quiet says.
    using Notice = std::function<void(const std::string& strText, bool bWarning)>;

    CStationPublisher(const MqttSettings& settings, StationIdentity identity, CRecordSpool& spool, Notice notice);
    ~CStationPublisher();
    CStationPublisher(const CStationPublisher&) = delete;
    CStationPublisher& operator=(const CStationPublisher&) = delete;

    // Starts connecting (with "offline" as the last will); on a failure
    // ErrorText() says why.
    SysResult Start();
    std::string ErrorText() const { return m_connection.LastError(); }

    // A record just written to the log file, at utc.
    void Add(const std::string& strRecord, RecordKind kind, std::time_t utc);

    // Says "offline", waits up to timeout for the records in flight to be
    // acknowledged, saves the journal's position and disconnects. What was
    // not acknowledged stays in the journal for the next start.
    void Stop(std::chrono::milliseconds timeout);

    // The status as it would be published now.
    std::string StatusJson(bool bOnline) const;

private:
    struct InFlight {
        int nMid;
        uint64_t nSeq;
        uint64_t nEnd;
        bool bAcked;
    };

    void OnConnected();
    void OnDisconnected(const std::string& strWhy);
    void OnPublished(int nMid);
    // Hands records to the library while the window has room.
    void PumpLocked();
    std::string StatusJsonLocked(bool bOnline) const;
    void PublishStatusLocked(bool bOnline);
    // A fresh status when the counts changed and the last is old enough.
    void RefreshStatusLocked();
    void NoteAppend(CRecordSpool::AppendResult result, uint64_t nSeq);

    CRecordSpool& m_spool;
    StationIdentity m_identity;
    std::string m_strUrl;
    std::string m_strRecordsTopic;
    std::string m_strStatusTopic;
    Notice m_notice;
    CMqttConnection m_connection;

    mutable std::mutex m_mutex;  // guards what follows
    std::condition_variable m_changed;
    bool m_bConnected = false;
    bool m_bStopping = false;
    std::deque<InFlight> m_inFlight;
    int m_nStatusMid = -1;        // the last status published, until acknowledged
    std::string m_strLastWhy;     // the last connection failure told
    uint64_t m_nLogged = 0;
    std::string m_strStatusSent;  // the counts of the last status
    std::chrono::steady_clock::time_point m_statusTime;

    // The console thread's: a run of records dropped for the bound.
    uint64_t m_nFirstDropped = 0;
    uint64_t m_nLastDropped = 0;
    bool m_bJournalFailing = false;
};

}  // namespace halyard
