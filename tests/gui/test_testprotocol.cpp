// The "Test Protocol" page: the rule that picks the profile's choice and the
// test command, directly; then the page through its own controls, connected
// to the simulated sensor: its lists, the profile's values, what Start and
// Stop send and the sensor's test mode. The program's settings live in a
// folder of the test's own. Every wait is for a condition.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>

#include "GuiTestSupport.h"
#include "TempFolder.h"
#include "ui/ProgramSettings.h"
#include "pages/CConnectDlg.h"
#include "pages/TestModeCommands.h"
#include "shell/CDynamicTabCtrl.h"

using namespace halyard;
using namespace halyard::test;

namespace {

constexpr int kConnectWaitMs = 20000;
constexpr int kReplyWaitMs = 10000;

const QStringList kVisibilities = {"0.50", "1.50", "2.50", "3.50", "4.50", "5.50",
                                   "6.50", "7.50", "8.50", "9.50", "10.50"};

QStringList Items(const QComboBox* pCombo)
{
    QStringList items;
    for (int n = 0; n < pCombo->count(); ++n)
        items << pCombo->itemText(n);
    return items;
}

// The settings the program keeps, wherever the system keeps them.
QSettings Profile()
{
    return halyard::ProgramSettings();
}

}  // namespace

class TestModeRulesTest : public QObject {
    Q_OBJECT

private slots:
    void theLastChoiceWithinTheValueWins()
    {
        QCOMPARE(LastChoiceWithin(kVisibilities, "4.50"), 4);
        // "10.50" holds "0.50" as well.
        QCOMPARE(LastChoiceWithin(kVisibilities, "10.50"), 10);
        const QStringList times = {"00", "05", "10", "30", "60"};
        QCOMPARE(LastChoiceWithin(times, "100"), 2);
        QCOMPARE(LastChoiceWithin(times, "15"), -1);
        QCOMPARE(LastChoiceWithin({}, "05"), -1);
    }

    void everyFieldOfTheTestCommandHasItsComma()
    {
        QCOMPARE(TestModeCommand({"05", "4.50", 0, 0, "00"}), QString("TEST,05,4.50,0,0,00,"));
        QCOMPARE(TestModeCommand({"15", "3.25", 1, 2, "99"}), QString("TEST,15,3.25,1,2,99,"));
        // Nothing typed still leaves every field in its place.
        QCOMPARE(TestModeCommand({"", "", 0, 1, ""}), QString("TEST,,,0,1,,"));
    }
};

class TestProtocolPageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CHalyardApp> m_pApp;
    CHalyardView& View() { return m_pApp->View(); }
    sim::CSimSensor& Sensor() { return *m_pApp->Simulator(); }
    template <class T>
    T* Page(const char* szName)
    {
        return Find<T>(&View(), szName);
    }
    QComboBox* Combo(const char* szName) { return Page<QComboBox>(szName); }

    QStringList Received()
    {
        QStringList commands;
        for (const std::string& strCommand : Sensor().ReceivedCommands())
            commands << QString::fromStdString(strCommand);
        return commands;
    }

    // The program started (the page initialised from the profile as it is
    // now), connected, with the Test Protocol tab shown through the Options menu.
    void Open()
    {
        m_pApp = StartWithQuietSensor();
        QVERIFY(ConnectThroughPortSettings(View(), kConnectWaitMs));
        Find<QAction>(&m_pApp->Frame(), "testOptionAction")->trigger();
        QTabBar* pBar = View().TabCtrl().TabBar();
        QCOMPARE(pBar->tabText(View().m_nTestTab), QString("Test Protocol"));
        QTest::mouseClick(pBar, Qt::LeftButton, {}, pBar->tabRect(View().m_nTestTab).center());
        QTRY_VERIFY(Page<QWidget>("testProtocolPage")->isVisible());
        Sensor().ClearReceivedCommands();
    }

    // Types into an editable list as a person does: what it showed replaced.
    static void Type(QComboBox* pCombo, const char* szText)
    {
        pCombo->setFocus();
        pCombo->lineEdit()->selectAll();
        QTest::keyClicks(pCombo->lineEdit(), QString::fromLatin1(szText));
    }

    void StartAndWaitForTestMode(const QStringList& expected)
    {
        Page<QPushButton>("startTestButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(Received().size() >= expected.size(), kReplyWaitMs);
        QCOMPARE(Received(), expected);
        QTRY_VERIFY_WITH_TIMEOUT(Sensor().InTestMode(), kReplyWaitMs);
    }

private slots:
    void initTestCase() { CConnectDlg::SetTickPeriodForTests(250); }

    void cleanup()
    {
        StopApp(m_pApp);
        Profile().remove(QStringLiteral("Test Protocol"));
    }

    void listsHoldTheirChoicesWithTheDefaultsSelected()
    {
        Open();
        QCOMPARE(Items(Combo("testTimeCombo")), (QStringList{"00", "05", "10", "30", "60"}));
        QCOMPARE(Combo("testTimeCombo")->currentText(), QString("05"));
        QCOMPARE(Items(Combo("testVisibilityCombo")), kVisibilities);
        QCOMPARE(Combo("testVisibilityCombo")->currentIndex(), 4);
        QCOMPARE(Items(Combo("testFaultCombo")), (QStringList{"No Fault", "Fault"}));
        QCOMPARE(Items(Combo("testContaminationCombo")), (QStringList{"None", "Warning", "Fault"}));
        QCOMPARE(Items(Combo("testWeatherCodeCombo")), (QStringList{"00", "04", "30", "52", "62", "72"}));
        for (const char* szName : {"testFaultCombo", "testContaminationCombo", "testWeatherCodeCombo"})
            QCOMPARE(Combo(szName)->currentIndex(), 0);
        // Time, visibility and weather code may be typed; the conditions only chosen.
        QVERIFY(Combo("testTimeCombo")->isEditable());
        QVERIFY(Combo("testVisibilityCombo")->isEditable());
        QVERIFY(Combo("testWeatherCodeCombo")->isEditable());
        QVERIFY(!Combo("testFaultCombo")->isEditable());
        QVERIFY(!Combo("testContaminationCombo")->isEditable());
        // Each list is named by its label for screen readers.
        for (const QByteArray column :
             {"testTime", "testVisibility", "testFault", "testContamination", "testWeatherCode"})
            QCOMPARE(Page<QLabel>((column + "Label").constData())->buddy(),
                     Combo((column + "Combo").constData()));
        // Ids shared with other pages' controls bring none of their tooltips.
        QVERIFY(Page<QPushButton>("startTestButton")->toolTip().isEmpty());
        QVERIFY(Combo("testFaultCombo")->toolTip().isEmpty());
        SaveShot(&m_pApp->Frame(), "test_protocol.png");
    }

    void startSendsTheChosenConditionsAndStopEndsTestMode()
    {
        Open();
        StartAndWaitForTestMode({"CO", "TEST,05,4.50,0,0,00,"});

        Page<QPushButton>("stopTestButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(ListContains(View(), "TEST MODE OFF"), kReplyWaitMs);
        QCOMPARE(Received(), (QStringList{"CO", "TEST,05,4.50,0,0,00,", "TEST,0"}));
        QVERIFY(!Sensor().InTestMode());
    }

    void typedValuesGoOutAsTyped()
    {
        Open();
        QComboBox* pCode = Combo("testWeatherCodeCombo");
        pCode->setCurrentIndex(-1);
        Type(pCode, "99");
        // Typed over a selected choice, the typed text counts.
        Type(Combo("testTimeCombo"), "15");
        QCOMPARE(Combo("testTimeCombo")->currentIndex(), 1);
        Combo("testFaultCombo")->setCurrentIndex(1);
        Combo("testContaminationCombo")->setCurrentIndex(2);
        StartAndWaitForTestMode({"CO", "TEST,15,4.50,1,2,99,"});
        // Nothing typed becomes a choice.
        QCOMPARE(Combo("testWeatherCodeCombo")->count(), 6);
    }

    void profileValuesSelectTheirChoiceOrAreAdded()
    {
        QSettings profile = Profile();
        profile.setValue("Test Protocol/Time", "15");
        profile.setValue("Test Protocol/Viz", "10.50");
        profile.sync();
        Open();
        QCOMPARE(Items(Combo("testTimeCombo")), (QStringList{"00", "05", "10", "30", "60", "15"}));
        QCOMPARE(Combo("testTimeCombo")->currentIndex(), 5);
        QCOMPARE(Items(Combo("testVisibilityCombo")), kVisibilities);
        QCOMPARE(Combo("testVisibilityCombo")->currentIndex(), 10);
        StartAndWaitForTestMode({"CO", "TEST,15,10.50,0,0,00,"});
    }

    void withoutAConnectionTheUserIsTold()
    {
        Open();
        m_pApp->Doc().CloseConnection(false);
        QTRY_VERIFY(!m_pApp->Doc().IsConnected());
        const qsizetype nShown = CUiPrompts::MessagesShown().size();
        Page<QPushButton>("startTestButton")->click();
        QCOMPARE(CUiPrompts::MessagesShown().mid(nShown), QStringList{"Sensor Not Connected"});
        Page<QPushButton>("stopTestButton")->click();
        QCOMPARE(CUiPrompts::MessagesShown().mid(nShown),
                 (QStringList{"Sensor Not Connected", "Sensor Not Connected"}));
        QVERIFY(Received().isEmpty());
    }
};

int main(int argc, char* argv[])
{
    // The program's settings go to a folder of the test's own, never the user's.
    CTempFolder settings;
    if (!settings.IsValid())
        qFatal("no folder for the settings");
    ::setenv("XDG_CONFIG_HOME", settings.Path("config").c_str(), 1);
    QApplication app(argc, argv);
    int nStatus = 0;
    {
        TestModeRulesTest rules;
        nStatus |= QTest::qExec(&rules, argc, argv);
    }
    {
        TestProtocolPageTest page;
        nStatus |= QTest::qExec(&page, argc, argv);
    }
    return nStatus;
}

#include "test_testprotocol.moc"
