#include "network/CRecordSpool.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace halyard {

namespace {

constexpr size_t kReadChunk = 64 * 1024;
constexpr size_t kUsualLineBytes = 256;
// A journal with nothing waiting is emptied once it is this long (or half
// the bound, when that is less), so that a steady trickle of records does
// not rewrite the position file for every one of them.
constexpr uint64_t kCompactBytes = 1024 * 1024;
// The position is saved after this many changes or this long after the last
// save, whichever comes first: after a kill at most that many records go out
// again, each with its own seq.
constexpr int kSaveEvery = 500;
constexpr std::chrono::seconds kSaveInterval{5};
// While records are dropped, the position file keeps the next seq this far
// ahead of the one given, so that no seq given to a dropped record is given
// again after a kill (the gap the collector reports may then count up to
// this many seqs that were never given).
constexpr uint64_t kSeqsHeld = 100;

}  // namespace

CRecordSpool::CRecordSpool(std::string strDirectory, std::string strStation, uint64_t nMaxBytes)
    : m_strDirectory(std::move(strDirectory))
    , m_strStation(std::move(strStation))
    , m_nMaxBytes(nMaxBytes)
{}

SysResult CRecordSpool::Fail(const std::string& strWhat, uint32_t dwError)
{
    m_strError = strWhat + ": " + SystemErrorText(dwError);
    return SysResult::Failure(dwError);
}

std::string CRecordSpool::ErrorText() const
{
    std::lock_guard lock(m_mutex);
    return m_strError;
}

SysResult CRecordSpool::Open()
{
    std::lock_guard lock(m_mutex);
    std::error_code error;
    std::filesystem::create_directories(m_strDirectory, error);
    if (error)
        return Fail(m_strDirectory + " cannot be made", static_cast<uint32_t>(error.value()));
    const std::string strJournal = JournalPath();
    m_fd.Reset(::open(strJournal.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0640));
    if (!m_fd.IsValid())
        return Fail(strJournal + " cannot be written", static_cast<uint32_t>(errno));
    if (::flock(m_fd.Get(), LOCK_EX | LOCK_NB) != 0)
        return Fail(strJournal + " is in use by another station process", static_cast<uint32_t>(errno));
    if (::access(m_strDirectory.c_str(), W_OK) != 0)
        return Fail(m_strDirectory + " cannot be written", static_cast<uint32_t>(errno));
    if (SysResult read = ReadPosition(); !read)
        return read;
    uint64_t nSize = 0;
    if (SysResult cut = CutTornLine(nSize); !cut)
        return cut;
    // A journal emptied after the position was saved: nothing after it waits.
    if (m_position.nAckedOffset > nSize)
        m_position.nAckedOffset = nSize;
    m_nSize = nSize;
    if (SysResult scanned = ScanWaiting(nSize); !scanned)
        return scanned;
    m_nReadOffset = m_position.nAckedOffset;
    m_nDropped = 0;
    if (CompactIfDone(true))
        return {};
    return SavePositionLocked(m_position);
}

SysResult CRecordSpool::ReadPosition()
{
    m_position = Position{};
    std::ifstream file(PositionPath());
    if (!file)
        return {};  // a first start
    std::string strKey;
    uint64_t nValue = 0;
    while (file >> strKey >> nValue) {
        if (strKey == "acked-seq")
            m_position.nAckedSeq = nValue;
        else if (strKey == "acked-offset")
            m_position.nAckedOffset = nValue;
        else if (strKey == "next-seq")
            m_position.nNextSeq = nValue;
    }
    m_position.nNextSeq = std::max(m_position.nNextSeq, m_position.nAckedSeq + 1);
    return {};
}

SysResult CRecordSpool::CutTornLine(uint64_t& nSize)
{
    struct stat st{};
    if (::fstat(m_fd.Get(), &st) != 0)
        return Fail(JournalPath(), static_cast<uint32_t>(errno));
    nSize = static_cast<uint64_t>(st.st_size);
    // Back from the end to the last line feed: what follows it is a line torn by a kill.
    std::string buffer;
    uint64_t nEnd = nSize;
    while (nEnd > 0) {
        const uint64_t nChunk = std::min<uint64_t>(kReadChunk, nEnd);
        buffer.resize(nChunk);
        const ssize_t nRead = ::pread(m_fd.Get(), buffer.data(), nChunk, static_cast<off_t>(nEnd - nChunk));
        if (nRead != static_cast<ssize_t>(nChunk))
            return Fail(JournalPath(), nRead < 0 ? static_cast<uint32_t>(errno) : EIO);
        const size_t nLF = buffer.rfind('\n');
        if (nLF != std::string::npos) {
            nEnd = nEnd - nChunk + nLF + 1;
            break;
        }
        nEnd -= nChunk;
    }
    if (nEnd != nSize && ::ftruncate(m_fd.Get(), static_cast<off_t>(nEnd)) != 0)
        return Fail(JournalPath(), static_cast<uint32_t>(errno));
    nSize = nEnd;
    return {};
}

SysResult CRecordSpool::ScanWaiting(uint64_t nSize)
{
    m_nWaiting = 0;
    // Only the seq of each line is read: decoding every line of a full
    // journal would hold a start up for seconds. A line that does not open as
    // the encoder writes one is decoded whole.
    const uint64_t nStop = WalkLines(m_position.nAckedOffset, SIZE_MAX, [this](std::string_view line, uint64_t) {
        std::optional<uint64_t> seq = EncodedRecordSeq(line, m_strStation);
        if (!seq)
            if (const std::optional<StationRecord> record = DecodeRecordJson(line))
                seq = record->nSeq;
        if (!seq || *seq <= m_position.nAckedSeq)
            return false;
        ++m_nWaiting;
        m_position.nNextSeq = std::max(m_position.nNextSeq, *seq + 1);
        return true;
    });
    if (nStop != nSize)
        return Fail(JournalPath(), EIO);
    return {};
}

std::vector<CRecordSpool::Entry> CRecordSpool::ReadFrom(uint64_t nOffset, size_t nMax, uint64_t& nStop)
{
    std::vector<Entry> entries;
    nStop = WalkLines(nOffset, nMax, [this, &entries](std::string_view line, uint64_t nEnd) {
        const std::optional<StationRecord> record = DecodeRecordJson(line);
        // A line that is not a record, or one acknowledged before the
        // journal could be emptied, is passed over.
        if (!record || record->nSeq <= m_position.nAckedSeq)
            return false;
        entries.push_back({record->nSeq, std::string(line), nEnd});
        return true;
    });
    return entries;
}

uint64_t CRecordSpool::WalkLines(uint64_t nOffset, size_t nMax, const LineTaker& take)
{
    std::string buffer;
    // Enough for nMax records of a usual length; more is read when they are longer.
    size_t nWant = std::clamp<size_t>(std::min(nMax, kReadChunk) * kUsualLineBytes, kUsualLineBytes, kReadChunk);
    size_t nTaken = 0;
    uint64_t nStop = nOffset;
    while (nStop < m_nSize && nTaken < nMax) {
        const size_t nLength = static_cast<size_t>(std::min<uint64_t>(m_nSize - nStop, nWant));
        buffer.resize(nLength);
        if (::pread(m_fd.Get(), buffer.data(), nLength, static_cast<off_t>(nStop)) != static_cast<ssize_t>(nLength))
            break;
        size_t nLineStart = 0;
        for (size_t nLF = buffer.find('\n'); nLF != std::string::npos && nTaken < nMax;
             nLF = buffer.find('\n', nLineStart)) {
            const std::string_view line(buffer.data() + nLineStart, nLF - nLineStart);
            nLineStart = nLF + 1;
            if (take(line, nStop + nLineStart))
                ++nTaken;
        }
        if (nLineStart == 0) {
            // No whole line in the buffer: a longer line, read again whole.
            if (nLength == m_nSize - nStop)
                break;
            nWant *= 2;
            continue;
        }
        nStop += nLineStart;
    }
    return nStop;
}

CRecordSpool::AppendResult CRecordSpool::Append(StationRecord& record)
{
    std::lock_guard lock(m_mutex);
    record.strStation = m_strStation;
    record.nSeq = m_position.nNextSeq++;
    const std::string strLine = EncodeRecordJson(record) + "\n";
    // Records acknowledged make room once nothing is left waiting.
    if (m_nSize + strLine.size() > m_nMaxBytes)
        CompactIfDone(true);
    if (m_nSize + strLine.size() > m_nMaxBytes) {
        ++m_nDropped;
        SeqNotJournalled();
        return AppendResult::Dropped;
    }
    const ssize_t nWritten = ::write(m_fd.Get(), strLine.data(), strLine.size());
    if (nWritten != static_cast<ssize_t>(strLine.size())) {
        const uint32_t dwError = nWritten < 0 ? static_cast<uint32_t>(errno) : ENOSPC;
        // A part written is taken back, so the journal holds whole lines only.
        static_cast<void>(::ftruncate(m_fd.Get(), static_cast<off_t>(m_nSize)));
        SeqNotJournalled();
        static_cast<void>(Fail(JournalPath() + " cannot be written", dwError));
        return AppendResult::Failed;
    }
    m_nSize += strLine.size();
    ++m_nWaiting;
    // The journal holds a seq past every one dropped: it speaks for them now.
    m_nSeqHeld = 0;
    return AppendResult::Queued;
}

// A seq given to a record the journal does not hold survives a restart only
// through the position file, so the gap shows at the collector.
void CRecordSpool::SeqNotJournalled()
{
    if (m_position.nNextSeq <= m_nSeqHeld)
        return;
    m_nSeqHeld = m_position.nNextSeq + kSeqsHeld;
    static_cast<void>(SavePositionLocked(m_position));
}

CRecordSpool::Position CRecordSpool::ToSave(const Position& position) const
{
    Position saved = position;
    saved.nNextSeq = std::max(saved.nNextSeq, m_nSeqHeld);
    return saved;
}

std::vector<CRecordSpool::Entry> CRecordSpool::ReadNext(size_t nMax)
{
    std::lock_guard lock(m_mutex);
    uint64_t nStop = m_nReadOffset;
    std::vector<Entry> entries = ReadFrom(m_nReadOffset, nMax, nStop);
    m_nReadOffset = nStop;
    return entries;
}

void CRecordSpool::Rewind()
{
    std::lock_guard lock(m_mutex);
    m_nReadOffset = m_position.nAckedOffset;
}

void CRecordSpool::Acknowledge(uint64_t nSeq, uint64_t nEnd)
{
    std::unique_lock lock(m_mutex);
    if (nSeq <= m_position.nAckedSeq || nEnd > m_nSize)
        return;
    m_position.nAckedSeq = nSeq;
    m_position.nAckedOffset = nEnd;
    // Nothing waits after the journal's last line, whatever the count says
    // (a line counted at the start by its seq and then passed over as no record).
    m_nWaiting = nEnd == m_nSize ? 0 : m_nWaiting - std::min<uint64_t>(m_nWaiting, 1);
    if (CompactIfDone(false) || !SaveDue())
        return;
    // Written without holding the journal: the console thread appends to it
    // meanwhile and never waits for the disk to take the position.
    const Position position = ToSave(m_position);
    const uint64_t nGeneration = ++m_nSaveGeneration;
    lock.unlock();
    std::string strError;
    if (!WritePosition(position, nGeneration, strError)) {
        lock.lock();
        m_strError = strError;
    }
}

bool CRecordSpool::SaveDue()
{
    const auto now = std::chrono::steady_clock::now();
    if (++m_nUnsaved < kSaveEvery && now - m_lastSave < kSaveInterval)
        return false;
    m_nUnsaved = 0;
    m_lastSave = now;
    return true;
}

bool CRecordSpool::CompactIfDone(bool bWhateverLength)
{
    const uint64_t nCompactAt = bWhateverLength ? 1 : std::min(kCompactBytes, m_nMaxBytes / 2);
    if (m_position.nAckedOffset != m_nSize || m_nSize < nCompactAt || m_nSize == 0)
        return false;
    Position emptied = m_position;
    emptied.nAckedOffset = 0;
    // The position first: a kill between the two leaves records that are
    // passed over by their seq, never an offset into the wrong records.
    if (!SavePositionLocked(emptied) || ::ftruncate(m_fd.Get(), 0) != 0)
        return false;
    m_position = emptied;
    m_nSize = 0;
    m_nReadOffset = 0;
    m_nWaiting = 0;
    return true;
}

SysResult CRecordSpool::SavePosition()
{
    std::lock_guard lock(m_mutex);
    // Asked for as the station stops: the next seq is known exactly.
    m_nSeqHeld = 0;
    // Nothing waits: the journal is emptied whatever its length.
    if (CompactIfDone(true))
        return {};
    return SavePositionLocked(m_position);
}

SysResult CRecordSpool::SavePositionLocked(const Position& position)
{
    m_nUnsaved = 0;
    m_lastSave = std::chrono::steady_clock::now();
    return WritePosition(ToSave(position), ++m_nSaveGeneration, m_strError);
}

SysResult CRecordSpool::WritePosition(const Position& position, uint64_t nGeneration, std::string& strError)
{
    std::lock_guard lock(m_saveMutex);
    // A later position was written while this one waited: it stays.
    if (nGeneration < m_nSavedGeneration)
        return {};
    std::ostringstream text;
    text << "acked-seq " << position.nAckedSeq << "\nacked-offset " << position.nAckedOffset << "\nnext-seq "
         << position.nNextSeq << "\n";
    const std::string strText = text.str();
    const std::string strFinal = PositionPath();
    const std::string strTemp = strFinal + ".new";
    auto fail = [&strError](const std::string& strWhat, int nError) {
        const uint32_t dwError = nError != 0 ? static_cast<uint32_t>(nError) : ENOSPC;
        strError = strWhat + ": " + SystemErrorText(dwError);
        return SysResult::Failure(dwError);
    };
    CUniqueFd fd(::open(strTemp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0640));
    if (!fd.IsValid())
        return fail(strTemp + " cannot be written", errno);
    if (::write(fd.Get(), strText.data(), strText.size()) != static_cast<ssize_t>(strText.size()) ||
        ::fsync(fd.Get()) != 0)
        return fail(strTemp + " cannot be written", errno);
    fd.Reset();
    if (::rename(strTemp.c_str(), strFinal.c_str()) != 0)
        return fail(strFinal + " cannot be replaced", errno);
    m_nSavedGeneration = nGeneration;
    return {};
}

uint64_t CRecordSpool::Waiting() const
{
    std::lock_guard lock(m_mutex);
    return m_nWaiting;
}

uint64_t CRecordSpool::Dropped() const
{
    std::lock_guard lock(m_mutex);
    return m_nDropped;
}

uint64_t CRecordSpool::LastSeq() const
{
    std::lock_guard lock(m_mutex);
    return m_position.nNextSeq - 1;
}

}  // namespace halyard
