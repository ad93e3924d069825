// The "Data Plot" page: shown from the View menu, fed with the simulated
// sensor's data messages while the program logs them, then the log opened
// again; logs it cannot show; and its own controls (pause, range, autoscale,
// the value under the mouse, Save Plot) on messages handed to it directly.
// The program's settings live in a folder of the test's own; the program's
// clock is set by the test, so the times are known. Every wait is for a condition.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSettings>
#include <qcustomplot.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "GuiTestSupport.h"
#include "TempFolder.h"
#include "document/LogReader.h"
#include "pages/CDataPlotPage.h"
#include "pages/CLogFileTask.h"
#include "pages/CPlotFieldList.h"
#include "platform/Clock.h"
#include "ui/ProgramSettings.h"

using namespace halyard;
using namespace halyard::test;

namespace {

constexpr int kConnectWaitMs = 20000;
constexpr int kLineWaitMs = 10000;

using Points = std::vector<std::pair<double, double>>;

Points Drawn(QCPGraph* pGraph)
{
    Points points;
    for (auto it = pGraph->data()->constBegin(); it != pGraph->data()->constEnd(); ++it)
        points.emplace_back(it->key, it->value);
    return points;
}

double Single(double dValue)
{
    return static_cast<float>(dValue);
}

void WriteFile(const std::string& strPath, const std::string& strText)
{
    std::ofstream(strPath, std::ios::binary) << strText;
}

QString AccessibleName(QWidget* pWidget)
{
    return QAccessible::queryAccessibleInterface(pWidget)->text(QAccessible::Name);
}

}  // namespace

class DataPlotTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CHalyardApp> m_pApp;
    std::unique_ptr<CTempFolder> m_pFolder;
    std::unique_ptr<CManualClock> m_pClock;

    CHalyardView& View() { return m_pApp->View(); }
    CDataPlotPage* Page() { return Find<CDataPlotPage>(&View(), "dataPlotPage"); }
    CPlotFieldList* Fields() { return Find<CPlotFieldList>(&View(), "plotFieldList"); }
    QCustomPlot* Plot() { return Page()->Plot(); }
    template <class T>
    T* Control(const char* szName)
    {
        return Find<T>(Page(), szName);
    }
    std::string File(const char* szName) { return m_pFolder->Path(szName); }

    void ShowPlot()
    {
        Find<QAction>(&m_pApp->Frame(), "dataPlotAction")->trigger();
        QCOMPARE(View().TabCtrl().GetItemText(View().m_nPlotTab), QString("Data Plot"));
        ClickTab(View(), View().m_nPlotTab);
        QTRY_VERIFY(Page()->isVisible());
    }

    // Checks a field's box in the list, as a click does.
    void Check(int nField, bool bOn = true)
    {
        const QList<QTableWidgetItem*> found = Fields()->findItems(QString::number(nField), Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        found.front()->setCheckState(bOn ? Qt::Checked : Qt::Unchecked);
    }

    QString ValueShown(int nField)
    {
        for (int nRow = 0; nRow < Fields()->rowCount(); ++nRow)
            if (Fields()->item(nRow, CPlotFieldList::COL_FIELD)->text() == QString::number(nField))
                return Fields()->item(nRow, CPlotFieldList::COL_VALUE)->text();
        return {};
    }

    void OpenLog(const std::string& strPath)
    {
        CUiPrompts::SetNextFileName(QString::fromStdString(strPath));
        Control<QPushButton>("plotOpenLogButton")->click();
        QTRY_VERIFY(!Page()->IsBusy());
    }

    std::string ExportCsv(const char* szName)
    {
        CUiPrompts::SetNextFileName(QString::fromStdString(File(szName)));
        Control<QPushButton>("plotExportButton")->click();
        // A log's range is read again in a worker thread.
        if (!QTest::qWaitFor([this] { return !Page()->IsBusy(); }, kLineWaitMs))
            return "(the export did not end)";
        return ReadWholeFile(File(szName));
    }

    static double At(int nSeconds)
    {
        return SecondsSinceEpoch(MakeLocalTime(2026, 12, 9, 10, 0, 0)) + nSeconds;
    }

private slots:
    void init()
    {
        m_pFolder = std::make_unique<CTempFolder>();
        m_pClock = std::make_unique<CManualClock>(MakeLocalTime(2026, 12, 9, 10, 0, 0));
    }

    void cleanup()
    {
        StopApp(m_pApp);
        SetClock(nullptr);
    }

    void thePageComesFromTheViewMenuAndShowsWithoutASensor()
    {
        m_pApp = StartApp();
        ShowPlot();
        QVERIFY(View().m_bPlotOption);
        QCOMPARE(View().CurrentPage(), PageNumber(PageIndex::DataPlot));
        // Beside the Test Protocol tab that came after it.
        QCOMPARE(PageIndexOfTab(4, -1, -1, 5, 4), PageNumber(PageIndex::DataPlot));
        QCOMPARE(PageIndexOfTab(5, -1, -1, 5, 4), 4);
        QVERIFY(CUiPrompts::MessagesShown().isEmpty());
        for (const char* szName : {"plotOpenLogButton", "plotLiveButton", "plotSaveButton", "plotExportButton"})
            QCOMPARE(AccessibleName(Control<QPushButton>(szName)), Control<QPushButton>(szName)->text());
        QCOMPARE(AccessibleName(Control<QCheckBox>("plotAutoscaleCheck")), QString("Autoscale"));
        QCOMPARE(AccessibleName(Control<QCheckBox>("plotPauseCheck")), QString("Pause"));
        // Qt's list box tells a screen reader on Linux its current text as its
        // name; the name given is what the others read.
        QCOMPARE(Control<QComboBox>("plotRangeCombo")->accessibleName(), QString("Time range"));
        QCOMPARE(AccessibleName(Fields()), QString("Fields"));
        QCOMPARE(AccessibleName(Plot()), QString("Data plot"));

        // Taken away again, the first tab is shown.
        Find<QAction>(&m_pApp->Frame(), "dataPlotAction")->trigger();
        QVERIFY(!View().m_bPlotOption);
        QCOMPARE(View().TabCtrl().GetItemCount(), 4);
        QCOMPARE(View().TabCtrl().VisiblePage(), 0);
    }

    void theSensorsValuesAreDrawnExportedAndReadBackFromTheLog()
    {
        m_pApp = StartWithQuietSensor();
        sim::CSimSensor& sensor = *m_pApp->Simulator();
        QVERIFY(ConnectThroughPortSettings(View(), kConnectWaitMs));
        SetClock(m_pClock.get());
        // Logged with time stamps, one file, nothing sent after each message.
        Find<QRadioButton>(&View(), "dailyOffRadio")->click();
        Find<QRadioButton>(&View(), "autoRNoRadio")->click();
        Find<QRadioButton>(&View(), "timestampYesRadio")->click();
        CUiPrompts::SetNextFileName(QString::fromStdString(File("live.LOG")));
        Find<QPushButton>(&View(), "startLogButton")->click();
        QVERIFY(m_pApp->Doc().IsLogging());
        ShowPlot();

        const std::vector<std::string> sent = {"PW 01 15000 +21.3 0000", "PW 01 14200 +21.1 0000",
                                               "PW 01 /// +20.9 0000", "PW 01 9800 -0.5 0001"};
        for (size_t n = 0; n < sent.size(); ++n) {
            m_pClock->Set(MakeLocalTime(2026, 12, 9, 10, 0, 15 * static_cast<int>(n)));
            sensor.SendLine(sent[n]);
            QTRY_COMPARE_WITH_TIMEOUT(Page()->ShownStore().MessageCount(), n + 1, kLineWaitMs);
        }
        QTRY_COMPARE(ValueShown(4), QString("-0.5"));
        QCOMPARE(ValueShown(2), QString("01"));
        Check(3);
        Check(4);
        QCOMPARE(Plot()->graphCount(), 2);
        QCOMPARE(Plot()->graph(0)->name(), QString("field 3"));
        const Points live3 = Drawn(Plot()->graph(0));
        const Points live4 = Drawn(Plot()->graph(1));
        QCOMPARE(live3, (Points{{At(0), 15000}, {At(15), 14200}, {At(45), 9800}}));
        // The store keeps values in single precision.
        QCOMPARE(live4, (Points{{At(0), Single(21.3)}, {At(15), Single(21.1)}, {At(30), Single(20.9)}, {At(45), -0.5}}));

        // A name and a unit, kept for the model.
        const int nRow = Fields()->row(Fields()->findItems("3", Qt::MatchExactly).front());
        Fields()->item(nRow, CPlotFieldList::COL_NAME)->setText("Visibility");
        Fields()->item(nRow, CPlotFieldList::COL_UNIT)->setText("m");
        QCOMPARE(Plot()->graph(0)->name(), QString("Visibility (m)"));
        const QSettings settings = halyard::ProgramSettings();
        QCOMPARE(settings.value("Data Plot ZRT-630/Field 3 Name").toString(), QString("Visibility"));
        QCOMPARE(settings.value("Data Plot ZRT-630/Field 3 Unit").toString(), QString("m"));
        SaveShot(Page(), "plot-page.png");

        const std::string strLiveCsv = ExportCsv("live.csv");
        QCOMPARE(strLiveCsv, std::string("time,field 3,field 4\n"
                                         "2026-12-09 10:00:00,15000,+21.3\n"
                                         "2026-12-09 10:00:15,14200,+21.1\n"
                                         "2026-12-09 10:00:30,,+20.9\n"
                                         "2026-12-09 10:00:45,9800,-0.5\n"));

        Find<QPushButton>(&View(), "stopLogButton")->click();
        OpenLog(File("live.LOG"));
        QVERIFY2(CUiPrompts::MessagesShown().isEmpty(), qPrintable(CUiPrompts::MessagesShown().join("; ")));
        QVERIFY(Control<QPushButton>("plotLiveButton")->isEnabled());
        QCOMPARE(Drawn(Plot()->graph(0)), live3);
        QCOMPARE(Drawn(Plot()->graph(1)), live4);
        QCOMPARE(ExportCsv("log.csv"), strLiveCsv);

        // Live again: what came while the log was shown is there.
        m_pClock->Set(MakeLocalTime(2026, 12, 9, 10, 1, 0));
        sensor.SendLine("PW 01 9700 -0.7 0001");
        QTRY_VERIFY_WITH_TIMEOUT(ListContains(View(), "PW 01 9700 -0.7 0001"), kLineWaitMs);
        Control<QPushButton>("plotLiveButton")->click();
        QTRY_COMPARE(Drawn(Plot()->graph(0)).size(), size_t{4});
        QCOMPARE(Drawn(Plot()->graph(0)).back(), std::make_pair(At(60), 9700.0));
    }

    void aLogFileTaskStopsOnCancelAndWhenItGoes()
    {
        QWidget parent;
        std::atomic<uint64_t> nRead{0};
        std::atomic<int> nEnded{0};
        // Reads "for ever", until told to stop.
        const auto work = [&](const CLogFileTask::Progress& progress) {
            while (progress(++nRead, 1000000))
                std::this_thread::yield();
            ++nEnded;
        };
        bool bFinished = false;
        {
            CLogFileTask task(&parent, "Reading...", work);
            connect(&task, &CLogFileTask::finished, this, [&bFinished] { bFinished = true; });
            QTRY_VERIFY(task.ProgressDialog()->value() > 0);
            auto* pCancel = task.ProgressDialog()->findChild<QPushButton*>();
            QCOMPARE(pCancel->text(), QString("Cancel"));
            pCancel->click();
            QTRY_VERIFY(bFinished);
            QCOMPARE(nEnded.load(), 1);
            QVERIFY(!task.ProgressDialog()->isVisible());
        }
        {
            CLogFileTask task(&parent, "Reading...", work);
            const uint64_t nBefore = nRead;
            QTRY_VERIFY(nRead > nBefore);
        }
        QCOMPARE(nEnded.load(), 2);
    }

    void logsThatCannotBeShownAreToldAndNothingIsDrawnWrongly()
    {
        m_pApp = StartApp();
        ShowPlot();
        WriteFile(File("torn.LOG"), "PW 01 10 +1.5,09/12/2026,10:00:00\r\n"
                                    "PW 01 11 +2.5,09/12/2026,10:00:15\r\n"
                                    "PW 01 12 +3");
        OpenLog(File("torn.LOG"));
        QCOMPARE(CUiPrompts::MessagesShown().size(), 1);
        QVERIFY(CUiPrompts::MessagesShown().back().contains("was cut off and is left out"));
        Check(3);
        const Points torn = {{At(0), 10}, {At(15), 11}};
        QCOMPARE(Drawn(Plot()->graph(0)), torn);

        // Neither a file of another program nor an empty one replaces what is shown.
        WriteFile(File("other.csv"), "time,value\n2026-12-09 10:00:00,1.5\n");
        WriteFile(File("empty.LOG"), "");
        for (const char* szName : {"other.csv", "empty.LOG", "missing.LOG"}) {
            const qsizetype nShown = CUiPrompts::MessagesShown().size();
            OpenLog(File(szName));
            QCOMPARE(CUiPrompts::MessagesShown().size(), nShown + 1);
            const QString strSaid = CUiPrompts::MessagesShown().back();
            QVERIFY2(strSaid.contains(szName) && (strSaid.contains("holds no data messages") ||
                                                  strSaid.contains("could not be read")),
                     qPrintable(strSaid));
            QCOMPARE(Drawn(Plot()->graph(0)), torn);
        }

        // Records without stamps are numbered, and the page says so.
        WriteFile(File("plain.LOG"), "PW 01 5\r\nOK\r\nPW 01 6\r\n");
        OpenLog(File("plain.LOG"));
        QVERIFY(CUiPrompts::MessagesShown().back().contains("2 data messages have no time stamp"));
        QCOMPARE(Drawn(Plot()->graph(0)), (Points{{0, 5}, {1, 6}}));
        QVERIFY(Plot()->xAxis->label().contains("no time stamps"));
        QCOMPARE(ExportCsv("plain.csv"), std::string("time,field 3\n,5\n,6\n"));
    }

    void pauseRangeAutoscaleTheValueUnderTheMouseAndSavePlot()
    {
        m_pApp = StartApp();
        ShowPlot();
        const auto add = [this](int nSeconds, int nValue) {
            Page()->AddDataMessage(TimeOfSeconds(At(nSeconds)), "PW 01 " + std::to_string(nValue));
        };
        QComboBox* pRange = Control<QComboBox>("plotRangeCombo");
        pRange->setCurrentIndex(pRange->findText("All"));
        add(0, 100);
        add(400, 300);
        add(500, 200);
        QTRY_COMPARE(ValueShown(3), QString("200"));
        Check(3);
        QCOMPARE(Drawn(Plot()->graph(0)), (Points{{At(0), 100}, {At(400), 300}, {At(500), 200}}));
        QVERIFY(Plot()->yAxis->range().contains(100) && Plot()->yAxis->range().contains(300));
        QVERIFY(Plot()->yAxis->range().size() < 300);

        // Paused: the list goes on, the picture stands.
        Control<QCheckBox>("plotPauseCheck")->click();
        add(600, 900);
        QTRY_COMPARE(ValueShown(3), QString("900"));
        QCOMPARE(Drawn(Plot()->graph(0)).size(), size_t{3});
        Control<QCheckBox>("plotPauseCheck")->click();
        QCOMPARE(Drawn(Plot()->graph(0)).back(), std::make_pair(At(600), 900.0));

        // The last five minutes only; without autoscale the values axis stays put.
        pRange->setCurrentIndex(pRange->findText("5 min"));
        QCOMPARE(Drawn(Plot()->graph(0)), (Points{{At(400), 300}, {At(500), 200}, {At(600), 900}}));
        QCOMPARE(Plot()->xAxis->range().lower, At(300));
        Control<QCheckBox>("plotAutoscaleCheck")->click();
        Plot()->yAxis->setRange(0, 50);
        add(700, 1000);
        QTRY_COMPARE(Drawn(Plot()->graph(0)).back(), std::make_pair(At(700), 1000.0));
        QCOMPARE(Plot()->yAxis->range(), QCPRange(0, 50));

        // The value under the mouse names the point nearest it.
        Plot()->yAxis->setRange(0, 1200);
        Plot()->replot();
        const QPoint point(qRound(Plot()->xAxis->coordToPixel(At(600))), qRound(Plot()->yAxis->coordToPixel(900)));
        QTest::mouseMove(Plot(), point);
        QTRY_VERIFY2(Control<QLabel>("plotValueLabel")->text().startsWith("field 3: 900 at 09/12/2026 10:10:00"),
                     qPrintable(Control<QLabel>("plotValueLabel")->text()));

        CUiPrompts::SetNextFileName(QString::fromStdString(File("plot")));
        Control<QPushButton>("plotSaveButton")->click();
        const QImage saved(QString::fromStdString(File("plot.png")));
        QCOMPARE(saved.size(), Plot()->size());
    }
};

int main(int argc, char* argv[])
{
    return RunWithOwnSettings<DataPlotTest>(argc, argv);
}

#include "test_dataplot.moc"
