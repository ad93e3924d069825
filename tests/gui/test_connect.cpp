// Connecting through the real Connect button and the real "Connect to Sensor"
// dialog to a simulated sensor on a pseudo-terminal, talking to it from the
// terminal page, and closing again. Every wait is for a condition.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>

#include <chrono>
#include <thread>

#include "GuiTestSupport.h"
#include "document/CHalyardDoc.h"
#include "pages/CConnectDlg.h"
#include "platform/PortTable.h"
#include "shell/CDynamicTabCtrl.h"
#include "sim/SimSensor.h"

using namespace halyard;
using namespace halyard::test;
using namespace std::chrono_literals;

namespace {
constexpr int kConnectWaitMs = 20000;  // the dialog alone takes under two seconds at the test tick
}

class ConnectTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CHalyardApp> m_pApp;
    CMainFrame& Frame() { return m_pApp->Frame(); }
    CHalyardView& View() { return m_pApp->View(); }
    sim::CSimSensor& Sensor() { return *m_pApp->Simulator(); }
    QPushButton* ConnectButton() { return Find<QPushButton>(&View(), "connectButton"); }
    CDynamicLED* Lamp() { return Find<CDynamicLED>(&View(), "connectLed"); }

    void Start(const char* szModel)
    {
        AppOptions options;
        options.bSimulate = true;
        options.strSimModel = szModel;
        m_pApp = StartApp(options);
        // Its data messages would come between the lines these tests look at.
        Sensor().SetOpState(0);
    }

    void SelectPort(int nPort)
    {
        auto* pCombo = Find<QComboBox>(&View(), "portCombo");
        const int nIndex = pCombo->findData(nPort);
        QVERIFY(nIndex >= 0);
        QVERIFY(pCombo->itemText(nIndex).startsWith(QString("COM%1  /dev/").arg(nPort)));
        pCombo->setCurrentIndex(nIndex);
    }

    void ConnectTo(int nPort)
    {
        SelectPort(nPort);
        ConnectButton()->click();  // runs the connect dialog until it closes
        QTRY_VERIFY_WITH_TIMEOUT(ListContains(View(), "Connected to Sensor"), kConnectWaitMs);
    }

    void CloseConnection()
    {
        if (!m_pApp->Doc().IsConnected())
            return;
        ConnectButton()->click();
        QTRY_VERIFY(ListContains(View(), "Connection Closed"));
    }

    void ShowTerminal()
    {
        QTabBar* pBar = View().TabCtrl().TabBar();
        QTest::mouseClick(pBar, Qt::LeftButton, {}, pBar->tabRect(1).center());
        QCOMPARE(View().TabCtrl().VisiblePage(), 1);
    }

    bool SensorGot(const std::string& strCommand)
    {
        for (const std::string& strReceived : Sensor().ReceivedCommands())
            if (strReceived == strCommand)
                return true;
        return false;
    }

    int IndexOfLine(const QString& strLine) { return View().DataList().Lines().indexOf(strLine); }

private slots:
    void initTestCase()
    {
        // The dialog steps four times a second instead of once: the same
        // steps and countdown, a quarter of the wait.
        CConnectDlg::SetTickPeriodForTests(250);
    }

    void cleanup()
    {
        if (m_pApp)
            CloseConnection();
        m_pApp.reset();
    }

    void connectTalkAndClose()
    {
        Start("ZRT-630");
        const int nPort = m_pApp->SimulatedPort();
        QVERIFY(nPort > 0);
        // Started with a simulated sensor, its port is the one selected.
        QCOMPARE(Find<QComboBox>(&View(), "portCombo")->currentData().toInt(), nPort);
        QCOMPARE(LampCentre(Lamp()), QColor(250, 0, 0));
        QCOMPARE(ConnectButton()->text(), QString("Connect"));
        QVERIFY(Find<QRadioButton>(&View(), "baud9600Radio")->isChecked());
        QTRY_VERIFY(!Frame().ToolBar()->isVisible());
        SaveShot(&Frame(), "main_disconnected.png");

        // Watch the "Connect to Sensor" window while it runs.
        QStringList statuses;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            QWidget* pModal = QApplication::activeModalWidget();
            if (pModal == nullptr || pModal->objectName() != "connectDlg")
                return;
            statuses << pModal->windowTitle() + "|" + Find<QLabel>(pModal, "connectStatus")->text();
            if (statuses.size() == 1)
                SaveShot(pModal, "connect_dialog.png");
        });
        watcher.start(50);
        ConnectTo(nPort);
        watcher.stop();
        QVERIFY(statuses.contains("Connect to Sensor|Found ZRT-630"));
        QVERIFY(m_pApp->Doc().IsConnected());
        QTRY_COMPARE(LampCentre(Lamp()), QColor(0, 250, 0));
        QCOMPARE(ConnectButton()->text(), QString("Close"));
        QVERIFY(!Find<QRadioButton>(&View(), "baud1200Radio")->isEnabled());
        QVERIFY(!Find<QComboBox>(&View(), "portCombo")->isEnabled());
        QVERIFY(Find<QPushButton>(&View(), "checkPortsButton")->isEnabled());
        QVERIFY(Frame().windowTitle().startsWith(QString("COM%1").arg(nPort)));
        QTRY_COMPARE(Frame().Pane(0)->text(), QString("Settings:  COM%1 9600,n,8,1").arg(nPort));

        // Terminal: a quick command fills the command line and goes out.
        ShowTerminal();
        QWidget* pTerminal = Find<QWidget>(&View(), "terminalPage");
        auto* pEdit = Find<QLineEdit>(pTerminal, "commandEdit");
        QVERIFY(Find<QPushButton>(&View(), "ctButton")->isVisible());  // not a PQD sensor
        Find<QPushButton>(&View(), "tm30Button")->click();
        QCOMPARE(pEdit->text(), QString("TM30"));
        QVERIFY(Sensor().WaitForCommands(1, 10s));
        QTRY_VERIFY(SensorGot("TM30"));
        QTRY_VERIFY(ListContains(View(), "TM30"));

        // Clicking into the command line clears it; typed text goes out in upper case.
        Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Frame()));
        QTest::mouseClick(pEdit, Qt::LeftButton);
        QTRY_COMPARE(pEdit->text(), QString());
        QTest::keyClicks(pEdit, "os?");
        Find<QPushButton>(pTerminal, "sendButton")->click();
        QCOMPARE(pEdit->text(), QString());
        QTRY_VERIFY(SensorGot("OS?"));
        // Only a to z are upper-cased: 8-bit bytes go out as typed.
        pEdit->setText(QString::fromLatin1("a\xFF\xB5\xDF\xE9z"));
        Find<QPushButton>(pTerminal, "sendButton")->click();
        QTRY_VERIFY(SensorGot("A\xFF\xB5\xDF\xE9Z"));
        // The echo, then the sensor's reply below it.
        QTRY_VERIFY(IndexOfLine("OS?") >= 0);
        QTRY_VERIFY_WITH_TIMEOUT(View().DataList().count() > IndexOfLine("OS?") + 1, 10000);

        // Enter in the command line presses Send.
        QTest::keyClicks(pEdit, "pv?");
        QTest::keyClick(pEdit, Qt::Key_Return);
        QTRY_VERIFY(SensorGot("PV?"));
        QVERIFY(View().TabCtrl().VisiblePage() == 1);

        // Automatic "R?" after a data message.
        m_pApp->Doc().Host().Views().PostMessage(WM_AUTO_R_START, 1, 0);
        QTRY_VERIFY(View().Schedule().m_bAutoR);
        Sensor().ClearReceivedCommands();
        Sensor().SendLine(" 00,PW,1234,0.12");
        QTRY_VERIFY_WITH_TIMEOUT(SensorGot("R?"), 10000);
        QTRY_VERIFY(!View().Schedule().m_bAutoRPending);
        SaveShot(&Frame(), "main_connected.png");

        CloseConnection();
        QCOMPARE(LampCentre(Lamp()), QColor(250, 0, 0));
        QCOMPARE(ConnectButton()->text(), QString("Connect"));
        QVERIFY(Find<QRadioButton>(&View(), "baud1200Radio")->isEnabled());
        QVERIFY(Find<QComboBox>(&View(), "portCombo")->isEnabled());
        QTRY_COMPARE(Frame().Pane(0)->text(), QString("Settings: "));
        QCOMPARE(Frame().windowTitle(), QString("ORVAN Halyard"));
    }

    void aBurstTooLargeForTheQueueIsToldInTheList()
    {
        Start("ZRT-630");
        ConnectTo(m_pApp->SimulatedPort());
        CHalyardDoc& doc = m_pApp->Doc();
        // Whatever the sensor still had to say (a late answer to the
        // identification) is listed before the burst begins.
        Sensor().SendLine("READY");
        QTRY_VERIFY(ListContains(View(), "READY"));
        for (int i = 0; i < 400; ++i)
            Sensor().SendLine(QString("L%1").arg(i, 3, 10, QChar('0')).toStdString());
        // A busy UI thread: the frame takes helping after helping off the port
        // before the view reads any. The queue keeps the first 40 lines.
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (doc.GetLinesDropped() < 360 && std::chrono::steady_clock::now() < deadline) {
            doc.CommsDataReceived(true);
            std::this_thread::sleep_for(1ms);
        }
        QCOMPARE(doc.GetLinesDropped(), 360);
        const QString strNotice("(360 lines not shown: they came in faster than they could be shown)");
        QTRY_VERIFY(ListContains(View(), strNotice));
        QCOMPARE(IndexOfLine(strNotice), IndexOfLine("L039") + 1);
        QCOMPARE(View().DataList().Lines().count(strNotice), 1);

        // What comes after the burst is listed after the notice.
        Sensor().SendLine("L400");
        QTRY_VERIFY(IndexOfLine("L400") > IndexOfLine(strNotice));
    }

    void rs485AddressFramesTheEcho()
    {
        Start("ZRT-630");
        ConnectTo(m_pApp->SimulatedPort());
        Find<QAction>(&Frame(), "rs485OptionAction")->trigger();
        auto* pAddress = Find<QLineEdit>(&View(), "sensorAddress");
        pAddress->setText("7");
        Find<QCheckBox>(&View(), "rs485Check")->click();
        QCOMPARE(m_pApp->Doc().IsRS485(), true);
        QCOMPARE(m_pApp->Doc().GetAddress(), uint16_t(7));
        // The document's confirmation must not put the old address back.
        QCoreApplication::sendPostedEvents();
        QCOMPARE(pAddress->text(), QString("7"));
        QVERIFY(Find<QCheckBox>(&View(), "rs485Check")->isChecked());

        ShowTerminal();
        Find<QPushButton>(&View(), "osQuestionButton")->click();
        QTRY_VERIFY(!View().DataList().Lines().filter(QRegularExpression("^:07OS\\?[0-9A-F]{2}$")).isEmpty());

        // A connection closed elsewhere (not by the page's button) still
        // brings the page back to "not connected".
        m_pApp->Doc().CloseConnection(false);
        QTRY_VERIFY(ListContains(View(), "Connection Closed"));
        QTRY_COMPARE(ConnectButton()->text(), QString("Connect"));
        QCOMPARE(LampCentre(Lamp()), QColor(250, 0, 0));
        QVERIFY(Find<QComboBox>(&View(), "portCombo")->isEnabled());

        // The terminal page is still shown; its buttons now say why nothing goes out.
        QCOMPARE(View().TabCtrl().VisiblePage(), 1);
        CUiPrompts::Reset();
        Find<QPushButton>(&View(), "osQuestionButton")->click();
        QCOMPARE(CUiPrompts::MessagesShown(), QStringList{"Sensor Not Connected"});
    }

    void addressOutOfRangeIsRefused()
    {
        Start("ZRT-630");
        Find<QAction>(&Frame(), "rs485OptionAction")->trigger();
        auto* pAddress = Find<QLineEdit>(&View(), "sensorAddress");
        pAddress->setText("123");
        Find<QCheckBox>(&View(), "rs485Check")->click();
        QCOMPARE(CUiPrompts::MessagesShown(), QStringList{"Please enter an integer between 0 and 99."});
        QCOMPARE(m_pApp->Doc().GetAddress(), uint16_t(0));
        QCOMPARE(m_pApp->Doc().IsRS485(), false);
        QCOMPARE(pAddress->text(), QString("0"));
    }

    void portWithoutSensorFails()
    {
        Start("ZRT-630");
        sim::CSimSensor silent;
        silent.SetFault(sim::Fault::Silent, true);
        QVERIFY(silent.Start());
        const int nPort = CPortTable::Instance().RegisterSimulated(silent.DevicePath(), "silent");
        Find<QPushButton>(&View(), "checkPortsButton")->click();
        SelectPort(nPort);
        ConnectButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            ListContains(View(), "Failed to connect to sensor, check Port and baud rate"), kConnectWaitMs);
        QVERIFY(!m_pApp->Doc().IsConnected());
        QCOMPARE(ConnectButton()->text(), QString("Connect"));
        QCOMPARE(LampCentre(Lamp()), QColor(250, 0, 0));
        CPortTable::Instance().Unregister(nPort);
    }

    void portThatCannotBeOpenedSaysWhy()
    {
        Start("ZRT-630");
        const int nPort = CPortTable::Instance().RegisterSimulated("/nonexistent/ttyHALYARD", "gone");
        Find<QPushButton>(&View(), "checkPortsButton")->click();
        auto* pCombo = Find<QComboBox>(&View(), "portCombo");
        pCombo->setCurrentIndex(pCombo->findData(nPort));
        ConnectButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            ListContains(View(), "Failed to connect to sensor, check Port and baud rate"), kConnectWaitMs);
        QCOMPARE(CUiPrompts::MessagesShown(),
                 QStringList{QString("COM%1 could not be opened.\nNo such file or directory").arg(nPort)});
        QCOMPARE(ConnectButton()->text(), QString("Connect"));
        CPortTable::Instance().Unregister(nPort);
    }

    void enterOnAFocusedButtonPressesThatButton()
    {
        Start("ZRT-630");
        ConnectTo(m_pApp->SimulatedPort());
        ShowTerminal();
        QWidget* pTerminal = Find<QWidget>(&View(), "terminalPage");
        Find<QLineEdit>(pTerminal, "commandEdit")->setText("SN?");
        auto* pReset = Find<QPushButton>(pTerminal, "resetButton");
        Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Frame()));
        pReset->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(pReset->hasFocus());
        Sensor().ClearReceivedCommands();
        QTest::keyClick(pReset, Qt::Key_Return);
        QTRY_VERIFY(SensorGot("RST"));
        QVERIFY(!SensorGot("SN?"));

        // Space is a click too.
        Sensor().ClearReceivedCommands();
        QTest::keyClick(pReset, Qt::Key_Space);
        QTRY_VERIFY(SensorGot("RST"));
    }

    void ctButtonHiddenForPQDSensors()
    {
        Start("PQD-025");
        ConnectTo(m_pApp->SimulatedPort());
        QVERIFY(m_pApp->Doc().IsPQDSensor());
        ShowTerminal();
        QVERIFY(!Find<QPushButton>(&View(), "ctButton")->isVisible());
        // Send before the command line was ever focused: the prompt text is
        // an ordinary value and goes out in upper case.
        QWidget* pTerminal = Find<QWidget>(&View(), "terminalPage");
        Find<QPushButton>(pTerminal, "sendButton")->click();
        QTRY_VERIFY(SensorGot("TYPE COMMAND TO SEND HERE"));
        QCOMPARE(Find<QLineEdit>(pTerminal, "commandEdit")->text(), QString());
        QVERIFY(Find<QPushButton>(&View(), "cxButton")->isVisible());
    }
};

QTEST_MAIN(ConnectTest)
#include "test_connect.moc"
