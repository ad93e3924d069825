#include "network/CRecordCollector.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/SettingsFile.h"
#include "platform/TextFile.h"

namespace halyard {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTopicStart = "halyard/";
constexpr std::string_view kTopicEnd = "/records";
constexpr const char* kStateName = "collector.state";
constexpr const char* kGapsName = "gaps.txt";

// The record about to be written: its seq, the last seq written before it,
// its file (a name in the station's folder) and the bytes it takes there,
// [nStart, nEnd).
struct PendingRecord {
    uint64_t nSeq = 0;
    uint64_t nLastSeq = 0;
    std::string strFile;
    uint64_t nStart = 0;
    uint64_t nEnd = 0;
};

// The state file's whole text is replaced, on the disk before the record is
// written: a reader, or a start after a power cut, finds the old one or the
// new one, never a part.
SysResult SaveState(const std::string& strPath, const PendingRecord& pending)
{
    std::ostringstream text;
    text << "seq " << pending.nSeq << "\nafter " << pending.nLastSeq << "\nfile " << pending.strFile << "\nstart "
         << pending.nStart << "\nend " << pending.nEnd << "\n";
    return WriteFileAtomically(strPath, text.str());
}

// The saved state: none when the file does not exist (a station not seen
// before), EINVAL when it is not one this program wrote.
Result<std::optional<PendingRecord>> LoadState(const std::string& strPath)
{
    std::error_code error;
    if (!fs::exists(strPath, error))
        return error ? Result<std::optional<PendingRecord>>(SysResult::Failure(static_cast<uint32_t>(error.value())))
                     : Result<std::optional<PendingRecord>>(std::nullopt);
    std::ifstream in(strPath);
    PendingRecord pending;
    std::string strSeq, strAfter, strFile, strStart, strEnd;
    in >> strSeq >> pending.nSeq >> strAfter >> pending.nLastSeq >> strFile >> pending.strFile >> strStart >>
        pending.nStart >> strEnd >> pending.nEnd;
    if (!in || strSeq != "seq" || strAfter != "after" || strFile != "file" || strStart != "start" || strEnd != "end" ||
        pending.nSeq <= pending.nLastSeq || pending.nStart > pending.nEnd ||
        pending.strFile.find('/') != std::string::npos)
        return SysResult::Failure(EINVAL);
    return std::optional<PendingRecord>(pending);
}

// The length of a file, 0 when it does not exist.
Result<uint64_t> FileLength(const std::string& strPath)
{
    std::error_code error;
    const uintmax_t nLength = fs::file_size(strPath, error);
    if (error == std::errc::no_such_file_or_directory)
        return uint64_t{0};
    if (error)
        return SysResult::Failure(static_cast<uint32_t>(error.value()));
    return static_cast<uint64_t>(nLength);
}

// Appends strText (its "\n" written as CR LF) to the file at strPath.
SysResult AppendText(const std::string& strPath, const std::string& strText, CFileException& error)
{
    CTextFile file;
    SysResult result = file.Open(strPath, CTextFile::modeWrite | CTextFile::modeCreate | CTextFile::modeNoTruncate);
    if (result)
        result = file.SeekToEnd();
    if (result)
        result = file.WriteString(strText);
    if (result)
        result = file.Close();  // a failure to close counts too
    if (!result)
        error = file.LastError();
    return result;
}

// Seq 1 again is most likely a station that lost its state, whose new
// records are dropped from here until its seq passes ours; "" after seq 1.
std::string SeqAgainText(uint64_t nLastSeq)
{
    if (nLastSeq <= 1)
        return {};
    return "seq 1 again after seq " + std::to_string(nLastSeq) +
           ": dropped as written already, as are the next ones up to that seq "
           "(a station that lost its state directory starts again at 1)";
}

}  // namespace

std::string GapText(uint64_t nLastSeq, const StationRecord& next)
{
    const uint64_t nFirst = nLastSeq + 1;
    const uint64_t nLast = next.nSeq - 1;
    const std::string strSeqs =
        nFirst == nLast ? "seq " + std::to_string(nFirst) : "seq " + std::to_string(nFirst) + " to " + std::to_string(nLast);
    return strSeqs + " missing (seq " + std::to_string(next.nSeq) + " logged " + next.strTime + ")";
}

CRecordCollector::CRecordCollector(std::string strDir)
    : m_strDir(std::move(strDir))
{}

SysResult CRecordCollector::Prepare() const
{
    std::error_code error;
    fs::create_directories(m_strDir, error);
    if (error)
        return SysResult::Failure(static_cast<uint32_t>(error.value()));
    if (!fs::is_directory(m_strDir, error))
        return SysResult::Failure(ENOTDIR);
    // The stations' folders are made in it as they come.
    if (::access(m_strDir.c_str(), W_OK | X_OK) != 0)
        return SysResult::FromErrno();
    return {};
}

std::string CRecordCollector::StationOfTopic(std::string_view strTopic)
{
    if (strTopic.size() <= kTopicStart.size() + kTopicEnd.size() || !strTopic.starts_with(kTopicStart) ||
        !strTopic.ends_with(kTopicEnd))
        return {};
    const std::string_view station =
        strTopic.substr(kTopicStart.size(), strTopic.size() - kTopicStart.size() - kTopicEnd.size());
    return IsValidStationName(station) ? std::string(station) : std::string();
}

std::string CRecordCollector::StationPath(const std::string& strStation, const std::string& strName) const
{
    return (fs::path(m_strDir) / strStation / strName).string();
}

CollectOutcome CRecordCollector::FileFailure(const std::string& strPath, uint32_t dwError)
{
    const int nError = static_cast<int>(dwError);
    return {CollectResult::Failed, CFileException(CFileException::CauseFromErrno(nError), nError, strPath).ErrorMessage()};
}

CollectOutcome CRecordCollector::Receive(std::string_view strTopic, std::string_view strPayload)
{
    const std::string strStation = StationOfTopic(strTopic);
    if (strStation.empty())
        return {CollectResult::Refused, "not a valid station's records topic: " + std::string(strTopic)};
    const std::optional<StationRecord> record = DecodeRecordJson(strPayload);
    if (!record)
        return {CollectResult::Refused, "not a record on " + std::string(strTopic)};
    if (record->strStation != strStation)
        return {CollectResult::Refused,
                "a record of station " + record->strStation + " on " + std::string(strTopic)};
    return Collect(*record);
}

Result<CRecordCollector::StationState*> CRecordCollector::StateOf(const std::string& strStation)
{
    if (const auto it = m_stations.find(strStation); it != m_stations.end())
        return &it->second;
    std::error_code error;
    fs::create_directories(fs::path(m_strDir) / strStation, error);
    if (error)
        return SysResult::Failure(static_cast<uint32_t>(error.value()));
    const Result<std::optional<PendingRecord>> saved = LoadState(StationPath(strStation, kStateName));
    if (!saved.Ok())
        return saved.Status();
    StationState state;
    if (const std::optional<PendingRecord>& pending = saved.Value()) {
        // The last record begun: in whole, it was written; in part, it is
        // cut off again; not at all, it was not.
        const std::string strFile = StationPath(strStation, pending->strFile);
        const Result<uint64_t> length = FileLength(strFile);
        if (!length.Ok())
            return length.Status();
        state.nLastSeq = length.Value() >= pending->nEnd ? pending->nSeq : pending->nLastSeq;
        if (length.Value() > pending->nStart && length.Value() < pending->nEnd) {
            fs::resize_file(strFile, pending->nStart, error);
            if (error)
                return SysResult::Failure(static_cast<uint32_t>(error.value()));
        }
    }
    return &m_stations.emplace(strStation, state).first->second;
}

CollectOutcome CRecordCollector::Collect(const StationRecord& record)
{
    if (!IsValidRecord(record))
        return {CollectResult::Refused, "not a valid record of station " + record.strStation};
    const Result<StationState*> state = StateOf(record.strStation);
    if (!state.Ok())
        return FileFailure(StationPath(record.strStation, kStateName), state.Error());
    StationState& station = *state.Value();
    if (record.nSeq <= station.nLastSeq)
        return {CollectResult::Duplicate, record.nSeq == 1 ? SeqAgainText(station.nLastSeq) : std::string()};

    const std::string strFileName = record.strTime.substr(0, 10) + ".LOG";
    const std::string strFile = StationPath(record.strStation, strFileName);
    const Result<uint64_t> length = FileLength(strFile);
    if (!length.Ok())
        return FileFailure(strFile, length.Error());
    const std::string strLine = record.strRecord + "\n";
    // CR LF on disk: one byte more than the text.
    const PendingRecord pending{record.nSeq, station.nLastSeq, strFileName, length.Value(),
                                length.Value() + strLine.size() + 1};
    const std::string strState = StationPath(record.strStation, kStateName);
    if (const SysResult saved = SaveState(strState, pending); !saved)
        return FileFailure(strState, saved.Error());

    std::string strGap;
    CFileException error;
    if (record.nSeq > station.nLastSeq + 1) {
        strGap = GapText(station.nLastSeq, record);
        const std::string strGaps = StationPath(record.strStation, kGapsName);
        if (!AppendText(strGaps, strGap + "\n", error))
            return {CollectResult::Failed, error.ErrorMessage()};
    }
    if (!AppendText(strFile, strLine, error))
        return {CollectResult::Failed, error.ErrorMessage()};
    station.nLastSeq = record.nSeq;
    return {CollectResult::Written, strGap};
}

}  // namespace halyard
