// The whole program under a continuous stream of data lines: the real frame,
// view and document, connected through the real connect dialog to a writer
// process that plays the sensor on a pseudo-terminal. The writer is a child
// process, so the CPU figures (getrusage of this process: the UI thread, the
// comm watch thread and the watcher thread) are the program's alone.
//
// Phases, with the received-data list already full (500 lines):
// - "57600 baud": 82-byte lines back to back at the line's own pace (one every
//   82 * 10 / 57600 s, about 70 a second);
// - "10x": the same lines ten times as fast; every line must reach the list in
//   order (the last 500 shown are the last 500 sent), and a 10 ms timer probe
//   on the UI thread reports how late the event loop ran;
// - "silent": connected, nothing sent, for 20 s.
// With "--silent SECONDS" it only connects and then sits silent for that long
// (the cost of an idle, connected program, from its start). The silent
// figures are user and system time from /proc.
// With "--log", the 57600-baud phase runs three times: without logging, with
// logging started from the Data Capture page (time stamps on, one file), and
// without again; the log must hold every line of its phase.
//
// With "--plot", the 57600-baud phase runs three times: on the Terminal Window
// page, on the Data Plot page with three fields checked, and on the Terminal
// Window page again; "--shot FILE" then pictures the window on the plot page.
// Run it under Xvfb (xvfb-run -a build/bench/halyard_view_bench) or with
// QT_QPA_PLATFORM=offscreen; with the accessibility bridge on, as beside a
// screen reader, under bench/screen-reader-session.sh. "--lines N" changes
// the length of the stream phases; "--shot FILE" saves a picture of the
// window at the end of the 57600-baud phase.

#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QRadioButton>
#include <QSocketNotifier>
#include <QTimer>
#include <qcustomplot.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchLines.h"
#include "ProcStatus.h"
#include "TestPty.h"
#include "document/CHalyardDoc.h"
#include "pages/CDataPlotPage.h"
#include "pages/CPlotFieldList.h"
#include "shell/CDynamicTabCtrl.h"
#include "shell/CHalyardApp.h"
#include "shell/CHalyardView.h"
#include "shell/CMainFrame.h"
#include "shell/CReceivedDataList.h"
#include "ui/UiPrompts.h"

using namespace halyard;
using halyard::bench::DataMessage;

namespace {

constexpr int kBenchPort = 42;
constexpr long kLinePeriodNs = 82L * 10L * 1000000000L / 57600L;  // 14.24 ms

// ---------------------------------------------------------------------------
// The writer (child process): answers the identification, then streams on
// request. Requests come on one pipe as "count first period_ns\n"; "done\n"
// goes back on the other when the last line is written.

void AnswerCommands(test::PtyPair& pty, std::string& strPending)
{
    strPending += pty.Drain();
    for (size_t nEnd; (nEnd = strPending.find_first_of("\r\n")) != std::string::npos;) {
        const std::string strLine = strPending.substr(0, nEnd);
        strPending.erase(0, nEnd + 1);
        if (strLine == "OK")
            pty.Write("Orvan Sensor OK\r\n");
        else if (strLine == "JM?")
            pty.Write("00630\r\n");
    }
}

void Stream(test::PtyPair& pty, std::string& strPending, int nCount, int nFirst, long nPeriodNs)
{
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (int n = 0; n < nCount; ++n) {
        pty.Write(DataMessage(nFirst + n));
        next.tv_nsec += nPeriodNs;
        while (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        AnswerCommands(pty, strPending);
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
}

[[noreturn]] void RunWriter(test::PtyPair& pty, int fdRequests, int fdDone)
{
    std::string strPending;
    std::string strRequest;
    for (;;) {
        pollfd fds[2] = {{pty.Master(), POLLIN, 0}, {fdRequests, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if ((fds[0].revents & POLLIN) != 0)
            AnswerCommands(pty, strPending);
        if ((fds[1].revents & (POLLIN | POLLHUP)) == 0)
            continue;
        char buffer[128];
        const ssize_t n = ::read(fdRequests, buffer, sizeof buffer);
        if (n <= 0)
            std::_Exit(0);
        strRequest.append(buffer, static_cast<size_t>(n));
        for (size_t nEnd; (nEnd = strRequest.find('\n')) != std::string::npos;) {
            int nCount = 0;
            int nFirst = 0;
            long nPeriodNs = 0;
            std::sscanf(strRequest.substr(0, nEnd).c_str(), "%d %d %ld", &nCount, &nFirst, &nPeriodNs);
            strRequest.erase(0, nEnd + 1);
            Stream(pty, strPending, nCount, nFirst, nPeriodNs);
            if (::write(fdDone, "done\n", 5) != 5)
                std::_Exit(1);
        }
    }
}

// ---------------------------------------------------------------------------
// The program's side

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QString LineText(int n)
{
    std::string strLine = DataMessage(n);
    strLine.resize(strLine.size() - 2);  // the list shows it without CR LF
    return QString::fromLatin1(strLine);
}

class CStreamBench {
public:
    CStreamBench(CHalyardApp& app, int fdRequests, int fdDone)
        : m_app(app)
        , m_fdRequests(fdRequests)
        , m_doneNotifier(fdDone, QSocketNotifier::Read)
    {
        QObject::connect(&m_doneNotifier, &QSocketNotifier::activated, [this, fdDone] {
            char buffer[16];
            if (::read(fdDone, buffer, sizeof buffer) > 0) {
                m_bWriterDone = true;
                // A lost last line would leave the wait open for ever.
                m_giveUp.start(kGiveUpMs);
            }
            CheckFinished();
        });
        // A list that is full shifts its rows' contents instead of inserting one.
        m_giveUp.setSingleShot(true);
        QObject::connect(&m_giveUp, &QTimer::timeout, [this] {
            std::printf("the last line sent had not reached the list %d s after it was sent\n",
                        kGiveUpMs / 1000);
            m_strLast.clear();
            m_loop.quit();
        });
        QObject::connect(List().model(), &QAbstractItemModel::rowsInserted, [this] { CheckFinished(); });
        QObject::connect(List().model(), &QAbstractItemModel::dataChanged, [this] { CheckFinished(); });
    }

    CReceivedDataList& List() { return m_app.View().DataList(); }

    // Streams nCount lines and waits until the last of them is in the list.
    // Returns the CPU seconds and wall seconds it took.
    std::pair<double, double> StreamLines(int nCount, long nPeriodNs)
    {
        const int nFirst = m_nNext;
        m_nNext += nCount;
        m_strLast = LineText(m_nNext - 1);
        m_bWriterDone = false;
        const double dCpu = CpuSeconds();
        QElapsedTimer wall;
        wall.start();
        const std::string strRequest =
            std::to_string(nCount) + " " + std::to_string(nFirst) + " " + std::to_string(nPeriodNs) + "\n";
        if (::write(m_fdRequests, strRequest.data(), strRequest.size()) !=
            static_cast<ssize_t>(strRequest.size()))
            std::abort();
        m_loop.exec();
        return {CpuSeconds() - dCpu, static_cast<double>(wall.nsecsElapsed()) / 1e9};
    }

    // Sits connected and silent for nMs.
    void Idle(int nMs)
    {
        QTimer::singleShot(nMs, &m_loop, &QEventLoop::quit);
        m_loop.exec();
    }

    // Lines sent so far, and whether the list ends with the last 500 of them in order.
    int LinesSent() const { return m_nNext; }
    bool ListHoldsTheLastLines()
    {
        const QStringList lines = List().Lines();
        if (lines.size() != CReceivedDataList::MAX_LINES)
            return false;
        for (int i = 0; i < lines.size(); ++i)
            if (lines[i] != LineText(m_nNext - CReceivedDataList::MAX_LINES + i))
                return false;
        return true;
    }

private:
    void CheckFinished()
    {
        if (m_bWriterDone && !m_strLast.isEmpty() && List().count() > 0 &&
            List().Lines().constLast() == m_strLast) {
            m_strLast.clear();
            m_giveUp.stop();
            m_loop.quit();
        }
    }

    CHalyardApp& m_app;
    int m_fdRequests;
    QSocketNotifier m_doneNotifier;
    static constexpr int kGiveUpMs = 30000;
    QEventLoop m_loop;
    QTimer m_giveUp;
    bool m_bWriterDone = false;
    QString m_strLast;
    int m_nNext = 1;
};

// A 10 ms timer on the UI thread: how late each expiry came.
class CTimerProbe {
public:
    CTimerProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 nNow = m_clock.nsecsElapsed();
            if (m_nLast >= 0)
                m_lateMs.push_back(static_cast<double>(nNow - m_nLast) / 1e6 - kPeriodMs);
            m_nLast = nNow;
        });
    }
    void Start()
    {
        m_clock.start();
        m_timer.start(kPeriodMs);
    }
    void Stop() { m_timer.stop(); }
    double Percentile(double dFraction)
    {
        if (m_lateMs.empty())
            return 0;
        std::sort(m_lateMs.begin(), m_lateMs.end());
        return m_lateMs[static_cast<size_t>(dFraction * static_cast<double>(m_lateMs.size() - 1))];
    }

private:
    static constexpr int kPeriodMs = 10;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_nLast = -1;
    std::vector<double> m_lateMs;
};

// What getrusage says of this process, threads that have ended included (the
// scheduler's count in /proc leaves those out): CPU seconds, to the
// microsecond, and how many times its threads gave up or lost a CPU, each a
// wake-up to come.
std::pair<double, long> UsageSelf()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6; };
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_nvcsw + usage.ru_nivcsw};
}

// Sits silent for nSeconds and says what the process used: user and system
// time from /proc (in ticks of 10 ms), the same to the microsecond, and how
// often its threads woke.
void ReportSilent(CStreamBench& bench, int nSeconds)
{
    const double dCpu = test::ProcCpuSeconds(::getpid());
    const auto start = UsageSelf();
    QElapsedTimer wall;
    wall.start();
    bench.Idle(nSeconds * 1000);
    const double dWall = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const auto end = UsageSelf();
    std::printf("%-12s %6.2f s: %6.3f%% of one core (to the microsecond: %.4f%%), threads woken %.1f times a second\n",
                "silent", dWall, 100.0 * (test::ProcCpuSeconds(::getpid()) - dCpu) / dWall,
                100.0 * (end.first - start.first) / dWall, static_cast<double>(end.second - start.second) / dWall);
}

void Report(const char* szPhase, int nLines, std::pair<double, double> used)
{
    std::printf("%-12s %6d lines in %6.2f s: %6.2f%% of one core, %7.1f ms CPU per 1000 lines\n", szPhase,
                nLines, used.second, 100.0 * used.first / used.second, 1000.0 * used.first * 1000.0 / nLines);
}

// Starts logging from the Data Capture page as a user would: no automatic
// "R?" (the writer does not answer it), one file, time stamps on.
bool StartLoggingFromPage(CHalyardApp& app, const std::string& strPath)
{
    CHalyardView& view = app.View();
    view.TabCtrl().SetCurSel(2);
    view.OnTcnSelchangeTab1();
    view.findChild<QRadioButton*>(QStringLiteral("autoRNoRadio"))->click();
    // No "AC" or "A?" either: the log then holds exactly the lines streamed.
    for (const char* szCheck : {"resetAtStartCheck", "captureAtEndCheck"})
        view.findChild<QCheckBox*>(QString::fromLatin1(szCheck))->setChecked(false);
    view.findChild<QRadioButton*>(QStringLiteral("dailyOffRadio"))->click();
    CUiPrompts::SetNextFileName(QString::fromStdString(strPath));
    view.findChild<QPushButton*>(QStringLiteral("startLogButton"))->click();
    return app.Doc().IsLogging();
}

size_t LinesIn(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    size_t nLines = 0;
    for (std::string strLine; std::getline(in, strLine);)
        ++nLines;
    return nLines;
}

// The 57600-baud phase without, with and again without logging.
bool RunLoggingPhases(CHalyardApp& app, CStreamBench& bench, int nLines)
{
    const std::string strPath =
        (std::filesystem::temp_directory_path() / ("halyard-bench-" + std::to_string(::getpid()) + ".LOG"))
            .string();
    Report("57600 baud", nLines, bench.StreamLines(nLines, kLinePeriodNs));
    if (!StartLoggingFromPage(app, strPath)) {
        std::printf("logging did not start (%s)\n", strPath.c_str());
        return false;
    }
    Report("57600 log", nLines, bench.StreamLines(nLines, kLinePeriodNs));
    app.View().findChild<QPushButton*>(QStringLiteral("stopLogButton"))->click();
    const size_t nRecords = LinesIn(strPath);
    std::filesystem::remove(strPath);
    Report("57600 baud", nLines, bench.StreamLines(nLines, kLinePeriodNs));
    std::printf("%-12s %zu records for %d lines streamed while logging\n", "log", nRecords, nLines);
    return nRecords == static_cast<size_t>(nLines);
}

// Shows the page at tab position nTab as a click on its tab does.
void ShowTab(CHalyardView& view, int nTab)
{
    view.TabCtrl().SetCurSel(nTab);
    view.OnTcnSelchangeTab1();
}

// The 57600-baud phase on the Terminal Window page, on the Data Plot page with
// three fields checked (a counter, a constant and a value that jumps), and on
// the Terminal Window page again.
bool RunPlotPhases(CHalyardApp& app, CStreamBench& bench, int nLines, const QString& strShot)
{
    CHalyardView& view = app.View();
    ShowTab(view, 1);
    Report("terminal", nLines, bench.StreamLines(nLines, kLinePeriodNs));
    view.OnViewDataplot();
    ShowTab(view, view.m_nPlotTab);
    auto* pPage = view.findChild<CDataPlotPage*>(QStringLiteral("dataPlotPage"));
    auto* pFields = view.findChild<CPlotFieldList*>(QStringLiteral("plotFieldList"));
    for (const char* szField : {"3", "6", "16"}) {
        const QList<QTableWidgetItem*> found = pFields->findItems(QString::fromLatin1(szField), Qt::MatchExactly);
        if (found.isEmpty())
            return false;
        found.front()->setCheckState(Qt::Checked);
    }
    const int nRedraws = pPage->Redraws();
    const auto used = bench.StreamLines(nLines, kLinePeriodNs);
    Report("plot", nLines, used);
    std::printf("%-12s %d redraws in %.2f s, %d graphs\n", "plot", pPage->Redraws() - nRedraws, used.second,
                pPage->Plot()->graphCount());
    if (!strShot.isEmpty())
        app.Frame().grab().save(strShot);
    ShowTab(view, 1);
    Report("terminal", nLines, bench.StreamLines(nLines, kLinePeriodNs));
    return pPage->Redraws() > nRedraws;
}

int RunProgram(int argc, char** argv, const std::string& strSlave, int fdRequests, int fdDone, int nLines,
               const QString& strShot, bool bLog, bool bPlot, int nSilentSeconds)
{
    QApplication qapp(argc, argv);
    CUiPrompts::SetTestMode(true);  // nothing modal may stop the run
    AppOptions options;
    options.pins.push_back("COM" + std::to_string(kBenchPort) + "=" + strSlave);
    CHalyardApp app;
    if (!app.InitInstance(options)) {
        std::fprintf(stderr, "the program did not start: %s\n", qPrintable(app.ErrorText()));
        return EXIT_FAILURE;
    }
    CHalyardDoc& doc = app.Doc();
    doc.SetUpPortAndBaudRate(kBenchPort, 57600);
    if (!doc.ConnectToSensor() || !doc.IsConnected()) {
        std::fprintf(stderr, "could not connect to the writer on %s\n", strSlave.c_str());
        return EXIT_FAILURE;
    }

    CStreamBench bench(app, fdRequests, fdDone);
    std::printf("platform %s, accessibility %s\n", qPrintable(QGuiApplication::platformName()),
                QAccessible::isActive() ? "active (a screen reader is listening)" : "not active");
    if (nSilentSeconds > 0) {
        bench.Idle(1000);  // the identification's last traffic is over
        ReportSilent(bench, nSilentSeconds);
        doc.CloseConnection(false);
        return EXIT_SUCCESS;
    }
    bench.StreamLines(CReceivedDataList::MAX_LINES + 100, kLinePeriodNs / 10);  // fill the list
    std::printf("list full (%lld lines)\n", static_cast<long long>(bench.List().count()));

    if (bLog || bPlot) {
        const bool bDone = bLog ? RunLoggingPhases(app, bench, nLines) : RunPlotPhases(app, bench, nLines, strShot);
        doc.CloseConnection(false);
        return bDone ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    Report("57600 baud", nLines, bench.StreamLines(nLines, kLinePeriodNs));
    if (!strShot.isEmpty())
        app.Frame().grab().save(strShot);

    CTimerProbe probe;
    probe.Start();
    const int nFast = nLines * 5;
    Report("10x", nFast, bench.StreamLines(nFast, kLinePeriodNs / 10));
    probe.Stop();
    const bool bInOrder = bench.ListHoldsTheLastLines();
    std::printf("%-12s timer probe late by p50 %.2f ms, p99 %.2f ms, max %.2f ms; last 500 lines %s\n", "10x",
                probe.Percentile(0.5), probe.Percentile(0.99), probe.Percentile(1.0),
                bInOrder ? "are the last 500 sent, in order" : "DIFFER from the last 500 sent");

    ReportSilent(bench, 20);
    doc.CloseConnection(false);
    return bInOrder ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv)
{
    int nLines = 1000;
    int nSilentSeconds = 0;
    QString strShot;
    bool bLog = false;
    bool bPlot = false;
    for (int n = 1; n < argc; ++n) {
        bLog = bLog || std::string(argv[n]) == "--log";
        bPlot = bPlot || std::string(argv[n]) == "--plot";
    }
    for (int n = 1; n + 1 < argc; ++n) {
        if (std::string(argv[n]) == "--lines")
            nLines = std::max(1, std::atoi(argv[n + 1]));
        else if (std::string(argv[n]) == "--silent")
            nSilentSeconds = std::max(1, std::atoi(argv[n + 1]));
        else if (std::string(argv[n]) == "--shot")
            strShot = QString::fromLocal8Bit(argv[n + 1]);
    }

    test::PtyPair pty;
    int requestPipe[2];
    int donePipe[2];
    if (!pty.IsValid() || ::pipe(requestPipe) != 0 || ::pipe(donePipe) != 0) {
        std::perror("halyard_view_bench: pseudo-terminal or pipes");
        return EXIT_FAILURE;
    }
    // The writer is forked before any thread exists.
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(requestPipe[1]);
        ::close(donePipe[0]);
        RunWriter(pty, requestPipe[0], donePipe[1]);
    }
    ::close(requestPipe[0]);
    ::close(donePipe[1]);
    const std::string strSlave = pty.SlavePath();
    pty.CloseMaster();  // the writer holds it
    const int nResult = RunProgram(argc, argv, strSlave, requestPipe[1], donePipe[0], nLines, strShot, bLog,
                                    bPlot, nSilentSeconds);
    ::close(requestPipe[1]);
    ::waitpid(pid, nullptr, 0);
    return nResult;
}
