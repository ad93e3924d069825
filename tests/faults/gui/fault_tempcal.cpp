// The temperature calibration page's parameter upload cut by a hang-up of the
// sensor, through the page's own controls: the program stays up, the
// received-data list and the page say the upload failed and why, no settle
// delay runs, the temporary file is gone, and the line the sensor took before
// it hung up was written.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

#include "GuiTestSupport.h"
#include "document/CHalyardDoc.h"
#include "pages/CConnectDlg.h"
#include "pages/CTempCalibPage.h"

using namespace halyard;
using namespace halyard::test;

class TempCalHangUpTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CHalyardApp> m_pApp;
    CHalyardView& View() { return m_pApp->View(); }
    sim::CSimSensor& Sensor() { return *m_pApp->Simulator(); }
    CTempCalibPage* Page() { return Find<CTempCalibPage>(&View(), "tempCalibPage"); }
    QLineEdit* Edit(const char* szName) { return Find<QLineEdit>(Page(), szName); }

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

    void aHangUpMidUploadIsToldAndLeavesNoTemporaryFile()
    {
        QVERIFY(ConnectThroughPortSettings(View()));
        View().OnOptionsTempcaloption();
        ClickTab(View(), View().m_nTempCalTab);
        QTRY_COMPARE_WITH_TIMEOUT(Edit("sensorTempEdit")->text(), QString("21.3"), 10000);
        QTRY_VERIFY(!Page()->m_bReading);

        // The upload is "OSNVW5", "V63,18", "OSNVW0": the line drops after the second.
        Sensor().ClearReceivedCommands();
        Sensor().SetHangUpAfter(2);
        Edit("refTempEdit")->setText("20.0");
        Find<QPushButton>(Page(), "calibrateButton")->click();
        const QString strFile = Page()->m_strTempFile;
        QVERIFY(!strFile.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(ListContains(View(), "Param Load Failed"), 30000);
        QVERIFY(ListContains(View(), "Stopped: connection lost"));
        QVERIFY(ListContains(View(), "Connection Closed"));
        QVERIFY(!m_pApp->Doc().IsConnected());
        QVERIFY(m_pApp->Frame().isVisible());
        QVERIFY2(!QFile::exists(strFile), "the temporary file is gone");
        QCOMPARE(Sensor().ReceivedCommands(), (std::vector<std::string>{"OSNVW5", "V63,18"}));
        QCOMPARE(Sensor().GetNvram(63), 18);

        // The page says so at once, and starts no settle delay that would
        // end in "Finished".
        QLabel* pStatus = Find<QLabel>(Page(), "calStatus");
        QCOMPARE(
            pStatus->text(),
            QString(
                "Calibration failed, the connection was lost: the new offset may not have been written"));
        QVERIFY2(!Page()->m_bSettling && Page()->m_nTimerID == 0, "no settle delay runs");
        std::printf(
            "[  FIGURE  ] TempCalHangUp: list ends \"%s\"; page status \"%s\"; message boxes %d\n",
            qPrintable(View().DataList().Lines().mid(View().DataList().Lines().size() - 4).join(" | ")),
            qPrintable(pStatus->text()), static_cast<int>(CUiPrompts::MessagesShown().size()));
        std::fflush(stdout);
    }
};

QTEST_MAIN(TempCalHangUpTest)
#include "fault_tempcal.moc"
