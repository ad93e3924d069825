// The "Sensor Settings" page through its own controls against the simulated
// sensor: the registers read when the page is shown, an update written in its
// paced sequence, the confirmation, and the two faults it must not have:
// writing registers it has not read, and an update that stalls unseen.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>

#include "GuiTestSupport.h"
#include "document/CHalyardDoc.h"
#include "pages/CConnectDlg.h"
#include "resources/Resource.h"
#include "shell/CDynamicTabCtrl.h"

using namespace halyard;
using namespace halyard::test;

namespace {
constexpr int kConnectWaitMs = 20000;
constexpr uint16_t kState = 0x0040;    // polled output, window heaters 01
constexpr uint16_t kOptions = 0x0021;  // checksum on, date and time
}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CHalyardApp> m_pApp;
    QString m_strConfirmation;  // what the last confirmation asked
    CHalyardView& View() { return m_pApp->View(); }
    CHalyardDoc& Doc() { return m_pApp->Doc(); }
    sim::CSimSensor& Sensor() { return *m_pApp->Simulator(); }
    QWidget* Page() { return Find<QWidget>(&View(), "sensorSettingsPage"); }
    QRadioButton* Radio(int nId)
    {
        return Find<QRadioButton>(Page(), QStringLiteral("radio%1").arg(nId).toLatin1().constData());
    }
    QPushButton* UpdateButton() { return Find<QPushButton>(Page(), "updateSettingsButton"); }
    QString OpStateText() { return Find<QLineEdit>(Page(), "opStateEdit")->text(); }
    QString OptionsText() { return Find<QLineEdit>(Page(), "optionsEdit")->text(); }

    void ConnectAndShowSettings()
    {
        Sensor().SetOpState(kState);
        Sensor().SetOptions(kOptions);
        QVERIFY(ConnectThroughPortSettings(View(), kConnectWaitMs));
        Sensor().ClearReceivedCommands();
        ShowSettings();
    }

    void ShowSettings()
    {
        ClickTab(View(), 3);
        QCOMPARE(View().TabCtrl().VisiblePage(), 3);
    }

    void AnswerConfirmation(const char* szButton)
    {
        AnswerConfirmationWhenShown(this, szButton, &m_strConfirmation);
    }

private slots:
    void initTestCase() { CConnectDlg::SetTickPeriodForTests(250); }
    void init() { m_pApp = StartWithQuietSensor(); }
    void cleanup() { StopApp(m_pApp); }

    void showingThePageReadsBothRegisters()
    {
        ConnectAndShowSettings();
        // Update before the registers were read writes nothing.
        UpdateButton()->click();
        QCOMPARE(CUiPrompts::MessagesShown().value(0), QString("Sensor settings have not been read yet"));
        QTRY_COMPARE(OptionsText(), QString("00000000,00100001"));
        QTRY_COMPARE(OpStateText(), QString("00000000,01000000"));
        QCOMPARE(Sensor().ReceivedCommands(), (std::vector<std::string>{"OP?", "V9?"}));
        QVERIFY(Radio(IDC_POLLED)->isChecked());
        QVERIFY(Radio(IDC_WINDOW_AUTO)->isChecked());
        QVERIFY(Radio(IDC_CHECKSUM_ON)->isChecked());
        QVERIFY(Radio(IDC_DATETIME_YES)->isChecked());
        QVERIFY(Radio(IDC_RS485_OFF)->isChecked());
        QVERIFY(!Radio(IDC_EXCO_YES)->isVisible());
        QCOMPARE(Radio(IDC_POLLED)->toolTip(), QString("Send Data Message when receive D? command"));
        SaveShot(&m_pApp->Frame(), "sensor_settings.png");

        // Declining the confirmation sends nothing.
        Sensor().ClearReceivedCommands();
        AnswerConfirmation("noButton");
        UpdateButton()->click();
        QCOMPARE(m_strConfirmation, QString("This will change the way the Sensor Operates."));
        QVERIFY(UpdateButton()->isEnabled());
        // A command sent now reaches the sensor after anything the answer sent.
        QVERIFY(Doc().SendCommand("R?", true));
        QTRY_VERIFY(!Sensor().ReceivedCommands().empty());
        QCOMPARE(Sensor().ReceivedCommands(), (std::vector<std::string>{"R?"}));
    }

    void updateWritesOsThenCoThenOp()
    {
        ConnectAndShowSettings();
        QTRY_COMPARE(OpStateText(), QString("00000000,01000000"));
        Radio(IDC_AUTOMATIC)->click();
        Radio(IDC_HOOD_OFF)->click();
        Radio(IDC_DATETIME_NO)->click();
        QCOMPARE(OpStateText(), QString("00000000,01001001"));
        QCOMPARE(OptionsText(), QString("00000000,00100000"));
        Sensor().ClearReceivedCommands();
        AnswerConfirmation("yesButton");
        UpdateButton()->click();
        QVERIFY(!UpdateButton()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(UpdateButton()->isEnabled(), 15000);
        QCOMPARE(Sensor().ReceivedCommands(),
                 (std::vector<std::string>{"OS0000000001001001", "CO", "OP0000000000100000"}));
        QCOMPARE(Sensor().GetOpState(), uint16_t{0x0049});
        QCOMPARE(Sensor().GetOptions(), uint16_t{0x0020});
    }

    void rs485OnMakesTheNextCommandAddressed()
    {
        ConnectAndShowSettings();
        QTRY_COMPARE(OpStateText(), QString("00000000,01000000"));
        Radio(IDC_RS485_ON)->click();
        AnswerConfirmation("yesButton");
        UpdateButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(UpdateButton()->isEnabled(), 15000);
        QCOMPARE(Doc().IsRS485(), true);
        Sensor().ClearReceivedCommands();
        QVERIFY(Doc().SendCommand("R?", true));
        QTRY_COMPARE(Sensor().ReceivedCommands(), (std::vector<std::string>{"R?"}));
        QCOMPARE(Sensor().RejectedLines(), size_t{0});
    }

    void aPqdSensorKeepsItsMessageFormatUntouchable()
    {
        Sensor().SetOpState(0x0060);  // compressed, window heaters 01
        QVERIFY(ConnectThroughPortSettings(View(), kConnectWaitMs));
        QVERIFY(Doc().IsDataMessage("PQD025 data"));  // a PQD-series data message sets the flag
        ShowSettings();
        QTRY_COMPARE(OpStateText(), QString("00000000,01100000"));
        QVERIFY(Radio(IDC_COMPRESSED)->isChecked());
        QVERIFY(!Radio(IDC_COMPRESSED)->isEnabled());
        QVERIFY(!Radio(IDC_EXPANDED)->isEnabled());
        Sensor().ClearReceivedCommands();
        AnswerConfirmation("yesButton");
        UpdateButton()->click();
        QTRY_VERIFY(!Sensor().ReceivedCommands().empty());
        QCOMPARE(Sensor().ReceivedCommands().front(), std::string("OS0000000001100000"));
    }

    void anUpdateWhoseSensorFallsSilentIsGivenUp()
    {
        ConnectAndShowSettings();
        QTRY_COMPARE(OpStateText(), QString("00000000,01000000"));
        Sensor().SetFault(sim::Fault::Silent, true);
        AnswerConfirmation("yesButton");
        UpdateButton()->click();
        QVERIFY(!UpdateButton()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(
            ListContains(View(), "Sensor settings update stopped: no reply from the sensor"), 20000);
        QVERIFY(UpdateButton()->isEnabled());
        QCOMPARE(Sensor().ReceivedCommands().back(), std::string("OS0000000001000000"));
    }
};

QTEST_MAIN(SettingsTest)
#include "test_settings.moc"
