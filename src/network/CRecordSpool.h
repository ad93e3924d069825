#pragma once
// A station's records on their way to the broker: the journal that makes
// store-and-forward. Each record logged is appended, as one line of its JSON,
// to "<station>.spool" in the state directory before it is published; a small
// position file ("<station>.position", written whole and renamed into place)
// keeps the last seq the broker acknowledged, the byte offset after it and the
// next seq to give. After a restart the records are read again from that
// offset, so nothing the broker did not acknowledge is lost and nothing goes
// out of order. The position is saved every few seconds, not at every
// acknowledgement: after a kill a few records go again, each with its own seq
// (the collector drops them). When every record is acknowledged the file is
// emptied (once it is long enough to be worth it, and at every save asked for).
//
// The file may not grow past a bound: a record that does not fit is dropped
// from the journal (the log file keeps it) and still takes its seq, so the
// collector sees the gap; the position file keeps the next seq a little ahead
// while records are dropped, so that a kill never gives their seqs again. A
// last line torn by a kill is cut off when the journal is opened. The file is
// locked: one process per station and folder.
//
// Thread-safe: the console thread appends, the network thread reads and
// acknowledges.

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "network/StationRecord.h"
#include "platform/SysError.h"
#include "platform/UniqueFd.h"

namespace halyard {

class CRecordSpool {
public:
    // What the position file keeps.
    struct Position {
        uint64_t nAckedSeq = 0;     // every record up to this seq was acknowledged
        uint64_t nAckedOffset = 0;  // the journal's offset after it
        uint64_t nNextSeq = 1;      // the seq of the next record
    };
    // One journalled record: its seq, its JSON and the offset after its line.
    struct Entry {
        uint64_t nSeq = 0;
        std::string strJson;
        uint64_t nEnd = 0;
    };
    enum class AppendResult { Queued, Dropped, Failed };

    CRecordSpool(std::string strDirectory, std::string strStation, uint64_t nMaxBytes);
    CRecordSpool(const CRecordSpool&) = delete;
    CRecordSpool& operator=(const CRecordSpool&) = delete;

    // Makes the directory when needed, locks and reads the journal. On a
    // failure ErrorText() says what could not be done with which file.
    SysResult Open();
    std::string ErrorText() const;

    // Gives the record the next seq and journals it (Dropped: over the bound,
    // Failed: the write failed, ErrorText() says why). The seq is taken either way.
    AppendResult Append(StationRecord& record);

    // Reading for the broker: from the read point, up to nMax records.
    std::vector<Entry> ReadNext(size_t nMax);
    // The read point back to the acknowledged position (a new connection).
    void Rewind();
    // The broker acknowledged the record with this seq, the next after the
    // last acknowledged; the journal is emptied when none is left.
    void Acknowledge(uint64_t nSeq, uint64_t nEnd);
    // Writes the position file now.
    SysResult SavePosition();

    uint64_t Waiting() const;           // records journalled and not acknowledged
    uint64_t Dropped() const;           // records dropped for the bound since Open
    uint64_t LastSeq() const;           // the seq given last (0: none yet)
    std::string JournalPath() const { return m_strDirectory + "/" + m_strStation + ".spool"; }
    std::string PositionPath() const { return m_strDirectory + "/" + m_strStation + ".position"; }

private:
    SysResult Fail(const std::string& strWhat, uint32_t dwError);
    SysResult ReadPosition();
    SysResult CutTornLine(uint64_t& nSize);
    // Scans the records after the acknowledged offset: their count and the last seq.
    SysResult ScanWaiting(uint64_t nSize);
    SysResult SavePositionLocked(const Position& position);
    // A seq was given to a record the journal does not hold: the position
    // file is told, ahead, when it does not cover it yet.
    void SeqNotJournalled();
    // The position as the file keeps it: the next seq no lower than the one held.
    Position ToSave(const Position& position) const;
    // Complete lines from nOffset on: up to nMax records.
    std::vector<Entry> ReadFrom(uint64_t nOffset, size_t nMax, uint64_t& nStop);
    // Hands each whole line from nOffset on (without its line feed) to take,
    // with the offset after it, until take has counted nMax of them (it
    // returns whether it did) or the lines end; the offset after the last
    // line handed over.
    using LineTaker = std::function<bool(std::string_view line, uint64_t nEnd)>;
    uint64_t WalkLines(uint64_t nOffset, size_t nMax, const LineTaker& take);
    // Empties the journal when every record in it was acknowledged and it is
    // long enough to be worth it (or whatever its length); true when it did.
    bool CompactIfDone(bool bWhateverLength);
    // Whether enough changed or enough time passed since the last save to save again.
    bool SaveDue();
    // Writes the position file (m_saveMutex); one of an older generation than
    // the last written is skipped. strError receives why it failed.
    SysResult WritePosition(const Position& position, uint64_t nGeneration, std::string& strError);

    std::string m_strDirectory;
    std::string m_strStation;
    uint64_t m_nMaxBytes;
    mutable std::mutex m_mutex;
    CUniqueFd m_fd;
    Position m_position;
    uint64_t m_nSize = 0;        // the journal's length in whole lines
    uint64_t m_nReadOffset = 0;
    uint64_t m_nWaiting = 0;
    uint64_t m_nDropped = 0;
    uint64_t m_nSeqHeld = 0;     // while records are dropped: the next seq the position file gives
    int m_nUnsaved = 0;
    std::chrono::steady_clock::time_point m_lastSave;
    uint64_t m_nSaveGeneration = 0;   // the last position given to WritePosition
    std::mutex m_saveMutex;           // guards the position file and what follows
    uint64_t m_nSavedGeneration = 0;  // the last position written
    std::string m_strError;
};

}  // namespace halyard
