#pragma once
// The centre's side of the network of stations, without the network: each
// record handed in is written to DIR/<station>/<YYYY-MM-DD>.LOG (the UTC day
// of its time) exactly as the station's file has it, with CR LF, on disk when
// Collect returns. A seq it already wrote is dropped; a seq beyond the next
// one is a gap, appended to DIR/<station>/gaps.txt and handed back for the
// user.
//
// What it must know across its own restarts lives beside the records, in
// DIR/<station>/collector.state: before a record is written, the state
// (replaced whole by a rename) names its seq, the seq written before it, its
// file and where in that file it begins and ends. On the next start the
// file's length says whether that record got in: all of it (it counts as
// written), none (the one before is the last written), or a part (cut off,
// and the same). A process killed at any moment thus
// neither loses a record it was given again nor writes one twice. A gap line
// goes out before its record, so a kill may repeat it but never loses it.
//
// The MQTT side calls it on its network thread, one record at a time, and
// acknowledges a message only once Collect has returned. One thread uses an
// object.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "network/StationRecord.h"
#include "platform/SysError.h"

namespace halyard {

enum class CollectResult {
    Written,    // in the station's file
    Duplicate,  // a seq already written: dropped
    Refused,    // not a valid record, or on another station's topic: dropped
    Failed      // a file could not be read or written; nothing is written
};

struct CollectOutcome {
    CollectResult result = CollectResult::Refused;
    // Written: the gap found before it ("" when none); Duplicate: a seq that
    // starts again at 1 ("" for any other); Refused and Failed: why.
    std::string strNotice;
};

class CRecordCollector {
public:
    explicit CRecordCollector(std::string strDir);

    // Makes the folder the records go to (and its parents) and checks that it
    // may write there; a failure says why.
    SysResult Prepare() const;

    // A record from the network: strTopic must be "halyard/<station>/records"
    // and the payload a record of that same station (a station may only
    // publish under its own name).
    CollectOutcome Receive(std::string_view strTopic, std::string_view strPayload);
    // A record decoded, or made by hand (held to IsValidRecord all the same).
    CollectOutcome Collect(const StationRecord& record);

    // The station of a records topic, "" when the topic is not one.
    static std::string StationOfTopic(std::string_view strTopic);

private:
    struct StationState {
        uint64_t nLastSeq = 0;
    };
    // The station's state, read and reconciled with its files when first needed.
    Result<StationState*> StateOf(const std::string& strStation);
    std::string StationPath(const std::string& strStation, const std::string& strName) const;
    static CollectOutcome FileFailure(const std::string& strPath, uint32_t dwError);

    std::string m_strDir;
    std::map<std::string, StationState> m_stations;
};

// The line gaps.txt and the user get for the seqs after nLastSeq up to
// before the record's seq, none of which arrived.
std::string GapText(uint64_t nLastSeq, const StationRecord& next);

}  // namespace halyard
