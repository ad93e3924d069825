#pragma once
// Reading back a log file this program wrote, record by record, and writing
// its data messages' fields as CSV: what halyard-cli export and the plot's
// "Open Log..." and "Export CSV..." share.
//
// The plot places a data message at x: its time in seconds since the epoch,
// or, in a log whose first data message has no stamp, its number in order
// from 0. A stampless message in a stamped log takes the x before it.

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "document/CSeriesStore.h"
#include "document/LogFiles.h"

namespace halyard {

struct LogReadSummary {
    size_t nRecords = 0;       // whole records read
    size_t nDataMessages = 0;  // of those, data messages
    size_t nWithoutTime = 0;   // data messages without a well-formed stamp
    bool bTornLast = false;    // the file ended inside a record, which was left out
    bool bCancelled = false;
    int nError = 0;            // the system's error code when the file could not be opened or read
};

// Calls onDataMessage for each data message of the log at strPath, in order,
// with its number among them from 0 and its record (text and stamp time).
// onProgress (bytes read, bytes in all), called every few megabytes, returns
// false to stop there.
LogReadSummary ReadLogDataMessages(const std::string& strPath,
                                   const std::function<void(size_t, const ReadRecord&)>& onDataMessage,
                                   const std::function<bool(uint64_t, uint64_t)>& onProgress = {});

// A time as the plot's x, and back.
double SecondsSinceEpoch(TimePoint time);
TimePoint TimeOfSeconds(double dSeconds);

// A log's data messages into store, each at its x. bNumbered: the x are numbers, not times.
struct LogSeriesLoad {
    LogReadSummary summary;
    bool bNumbered = false;
};
LogSeriesLoad LoadLogSeries(const std::string& strPath, CSeriesStore& store,
                            const std::function<bool(uint64_t, uint64_t)>& onProgress = {});

// The CSV header for the fields: "time,field 3,field 4".
std::string CsvHeader(const std::vector<int>& fields);
// One CSV row: the time as "YYYY-MM-DD HH:MM:SS" (empty without one) and each
// field's token as the sensor sent it (empty when the message has no number there).
std::string CsvRow(std::optional<TimePoint> time, std::string_view message, const std::vector<int>& fields);

// The log as CSV (header and one row a data message) to out; with a range,
// only the data messages whose x lies in it (both ends included).
LogReadSummary ExportLogCsv(const std::string& strPath, const std::vector<int>& fields, std::ostream& out,
                            std::optional<std::pair<double, double>> range = std::nullopt,
                            const std::function<bool(uint64_t, uint64_t)>& onProgress = {});

// Messages held by a store as CSV; without bTimes their x are numbers and
// the time column stays empty.
void WriteMessagesCsv(std::ostream& out, const std::vector<HeldMessage>& messages, const std::vector<int>& fields,
                      bool bTimes);

// What the summary says of a log that gave nothing to show or was cut short,
// for the user: "" when all is well.
std::string LogReadProblem(const std::string& strPath, const LogReadSummary& summary);

}  // namespace halyard
