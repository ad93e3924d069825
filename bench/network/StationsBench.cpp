// A network of stations on this machine: one broker, one collector and N
// stations (halyard-cli log --mqtt), each on a simulated sensor of its own
// that sends one data message a second. Every message carries its number,
// so the collector's files tell which arrived, how often and how late:
// latency runs from the sensor's last byte to the record in the collector's
// file (the files are looked at every 5 ms). With --outage the broker is
// stopped for that long once the stations are running, and the backlog on
// the stations' disks and the time it takes to drain are measured.
//
//   halyard_stations_bench PROGRAM [--stations N] [--seconds S] [--outage S]
//   (defaults: 100 stations, 300 s, no outage)
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchLines.h"
#include "CliProcess.h"
#include "MosquittoBroker.h"
#include "ProcStatus.h"
#include "SimSensor.h"
#include "TempFolder.h"
#include "WaitUntil.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using halyard::test::CCliProcess;
using halyard::test::ProcCpuSeconds;
using halyard::test::WaitUntil;
using halyard::test::ProcStatusKb;

struct Options {
    std::string strProgram;
    int nStations = 100;
    int nSeconds = 300;
    int nOutage = 0;
};

struct Station {
    std::string strName;
    std::unique_ptr<halyard::sim::CSimSensor> pSensor;
    std::unique_ptr<CCliProcess> pProcess;
    std::vector<Clock::time_point> sent;  // by message number
    std::vector<int> seen;                // times each number reached the collector's files
    std::string strCollected;             // the collector's folder for this station
    std::map<std::string, std::uintmax_t> offsets;  // bytes read so far, by file
    double dCpuStart = 0;
};

// The message number of a collected record ("PW 00 NNNNN ..."), -1 if none.
int MessageNumber(const std::string& strRecord)
{
    const size_t pos = strRecord.find("PW 00 ");
    if (pos == std::string::npos || pos + 11 > strRecord.size())
        return -1;
    return std::atoi(strRecord.substr(pos + 6, 5).c_str());
}

// The collector's files for this station; looked for again once a second
// (a new day makes a new file).
void FindCollected(Station& station)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(station.strCollected, error))
        if (entry.path().extension() == ".LOG")
            station.offsets.try_emplace(entry.path().string(), 0);
}

// Reads what the collector added to this station's files since the last
// look; each record's latency goes into latencies. Returns how many numbers
// below nBelow arrived for the first time.
size_t ReadCollected(Station& station, std::vector<double>& latencies, int nBelow)
{
    size_t nArrived = 0;
    const auto now = Clock::now();
    for (auto& [strPath, offset] : station.offsets) {
        struct stat info {};
        if (::stat(strPath.c_str(), &info) != 0 || static_cast<std::uintmax_t>(info.st_size) <= offset)
            continue;
        std::ifstream in(strPath, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(offset));
        std::string strLine;
        while (std::getline(in, strLine) && !in.eof()) {
            offset += strLine.size() + 1;
            const int n = MessageNumber(strLine);
            if (n < 0 || n >= static_cast<int>(station.sent.size()))
                continue;
            if (station.seen[n]++ > 0)
                continue;
            latencies.push_back(std::chrono::duration<double, std::milli>(now - station.sent[n]).count());
            nArrived += n < nBelow ? 1 : 0;
        }
    }
    return nArrived;
}

std::uintmax_t FolderBytes(const std::string& strFolder)
{
    std::uintmax_t total = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(strFolder, error))
        if (entry.is_regular_file(error))
            total += entry.file_size(error);
    return total;
}

double Percentile(std::vector<double> values, double dFraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(dFraction * values.size()))];
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    if (argc < 2)
        return false;
    options.strProgram = argv[1];
    for (int n = 2; n + 1 < argc; n += 2) {
        const int nValue = std::atoi(argv[n + 1]);
        if (std::strcmp(argv[n], "--stations") == 0)
            options.nStations = nValue;
        else if (std::strcmp(argv[n], "--seconds") == 0)
            options.nSeconds = nValue;
        else if (std::strcmp(argv[n], "--outage") == 0)
            options.nOutage = nValue;
        else
            return false;
    }
    return options.nStations > 0 && options.nSeconds > 0;
}

class CBench {
public:
    CBench(Options options) : m_options(std::move(options)) {}
    int Run();

private:
    bool StartStations();
    void SendAll(int nMessage);
    void Collect();
    // Sleeps until then, looking at the collector's files every 5 ms.
    void CollectUntil(Clock::time_point then);
    size_t Received() const;
    bool WaitForAll(int nMessages, std::chrono::seconds timeout);
    void Report(int nMessages, double dWall);

    Options m_options;
    halyard::test::CTempFolder m_folder;
    halyard::test::CMosquittoBroker m_broker;
    std::unique_ptr<CCliProcess> m_pCollector;
    std::vector<Station> m_stations;
    std::vector<double> m_latencies;
    double m_dCollectorCpuStart = 0;
    double m_dBrokerCpuStart = 0;
    std::uintmax_t m_nBacklogBytes = 0;
    // After an outage: the records sent before the broker came back, and
    // how many of them have arrived since it did.
    int m_nDrainBelow = 0;
    size_t m_nDrained = 0;
    Clock::time_point m_back;
    Clock::time_point m_lastFind;
    double m_dDrainSeconds = -1;
};

void CBench::Collect()
{
    const bool bFind = Clock::now() - m_lastFind > 1s;
    if (bFind)
        m_lastFind = Clock::now();
    for (Station& station : m_stations) {
        if (bFind || station.offsets.empty())
            FindCollected(station);
        m_nDrained += ReadCollected(station, m_latencies, m_nDrainBelow);
    }
    const size_t nBacklog = static_cast<size_t>(m_nDrainBelow) * m_stations.size();
    if (m_nDrainBelow > 0 && m_dDrainSeconds < 0 && m_nDrained >= nBacklog)
        m_dDrainSeconds = std::chrono::duration<double>(Clock::now() - m_back).count();
}

bool CBench::StartStations()
{
    m_stations.resize(m_options.nStations);
    const int nMessages = m_options.nSeconds + m_options.nOutage + 60;
    for (int n = 0; n < m_options.nStations; ++n) {
        Station& station = m_stations[n];
        char szName[16];
        std::snprintf(szName, sizeof szName, "s%03d", n);
        station.strName = szName;
        station.strCollected = m_folder.Path("collected/" + station.strName);
        station.sent.resize(nMessages);
        station.seen.resize(nMessages);
        station.pSensor = std::make_unique<halyard::sim::CSimSensor>();
        if (!station.pSensor->Start())
            return false;
        std::filesystem::create_directories(m_folder.Path("state/" + station.strName));
        station.pProcess = std::make_unique<CCliProcess>(
            m_options.strProgram,
            std::vector<std::string>{"--quiet", "--port", station.pSensor->DevicePath(), "log",
                                     m_folder.Path(station.strName + ".LOG"), "--no-auto-r", "--mqtt", m_broker.Url(),
                                     "--station", station.strName, "--state-dir",
                                     m_folder.Path("state/" + station.strName)},
            m_folder.Path(station.strName + ".out"));
    }
    for (Station& station : m_stations)
        for (int n = 0; n < 6000 && !std::filesystem::exists(m_folder.Path(station.strName + ".LOG")); ++n)
            std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(2s);  // the identifications' last traffic is over
    for (Station& station : m_stations)
        station.dCpuStart = ProcCpuSeconds(station.pProcess->Pid());
    return true;
}

// Message nMessage from every sensor, spread over the second.
void CBench::SendAll(int nMessage)
{
    const auto start = Clock::now();
    for (size_t n = 0; n < m_stations.size(); ++n) {
        CollectUntil(start + 900ms * n / m_stations.size());
        Station& station = m_stations[n];
        const std::string strLine = halyard::bench::DataMessage(nMessage);
        station.pSensor->SendLine(strLine.substr(0, strLine.size() - 2));
        station.sent[nMessage] = Clock::now();
    }
}

void CBench::CollectUntil(Clock::time_point then)
{
    do {
        Collect();
        std::this_thread::sleep_for(5ms);
    } while (Clock::now() < then);
}

size_t CBench::Received() const
{
    size_t nReceived = 0;
    for (const Station& station : m_stations)
        nReceived += std::count_if(station.seen.begin(), station.seen.end(), [](int n) { return n > 0; });
    return nReceived;
}

bool CBench::WaitForAll(int nMessages, std::chrono::seconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    const size_t nExpected = static_cast<size_t>(nMessages) * m_stations.size();
    while (Received() < nExpected && Clock::now() < deadline) {
        CollectUntil(Clock::now());
    }
    return Received() == nExpected;
}

int CBench::Run()
{
    if (!m_folder.IsValid() || !m_broker.Start())
        return 1;
    std::filesystem::create_directories(m_folder.Path("collected"));
    m_pCollector = std::make_unique<CCliProcess>(
        m_options.strProgram,
        std::vector<std::string>{"--quiet", "collect", "--mqtt", m_broker.Url(), "--dir", m_folder.Path("collected")},
        m_folder.Path("collector.out"));
    // Records published before the collector subscribed would not wait for it.
    if (!WaitUntil([this] { return m_broker.Subscriptions("halyard/+/records") > 0; }, 30s)) {
        std::fprintf(stderr, "the collector did not subscribe\n");
        return 1;
    }
    if (!StartStations())
        return 1;
    m_dCollectorCpuStart = ProcCpuSeconds(m_pCollector->Pid());
    m_dBrokerCpuStart = ProcCpuSeconds(m_broker.Pid());
    const auto start = Clock::now();
    const int nOutageFrom = m_options.nOutage > 0 ? 30 : -1;
    int nMessage = 0;
    for (; nMessage < m_options.nSeconds + m_options.nOutage; ++nMessage) {
        if (nMessage == nOutageFrom)
            m_broker.Stop();
        if (nOutageFrom >= 0 && nMessage == nOutageFrom + m_options.nOutage) {
            // The sensors go on sending while the backlog drains.
            m_nBacklogBytes = FolderBytes(m_folder.Path("state"));
            m_nDrained = Received();
            m_nDrainBelow = nMessage;
            if (!m_broker.Start()) {
                std::fprintf(stderr, "the broker did not start again:\n%s\n", m_broker.Log().c_str());
                return 1;
            }
            m_back = Clock::now();
        }
        CollectUntil(start + 1s * nMessage);
        SendAll(nMessage);
    }
    WaitForAll(nMessage, 60s);
    Report(nMessage, std::chrono::duration<double>(Clock::now() - start).count());
    return Received() == static_cast<size_t>(nMessage) * m_stations.size() ? 0 : 1;
}

void CBench::Report(int nMessages, double dWall)
{
    double dCpuTotal = 0, dCpuMax = 0;
    long nRssMax = 0, nHwmMax = 0;
    size_t nDoubled = 0;
    for (Station& station : m_stations) {
        const double dCpu = ProcCpuSeconds(station.pProcess->Pid()) - station.dCpuStart;
        dCpuTotal += dCpu;
        dCpuMax = std::max(dCpuMax, dCpu);
        nRssMax = std::max(nRssMax, ProcStatusKb(station.pProcess->Pid(), "VmRSS"));
        nHwmMax = std::max(nHwmMax, ProcStatusKb(station.pProcess->Pid(), "VmHWM"));
        nDoubled += std::count_if(station.seen.begin(), station.seen.end(), [](int n) { return n > 1; });
    }
    const size_t nSent = static_cast<size_t>(nMessages) * m_stations.size();
    const size_t nReceived = Received();
    std::printf("%zu stations, %d messages each over %.0f s%s\n", m_stations.size(), nMessages, dWall,
                m_options.nOutage > 0 ? (", broker down for " + std::to_string(m_options.nOutage) + " s").c_str() : "");
    std::printf("records sent %zu, in the collector's files %zu, lost %zu, doubled %zu\n", nSent, nReceived,
                nSent - nReceived, nDoubled);
    if (m_options.nOutage == 0)
        std::printf("latency sensor -> collector's file: p50 %.1f ms, p99 %.1f ms, max %.1f ms\n",
                    Percentile(m_latencies, 0.5), Percentile(m_latencies, 0.99), Percentile(m_latencies, 1.0));
    else
        std::printf("backlog on the stations' disks when the broker came back: %.1f MB; drained in %.1f s\n",
                    m_nBacklogBytes / 1048576.0, m_dDrainSeconds);
    const size_t nStations = m_stations.size();
    std::printf("station CPU: %.3f%% of a core on average, %.3f%% the most; resident memory at most %.1f MB "
                "(peak %.1f MB)\n",
                100.0 * dCpuTotal / nStations / dWall, 100.0 * dCpuMax / dWall, nRssMax / 1024.0, nHwmMax / 1024.0);
    std::printf("collector CPU %.2f%%, resident %.1f MB; broker CPU %.2f%%, resident %.1f MB\n",
                100.0 * (ProcCpuSeconds(m_pCollector->Pid()) - m_dCollectorCpuStart) / dWall,
                ProcStatusKb(m_pCollector->Pid(), "VmRSS") / 1024.0,
                100.0 * (ProcCpuSeconds(m_broker.Pid()) - m_dBrokerCpuStart) / dWall,
                ProcStatusKb(m_broker.Pid(), "VmRSS") / 1024.0);
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s PROGRAM [--stations N] [--seconds S] [--outage S]\n", argv[0]);
        return 2;
    }
    CBench bench(std::move(options));
    return bench.Run();
}
