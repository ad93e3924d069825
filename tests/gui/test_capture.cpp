// The "Data Capture" page through its own controls, connected to the
// simulated sensor: starting and stopping a log, the file dialog's suggestion,
// refused numbers, failures to create or write the file, the page's state
// after the document stops logging, and polling. Every wait is for a condition.
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>

#include <filesystem>
#include <string>

#include "GuiTestSupport.h"
#include "TempFolder.h"
#include "document/CHalyardDoc.h"
#include "pages/CConnectDlg.h"
#include "shell/CDynamicTabCtrl.h"
#include "sim/SensorModel.h"
#include "sim/SimSensor.h"

using namespace halyard;
using namespace halyard::test;
using halyard::sim::CSensorModel;

namespace {
constexpr int kConnectWaitMs = 20000;
const QString kDonnees = QString::fromUtf8("Donn\xC3\xA9"
                                           "es");
}  // namespace

class CaptureTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CHalyardApp> m_pApp;
    std::unique_ptr<CTempFolder> m_pFolder;
    CHalyardView& View() { return m_pApp->View(); }
    CHalyardDoc& Doc() { return m_pApp->Doc(); }
    sim::CSimSensor& Sensor() { return *m_pApp->Simulator(); }
    template <class T>
    T* Page(const char* szName)
    {
        return Find<T>(&View(), szName);
    }
    QPushButton* StartButton() { return Page<QPushButton>("startLogButton"); }
    QPushButton* PollButton() { return Page<QPushButton>("startStopPollButton"); }

    // Types into a number field as a person does: all of it replaced.
    static void Type(QSpinBox* pField, const char* szText)
    {
        pField->setFocus();
        pField->selectAll();
        QTest::keyClicks(pField, QString::fromLatin1(szText));
    }

    void ShowTab(int nTab)
    {
        ClickTab(View(), nTab);
        QCOMPARE(View().TabCtrl().VisiblePage(), nTab);
    }

    void Connect()
    {
        QVERIFY(ConnectThroughPortSettings(View(), kConnectWaitMs));
        Sensor().ClearReceivedCommands();
        ShowTab(2);
    }

    // A folder with a name that is not ASCII, as the file dialog gives it.
    QString Folder()
    {
        const QString strFolder = QString::fromStdString(m_pFolder->Path()) + kDonnees;
        QDir().mkpath(strFolder);
        return strFolder;
    }

    static std::string OnDisk(const QString& strPath)
    {
        return ReadWholeFile(QFile::encodeName(strPath).toStdString());
    }

    bool IdleState()
    {
        return StartButton()->isEnabled() && Page<QRadioButton>("autoRYesRadio")->isEnabled() &&
               PollButton()->isEnabled() && Page<QPushButton>("stopLogButton")->isEnabled();
    }

    bool LoggingState()
    {
        for (const char* szName :
             {"startLogButton", "autoRYesRadio", "timestampNoRadio", "dailyOffRadio", "filePrefixEdit",
              "hourEdit", "minuteEdit", "pollTextEdit", "pollTimeEdit", "startStopPollButton",
              "pollTimeLabel", "resetAtStartCheck", "captureAtEndCheck"})
            if (Page<QWidget>(szName)->isEnabled())
                return false;
        return Page<QPushButton>("stopLogButton")->isEnabled();
    }

private slots:
    void initTestCase() { CConnectDlg::SetTickPeriodForTests(250); }

    void init()
    {
        m_pFolder = std::make_unique<CTempFolder>();
        QVERIFY(m_pFolder->IsValid());
        m_pApp = StartWithQuietSensor();
    }

    void cleanup()
    {
        StopApp(m_pApp);
        m_pFolder.reset();
    }

    void defaultsTooltipsAndNames()
    {
        Connect();
        QVERIFY(Page<QRadioButton>("autoRYesRadio")->isChecked());
        QVERIFY(Page<QRadioButton>("timestampYesRadio")->isChecked());
        QVERIFY(Page<QRadioButton>("dailyOnRadio")->isChecked());
        QCOMPARE(Page<QLineEdit>("filePrefixEdit")->text(), QString("LogFile"));
        QCOMPARE(Page<QSpinBox>("hourEdit")->value(), 0);
        QCOMPARE(Page<QSpinBox>("pollTimeEdit")->value(), 10);
        QVERIFY(Page<QCheckBox>("resetAtStartCheck")->isChecked());
        QVERIFY(Page<QCheckBox>("captureAtEndCheck")->isChecked());
        QVERIFY(Page<QCheckBox>("captureAtEndCheck")->isEnabled());
        QVERIFY(!Page<QRadioButton>("autoMYesRadio")->isVisible());
        QVERIFY(Page<QRadioButton>("autoXWNoRadio")->isChecked());
        QCOMPARE(StartButton()->toolTip(), QString("Start Logging"));
        QCOMPARE(Page<QLineEdit>("pollTextEdit")->toolTip(), QString("Enter command to Transmit"));
        QCOMPARE(Page<QLabel>("hourLabel")->toolTip(), QString("Time in Hours to change log file"));
        // Fields are named by their labels for screen readers.
        QAccessibleInterface* pHour = QAccessible::queryAccessibleInterface(Page<QSpinBox>("hourEdit"));
        QVERIFY(pHour != nullptr);
        QCOMPARE(pHour->text(QAccessible::Name), QString("HH"));

        // The arrows stay within the range; typing is checked when read.
        auto* pMinute = Page<QSpinBox>("minuteEdit");
        pMinute->setValue(58);
        pMinute->stepBy(5);
        QCOMPARE(pMinute->value(), 59);
        pMinute->setValue(0);
        pMinute->stepBy(-1);
        QCOMPARE(pMinute->value(), 0);

        Page<QRadioButton>("dailyOffRadio")->click();
        QVERIFY(!Page<QCheckBox>("resetAtStartCheck")->isEnabled());
        Page<QRadioButton>("dailyOnRadio")->click();
        QVERIFY(Page<QCheckBox>("resetAtStartCheck")->isEnabled());
        SaveShot(&m_pApp->Frame(), "data_capture.png");
    }

    void startWithTheDefaultsLogsIntoAFolderNamedInAnyScript()
    {
        Connect();
        const QString strChosen = Folder() + "/LogFile test";
        CUiPrompts::SetNextFileName(strChosen);
        StartButton()->click();
        QVERIFY(CUiPrompts::LastInitialName().contains(QRegularExpression(
            "^LogFile \\d\\d(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)\\d{4} \\d\\d\\.\\d\\d$")));
        QCOMPARE(CUiPrompts::LastFileFilter(), QString("Log Files (*.LOG *.log)"));
        QVERIFY(Doc().IsLogging());
        QVERIFY(LoggingState());
        SaveShot(&m_pApp->Frame(), "data_capture_logging.png");
        const QString strFile = strChosen + ".LOG";
        QCOMPARE(Doc().GetLogPathName(), QFile::encodeName(strFile).toStdString());
        QVERIFY(Doc().IsAutoR() && Doc().IsTimestamp() && Doc().IsDailyCapture() && Doc().IsResetA() &&
                Doc().IsCaptureA());
        QCOMPARE(Doc().GetLogPrefix(), QFile::encodeName(Folder() + "/LogFile").toStdString());

        // The file starts with the reset marker; a data message gets an "R?" after it.
        Sensor().SendLine(" 00,PW,1234,0.12");
        QTRY_VERIFY(Sensor().ReceivedCommands().size() >= 3);  // AC, AC, R?
        QCOMPARE(Sensor().ReceivedCommands()[2], std::string("R?"));
        QTRY_VERIFY(OnDisk(strFile).find("REM 00,") != std::string::npos);
        const std::string strLog = OnDisk(strFile);
        QVERIFY(strLog.rfind("AC\r\n", 0) == 0);
        QVERIFY(strLog.find(" 00,PW,1234,0.12,") != std::string::npos);
        QTRY_COMPARE(m_pApp->Frame().Pane(2)->text(), QString("No. Records: %1").arg(Doc().GetRecords()));

        Page<QPushButton>("stopLogButton")->click();
        QVERIFY(!Doc().IsLogging());
        QVERIFY(IdleState());
        QTRY_COMPARE(m_pApp->Frame().Pane(2)->text(), QString("No. Records: 0"));
        QTRY_VERIFY(Sensor().ReceivedCommands().back() == "A?");
    }

    void theSensorsOwnDataMessagesReachTheFileAsTheyCome()
    {
        Connect();
        Page<QRadioButton>("dailyOffRadio")->click();
        Page<QRadioButton>("autoRNoRadio")->click();
        const QString strFile = Folder() + "/mast.LOG";
        CUiPrompts::SetNextFileName(strFile);
        StartButton()->click();
        QVERIFY(Doc().IsLogging());
        // As started by the run script: data messages of its own every 10 s.
        Sensor().SetOpState(CSensorModel::kAutoSendBit);
        // The answers to the two "AC", then the data message.
        QTRY_COMPARE_WITH_TIMEOUT(Doc().GetRecords(), 3u, 30000);
        const std::string strLog = OnDisk(strFile);
        QVERIFY(strLog.rfind("AC\r\n", 0) == 0);
        const size_t nLast = strLog.rfind("\r\n", strLog.size() - 3) + 2;
        const QString strRecord = QString::fromStdString(strLog.substr(nLast, strLog.size() - nLast - 2));
        // The record is the line as listed, with the time stamp after it.
        const QString strListed = View().DataList().Lines().constLast();
        QVERIFY2(strRecord.startsWith(strListed + ","), qPrintable(strRecord + " / " + strListed));
        QVERIFY(strRecord.contains(QRegularExpression(",\\d\\d/\\d\\d/\\d{4},\\d\\d:\\d\\d:\\d\\d$")));
    }

    void refusedNumbersStartNothing()
    {
        Connect();
        auto* pHour = Page<QSpinBox>("hourEdit");
        Type(pHour, "24");
        StartButton()->click();
        QCOMPARE(CUiPrompts::MessagesShown().value(0), QString("Please enter an integer between 0 and 23."));
        QVERIFY2(CUiPrompts::LastFileFilter().isEmpty(), "no file dialog after a refused value");
        QVERIFY(!Doc().IsLogging());
        QVERIFY(IdleState());

        Type(pHour, "23");
        Type(Page<QSpinBox>("pollTimeEdit"), "601");
        PollButton()->click();
        QCOMPARE(CUiPrompts::MessagesShown().value(1), QString("Please enter an integer between 0 and 600."));
        QCOMPARE(PollButton()->text(), QString("Start"));
    }

    void aFileThatCannotBeCreatedIsReportedAndThePageStaysIdle()
    {
        Connect();
        Page<QRadioButton>("dailyOffRadio")->click();
        const QString strPath = Folder() + "/missing/run.LOG";
        CUiPrompts::SetNextFileName(strPath);
        StartButton()->click();
        QVERIFY(IdleState());
        QTRY_VERIFY(!CUiPrompts::MessagesShown().isEmpty());
        const QString strMessage = CUiPrompts::MessagesShown().front();
        QVERIFY2(strMessage.contains(strPath) && strMessage.contains("No such file or directory"),
                 qPrintable(strMessage));
        QVERIFY(ListContains(View(), "Logging not started: the log file could not be created"));
        QVERIFY(IdleState());
        QVERIFY2(!Page<QCheckBox>("resetAtStartCheck")->isEnabled(), "daily capture is Off");
    }

    void aWriteErrorOnAnotherTabStopsLoggingAndTellsOnce()
    {
        Connect();
        Page<QRadioButton>("dailyOffRadio")->click();
        Page<QRadioButton>("autoRNoRadio")->click();
        // A log on a full disk: the file is there, nothing can be written.
        const std::string strLink = m_pFolder->Path("full.LOG");
        std::filesystem::create_symlink("/dev/full", strLink);
        CUiPrompts::SetNextFileName(QString::fromStdString(strLink));
        Page<QCheckBox>("resetAtStartCheck")->setChecked(false);
        StartButton()->click();
        QVERIFY(Doc().IsLogging());
        ShowTab(1);
        Sensor().SendLine(" 00,PW,1234,0.12");
        Sensor().SendLine(" 00,PW,1235,0.12");
        QTRY_VERIFY(ListContains(View(), "Logging stopped: the log file could not be written"));
        QTRY_VERIFY(ListContains(View(), " 00,PW,1235,0.12"));
        QCOMPARE(CUiPrompts::MessagesShown().size(), 1);
        QVERIFY(CUiPrompts::MessagesShown().front().contains("No space left on device"));
        QVERIFY(!Doc().IsLogging());
        ShowTab(2);
        QVERIFY(IdleState());
    }

    void closingTheConnectionReturnsThePageToIdle()
    {
        Connect();
        Page<QRadioButton>("dailyOffRadio")->click();
        CUiPrompts::SetNextFileName(Folder() + "/close.LOG");
        StartButton()->click();
        QVERIFY(LoggingState());
        Doc().CloseConnection(false);
        QTRY_VERIFY(ListContains(View(), "Logging stopped: connection closed"));
        QVERIFY(IdleState());
        QVERIFY2(CUiPrompts::MessagesShown().isEmpty(), "a closed connection is no file failure");
    }

    void pollingSendsAtOnceAndAfterEachPeriod()
    {
        Connect();
        Page<QLineEdit>("pollTextEdit")->setText("r?");
        Type(Page<QSpinBox>("pollTimeEdit"), "1");
        Sensor().ClearReceivedCommands();
        PollButton()->click();
        QCOMPARE(PollButton()->text(), QString("Stop"));
        QTRY_VERIFY(Sensor().ReceivedCommands().size() >= 1);
        QCOMPARE(Sensor().ReceivedCommands()[0], std::string("R?"));
        QTRY_VERIFY_WITH_TIMEOUT(Sensor().ReceivedCommands().size() >= 2, 5000);
        QCOMPARE(Sensor().ReceivedCommands()[1], std::string("R?"));
        PollButton()->click();
        QCOMPARE(PollButton()->text(), QString("Start"));
        QTRY_VERIFY(!View().Timers().IsRunning(TIMER_POLL));

        // Polling stops with the connection, and the button says so.
        PollButton()->click();
        QTRY_VERIFY(View().Timers().IsRunning(TIMER_POLL));
        Doc().CloseConnection(false);
        QTRY_COMPARE(PollButton()->text(), QString("Start"));
        QTRY_VERIFY(!View().Timers().IsRunning(TIMER_POLL));

        // A period of 0 or an empty command is refused with a reason.
        Type(Page<QSpinBox>("pollTimeEdit"), "0");
        PollButton()->click();
        QCOMPARE(PollButton()->text(), QString("Start"));
        QVERIFY(CUiPrompts::MessagesShown().back().contains("at least 1 second"));
        Page<QLineEdit>("pollTextEdit")->clear();
        Type(Page<QSpinBox>("pollTimeEdit"), "10");
        PollButton()->click();
        QCOMPARE(PollButton()->text(), QString("Start"));
        QCOMPARE(CUiPrompts::MessagesShown().size(), 2);
    }
};

QTEST_MAIN(CaptureTest)
#include "test_capture.moc"
