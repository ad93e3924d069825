// How many records a second the document's LogData writes, each one reaching
// the operating system as it is written: 82-byte data messages with and
// without the time stamp, into a file in the temporary folder.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "BenchLines.h"
#include "DocTestAccess.h"
#include "document/CHalyardDoc.h"

using namespace halyard;
using halyard::bench::DataMessage;

namespace {

// Posts go nowhere: the figure is the document's and the file's alone.
class CNullTarget : public IMessageTarget {
public:
    void PostMessage(uint32_t, uintptr_t, intptr_t) override {}
};

class CNullHost : public IDocHost {
public:
    IMessageTarget& Views() override { return m_target; }
    IMessageTarget& MainWindow() override { return m_target; }
    int MessageBox(const std::string&, unsigned) override { return IDOK; }
    void SetTitle(const std::string&) override {}
    void RunConnectDialog(CConnectLogic&) override {}

private:
    CNullTarget m_target;
};

void BM_LogData(benchmark::State& state)
{
    const bool bTimestamp = state.range(0) != 0;
    const std::string strPath =
        (std::filesystem::temp_directory_path() / ("halyard-logbench-" + std::to_string(::getpid()) + ".LOG"))
            .string();
    CNullHost host;
    CHalyardDoc doc(host);
    LogSettings settings;
    settings.strPathName = strPath;
    settings.strPrefix = strPath;
    settings.bTimestamp = bTimestamp;
    doc.SetLogParameters(settings);
    if (!doc.StartLogging(LogStart::Fresh)) {
        state.SkipWithError("the log file could not be created");
        return;
    }
    const std::string strLine = DataMessage(12345);
    DocTestAccess::SetReceivedLine(doc, strLine);
    for (auto _ : state)
        doc.LogData();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    doc.StopLogging();
    std::filesystem::remove(strPath);
}
BENCHMARK(BM_LogData)->Arg(0)->Arg(1)->ArgName("timestamp");

}  // namespace
