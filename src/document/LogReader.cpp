#include "document/LogReader.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>

#include "document/DataFields.h"
#include "document/Framing.h"
#include "platform/FileCalls.h"
#include "platform/SysError.h"

namespace halyard {

namespace {

struct FileCloser {
    void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr uint64_t kProgressEvery = 4u << 20;

uint64_t FileSize(std::FILE* pFile)
{
    if (std::fseek(pFile, 0, SEEK_END) != 0)
        return 0;
    const long nSize = std::ftell(pFile);
    std::rewind(pFile);
    return nSize > 0 ? static_cast<uint64_t>(nSize) : 0;
}

// The x of each data message of a log, in order (see LogReader.h).
class CRecordPlacer {
public:
    double X(size_t nNumber, const ReadRecord& record)
    {
        if (!m_bNumbered)
            m_bNumbered = !record.time.has_value();
        if (*m_bNumbered)
            m_dLastX = static_cast<double>(nNumber);
        else if (record.time)
            m_dLastX = SecondsSinceEpoch(*record.time);
        return m_dLastX;
    }
    bool Numbered() const { return m_bNumbered.value_or(false); }

private:
    std::optional<bool> m_bNumbered;
    double m_dLastX = 0;
};

}  // namespace

double SecondsSinceEpoch(TimePoint time)
{
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

TimePoint TimeOfSeconds(double dSeconds)
{
    return TimePoint(std::chrono::duration_cast<TimePoint::duration>(std::chrono::duration<double>(dSeconds)));
}

LogSeriesLoad LoadLogSeries(const std::string& strPath, CSeriesStore& store,
                            const std::function<bool(uint64_t, uint64_t)>& onProgress)
{
    CRecordPlacer placer;
    LogSeriesLoad load;
    load.summary = ReadLogDataMessages(
        strPath,
        [&](size_t nNumber, const ReadRecord& record) {
            store.Add(placer.X(nNumber, record), std::string(record.text));
        },
        onProgress);
    load.bNumbered = placer.Numbered();
    return load;
}

LogReadSummary ReadLogDataMessages(const std::string& strPath,
                                   const std::function<void(size_t, const ReadRecord&)>& onDataMessage,
                                   const std::function<bool(uint64_t, uint64_t)>& onProgress)
{
    LogReadSummary summary;
    FilePtr pFile(OpenStream(strPath, "rb"));
    if (!pFile) {
        summary.nError = static_cast<int>(SystemErrorCode(errno));
        return summary;
    }
    const uint64_t nTotal = FileSize(pFile.get());
    uint64_t nRead = 0;
    uint64_t nNextProgress = kProgressEvery;
    char* pLine = nullptr;
    size_t nCapacity = 0;
    const std::unique_ptr<char*, void (*)(char**)> freeLine(&pLine, [](char** pp) { std::free(*pp); });
    int64_t nLength = 0;
    while ((nLength = ReadLine(&pLine, &nCapacity, pFile.get())) > 0) {
        nRead += static_cast<uint64_t>(nLength);
        if (pLine[nLength - 1] != '\n') {
            summary.bTornLast = true;
            break;
        }
        ++summary.nRecords;
        const ReadRecord record = ParseLogRecord(std::string_view(pLine, static_cast<size_t>(nLength)));
        if (ClassifyDataMessage(record.text).bDataMessage) {
            if (!record.time)
                ++summary.nWithoutTime;
            onDataMessage(summary.nDataMessages++, record);
        }
        if (onProgress && nRead >= nNextProgress) {
            nNextProgress = nRead + kProgressEvery;
            if (!onProgress(nRead, nTotal)) {
                summary.bCancelled = true;
                return summary;
            }
        }
    }
    if (std::ferror(pFile.get()))
        summary.nError = static_cast<int>(errno ? SystemErrorCode(errno) : kUnknownSystemError);
    return summary;
}

std::string CsvHeader(const std::vector<int>& fields)
{
    std::string strHeader = "time";
    for (const int nField : fields)
        strHeader += ",field " + std::to_string(nField);
    return strHeader + "\n";
}

std::string CsvRow(std::optional<TimePoint> time, std::string_view message, const std::vector<int>& fields)
{
    std::string strRow = time ? FormatTime("%Y-%m-%d %H:%M:%S", *time) : std::string();
    const std::vector<DataField> values = NumericFields(message);
    for (const int nField : fields) {
        strRow += ',';
        for (const DataField& value : values)
            if (value.nField == nField)
                strRow += value.strText;
    }
    return strRow + "\n";
}

LogReadSummary ExportLogCsv(const std::string& strPath, const std::vector<int>& fields, std::ostream& out,
                            std::optional<std::pair<double, double>> range,
                            const std::function<bool(uint64_t, uint64_t)>& onProgress)
{
    out << CsvHeader(fields);
    CRecordPlacer placer;
    return ReadLogDataMessages(strPath, [&](size_t nNumber, const ReadRecord& record) {
        const double dX = placer.X(nNumber, record);
        if (!range || (dX >= range->first && dX <= range->second))
            out << CsvRow(record.time, record.text, fields);
    }, onProgress);
}

void WriteMessagesCsv(std::ostream& out, const std::vector<HeldMessage>& messages, const std::vector<int>& fields,
                      bool bTimes)
{
    out << CsvHeader(fields);
    for (const HeldMessage& message : messages)
        out << CsvRow(bTimes ? std::optional<TimePoint>(TimeOfSeconds(message.dX)) : std::nullopt, message.strText,
                      fields);
}

std::string LogReadProblem(const std::string& strPath, const LogReadSummary& summary)
{
    if (summary.nError != 0)
        return strPath + " could not be read: " + SystemErrorText(summary.nError);
    if (summary.bCancelled)
        return "Loading " + strPath + " was cancelled: only its first data messages are shown.";
    if (summary.nDataMessages == 0)
        return strPath + " holds no data messages: it is not a log written by this program, or it is empty.";
    std::string strProblem;
    if (summary.bTornLast)
        strProblem += "The last record of " + strPath + " was cut off and is left out. ";
    if (summary.nWithoutTime > 0)
        strProblem += std::to_string(summary.nWithoutTime) + " data messages have no time stamp: they are taken "
                      "in order, numbered from the first, without a time.";
    return strProblem;
}

}  // namespace halyard
