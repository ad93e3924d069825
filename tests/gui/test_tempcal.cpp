// The "PQD Temperature Calibration" page through its own controls against a
// simulated PQD-025: the read-out, refused input, a whole calibration with
// its parameter upload and settle delay, and the read-out after it.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>

#include "GuiTestSupport.h"
#include "document/CHalyardDoc.h"
#include "pages/CConnectDlg.h"
#include "pages/CTempCalibPage.h"
#include "shell/CDynamicTabCtrl.h"

using namespace halyard;
using namespace halyard::test;

class TempCalTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CHalyardApp> m_pApp;
    CHalyardView& View() { return m_pApp->View(); }
    sim::CSimSensor& Sensor() { return *m_pApp->Simulator(); }
    CTempCalibPage* Page() { return Find<CTempCalibPage>(&View(), "tempCalibPage"); }
    QLineEdit* Edit(const char* szName) { return Find<QLineEdit>(Page(), szName); }

    void ConnectAndShowPage()
    {
        QVERIFY(ConnectThroughPortSettings(View()));
        View().OnOptionsTempcaloption();
        QVERIFY(View().m_nTempCalTab >= 0);
        Sensor().ClearReceivedCommands();
        ClickTab(View(), View().m_nTempCalTab);
        QCOMPARE(View().CurrentPage(), 6);
    }

    void Calibrate(const char* szReference)
    {
        Edit("refTempEdit")->setText(QString::fromLatin1(szReference));
        Find<QPushButton>(Page(), "calibrateButton")->click();
    }

    QString Status() { return Find<QLabel>(Page(), "calStatus")->text(); }

    void WaitForReadOut()
    {
        QTRY_VERIFY_WITH_TIMEOUT(Page()->m_nReadStage == 2 && !Page()->m_bReading, 10000);
    }

private slots:
    void initTestCase()
    {
        CConnectDlg::SetTickPeriodForTests(250);
        CTempCalibPage::SetSettleTickMsForTests(20);
    }

    void init()
    {
        AppOptions options;
        options.bSimulate = true;
        options.strSimModel = "PQD-025";
        m_pApp = StartApp(options);
        Sensor().SetOpState(0);
    }

    void cleanup() { StopApp(m_pApp); }

    void aCalibrationMakesTheSensorReadTheReference()
    {
        ConnectAndShowPage();
        // Before the read-out has both values nothing is computed.
        Calibrate("20.0");
        QCOMPARE(CUiPrompts::MessagesShown().value(0), QString("Sensor values have not been read yet"));
        QTRY_COMPARE_WITH_TIMEOUT(Edit("sensorTempEdit")->text(), QString("21.3"), 10000);
        QCOMPARE(Sensor().ReceivedCommands(), (std::vector<std::string>{"V63?", "R?"}));
        QCOMPARE(Edit("sensorTempEdit")->toolTip(), QString("Internal Temperature"));
        SaveShot(&m_pApp->Frame(), "temp_calibration.png");

        // A reference that is not a number in full reaches nothing.
        Calibrate("20,5x");
        QCOMPARE(CUiPrompts::MessagesShown().value(1), QString("Reference Temperature Not Set"));
        Calibrate("60.1");
        QCOMPARE(CUiPrompts::MessagesShown().value(2), QString("Reference Temperature Out of Range"));
        QCOMPARE(Sensor().ReceivedCommands().size(), size_t{2});

        // 20,0 from a keyboard with a decimal comma: the raw 21.3 + 0.5 less 20.0.
        Sensor().ClearReceivedCommands();
        Calibrate("20,0");
        QTRY_VERIFY_WITH_TIMEOUT(ListContains(View(), "Param Load Finished"), 20000);
        QCOMPARE(Sensor().ReceivedCommands(), (std::vector<std::string>{"OSNVW5", "V63,18", "OSNVW0"}));
        QCOMPARE(Sensor().GetNvram(63), 18);
        QVERIFY2(Page()->m_strTempFile.isEmpty(), "the temporary file is gone");
        QTRY_COMPARE_WITH_TIMEOUT(Find<QLabel>(Page(), "calStatus")->text(),
                                  QString("Temperature Calibration Finished"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(Edit("sensorTempEdit")->text(), QString("20.0"), 10000);
        QTRY_VERIFY(!Page()->m_bReading);
        QCOMPARE(Page()->m_nOffsetTenths, int16_t{18});
    }

    void theTemporaryFileGoesWhicheverTabIsCurrent()
    {
        ConnectAndShowPage();
        QTRY_COMPARE_WITH_TIMEOUT(Edit("sensorTempEdit")->text(), QString("21.3"), 10000);
        QTRY_VERIFY(!Page()->m_bReading);
        Calibrate("21.0");
        const QString strFile = Page()->m_strTempFile;
        QVERIFY(QFile::exists(strFile));
        QVERIFY(QFileInfo(strFile).fileName().startsWith("DEMO"));
        ClickTab(View(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(ListContains(View(), "Param Load Finished"), 20000);
        QVERIFY(!QFile::exists(strFile));
    }

    void typingIsNeverOverwrittenByTheReadOut()
    {
        ConnectAndShowPage();
        QLineEdit* pReference = Edit("refTempEdit");
        pReference->setFocus();
        QTest::keyClicks(pReference, "19");
        // The offset's reply comes in while the person types.
        QTRY_VERIFY_WITH_TIMEOUT(Page()->m_nReadStage >= 1, 10000);
        QTest::keyClicks(pReference, ".5");
        WaitForReadOut();
        QCOMPARE(Edit("sensorTempEdit")->text(), QString("21.3"));
        QCOMPARE(pReference->text(), QString("19.5"));
    }

    void aValueOutOfItsRangeIsNotReadAndNothingIsCalibratedFromIt()
    {
        // Variable 63 holds 16 bits: "40000" is no offset.
        Sensor().SetNvram(63, 40000);
        ConnectAndShowPage();
        QTRY_COMPARE_WITH_TIMEOUT(
            Status(), QString("Could not read the temperature offset: the sensor answered \"40000\""), 10000);
        Calibrate("20.0");
        QCOMPARE(CUiPrompts::MessagesShown().value(0), QString("Sensor values have not been read yet"));
        QCOMPARE(Sensor().ReceivedCommands(), std::vector<std::string>{"V63?"});

        // A temperature no six characters of "%6.1f" give.
        Sensor().SetNvram(63, 5);
        Sensor().SetNoAnswerFor("R?");
        ClickTab(View(), 1);
        ClickTab(View(), View().m_nTempCalTab);
        QTRY_VERIFY_WITH_TIMEOUT(Sensor().ReceivedCommands().size() == 3, 10000);
        std::string strLine = "REM 00,24.1,0.020,0.030,0310,01450,OK ,+12.02,-12.01,+05.00,000483,";
        strLine.resize(67, ' ');
        Sensor().SendLine(strLine + " 9e307,1013.2,045,0000");
        QTRY_COMPARE_WITH_TIMEOUT(
            Status(), QString("Could not read the sensor temperature: the sensor answered \"9e307\""), 10000);
        QCOMPARE(Page()->m_nReadStage, 1);
        Calibrate("20.0");
        QCOMPARE(CUiPrompts::MessagesShown().value(1), QString("Sensor values have not been read yet"));
        for (const std::string& strCommand : Sensor().ReceivedCommands())
            QVERIFY2(strCommand == "V63?" || strCommand == "R?", strCommand.c_str());
    }

    void aCancelMidUploadSwitchesWritingOffAndTheCalibrationIsNotFinished()
    {
        ConnectAndShowPage();
        WaitForReadOut();
        // The sensor switches writing on and leaves the value unanswered.
        Sensor().SetNoAnswerFor("V63,");
        Sensor().ClearReceivedCommands();
        Calibrate("20.0");
        const QString strFile = Page()->m_strTempFile;
        QTRY_COMPARE_WITH_TIMEOUT(Sensor().ReceivedCommands().size(), size_t{2}, 10000);
        QVERIFY(Sensor().NvramWriteEnabled());
        Find<QPushButton>(&View(), "diagCancelButton")->click();

        QTRY_VERIFY_WITH_TIMEOUT(ListContains(View(), "Param Load Failed"), 10000);
        QVERIFY(ListContains(View(), "Cancelled"));
        QCOMPARE(Status(), QString("Calibration cancelled: the new offset may not have been written"));
        QVERIFY2(!Page()->m_bSettling, "no settle delay");
        QCOMPARE(Find<QProgressBar>(Page(), "settleProgress")->value(), 0);
        QVERIFY(!QFile::exists(strFile));
        QTRY_VERIFY_WITH_TIMEOUT(!Sensor().NvramWriteEnabled(), 10000);
        QCOMPARE(Sensor().ReceivedCommands().at(2), std::string("OSNVW0"));

        // The values are read again: the sensor kept its offset, and the page
        // still says what happened.
        WaitForReadOut();
        QCOMPARE(Edit("sensorTempEdit")->text(), QString("21.3"));
        QCOMPARE(Sensor().GetNvram(63), 5);
        QCOMPARE(Status(), QString("Calibration cancelled: the new offset may not have been written"));
    }
};

QTEST_MAIN(TempCalTest)
#include "test_tempcal.moc"
