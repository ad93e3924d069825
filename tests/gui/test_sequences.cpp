// The terminal page's "Save Diagnostic Data" and "Load Parameter File"
// through their own buttons, against the simulated sensor: the confirmation,
// the file dialogs, the progress dialog opening, stepping and closing, and
// Cancel. Every wait is for a condition.
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>

#include <fstream>

#include "GuiTestSupport.h"
#include "TempFolder.h"
#include "document/CHalyardDoc.h"
#include "pages/CConnectDlg.h"
#include "shell/CDynamicTabCtrl.h"
#include "sim/SimSensor.h"

using namespace halyard;
using namespace halyard::test;

namespace {
constexpr int kConnectWaitMs = 20000;
}

class SequencesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CHalyardApp> m_pApp;
    QString m_strConfirmation;  // what the last confirmation asked
    std::unique_ptr<CTempFolder> m_pFolder;
    CHalyardView& View() { return m_pApp->View(); }
    CHalyardDoc& Doc() { return m_pApp->Doc(); }
    sim::CSimSensor& Sensor() { return *m_pApp->Simulator(); }
    QPushButton* Button(const char* szName)
    {
        return Find<QPushButton>(Find<QWidget>(&View(), "terminalPage"), szName);
    }

    void ConnectAndShowTerminal()
    {
        QVERIFY(ConnectThroughPortSettings(View(), kConnectWaitMs));
        ClickTab(View(), 1);
        QCOMPARE(View().TabCtrl().VisiblePage(), 1);
        Sensor().ClearReceivedCommands();
    }

    // Answers the confirmation with the button named, as soon as it shows.
    void AnswerConfirmation(const char* szButton)
    {
        AnswerConfirmationWhenShown(this, szButton, &m_strConfirmation);
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

    void noToTheConfirmationOpensNoFileDialog()
    {
        ConnectAndShowTerminal();
        AnswerConfirmation("noButton");
        Button("loadParamsButton")->click();
        QCOMPARE(m_strConfirmation, QString("This will Overwrite Sensor settings. ARE YOU SURE?"));
        QVERIFY(CUiPrompts::LastFileFilter().isEmpty());
        QVERIFY(!Doc().SequenceRunning());
        // A command sent now reaches the sensor after anything the answer sent.
        QVERIFY(Doc().SendCommand("R?", true));
        QTRY_VERIFY(!Sensor().ReceivedCommands().empty());
        QCOMPARE(Sensor().ReceivedCommands(), (std::vector<std::string>{"R?"}));
    }

    void loadParameterFileLoadsItIntoTheSensor()
    {
        ConnectAndShowTerminal();
        const std::string strPath = m_pFolder->Path("mast 3.NVM");
        std::ofstream(strPath) << ":settings of mast 3\r\nV12,250\r\nV13,7\r\n#\r\n";
        AnswerConfirmation("yesButton");
        CUiPrompts::SetNextFileName(QString::fromStdString(strPath));
        Button("loadParamsButton")->click();
        QCOMPARE(m_strConfirmation, QString("This will Overwrite Sensor settings. ARE YOU SURE?"));
        QCOMPARE(CUiPrompts::LastFileFilter(), QString("NVRAM Files (*.NVM *.nvm);;All Files (*.*)"));
        QVERIFY(Doc().RunningSequence() == Sequence::NVRAMLoad);
        QTRY_VERIFY(View().DiagDialog() != nullptr);
        QCOMPARE(View().DiagDialog()->windowTitle(), QString("Parameter Upload"));
        QCOMPARE(View().DiagDialog()->ProgressLimit(), 50);
        QTRY_VERIFY_WITH_TIMEOUT(ListContains(View(), "Parameter Upload Finished"), 20000);
        QVERIFY(View().DiagDialog() == nullptr);
        // Written while the sensor was write-enabled, then its state put back.
        QCOMPARE(Sensor().GetNvram(12), 250);
        QCOMPARE(Sensor().GetNvram(13), 7);
        QCOMPARE(Sensor().GetOpState(), uint16_t{0});
        QVERIFY(!View().Timers().IsRunning(TIMER_SEQUENCE));
    }

    void saveDiagnosticDataShowsItsProgressAndCancels()
    {
        ConnectAndShowTerminal();
        const QString strPath = QString::fromStdString(m_pFolder->Path("dump.TXT"));
        CUiPrompts::SetNextFileName(strPath);
        Button("dumpAllButton")->click();
        QCOMPARE(CUiPrompts::LastFileFilter(), QString("Text Files (*.TXT *.txt)"));
        QTRY_VERIFY(View().DiagDialog() != nullptr);
        CDiagDialog* pDialog = View().DiagDialog();
        QCOMPARE(pDialog->windowTitle(), QString("Diagnostics"));
        QCOMPARE(pDialog->ProgressLimit(), 915);
        QCOMPARE(pDialog->Message(), QString("Saving All Diagnostic Data"));
        QTRY_VERIFY_WITH_TIMEOUT(pDialog->Progress() >= 4, 10000);
        SaveShotWithDialog(&m_pApp->Frame(), pDialog, "dump_progress.png");
        // A second sequence is refused while this one runs.
        CUiPrompts::SetNextFileName(strPath);
        Button("dumpAllButton")->click();
        QCOMPARE(CUiPrompts::MessagesShown().value(0),
                 QString("A diagnostic save or parameter load is already running"));

        Find<QPushButton>(pDialog, "diagCancelButton")->click();
        QTRY_VERIFY(View().DiagDialog() == nullptr);
        QVERIFY(!Doc().SequenceRunning());
        // The list says the file is incomplete, and never that it finished.
        QVERIFY(ListContains(View(), "Diagnostic Save Incomplete: cancelled"));
        QVERIFY(!ListContains(View(), "Diagnostic Save Finished"));
        QVERIFY(!View().Timers().IsRunning(TIMER_SEQUENCE));
        const std::string strDump = ReadWholeFile(QFile::encodeName(strPath).toStdString());
        QVERIFY(strDump.rfind(":Orvan Diagnostic capture for sensor Serial Number dump.TXT\r\n", 0) == 0);
        QVERIFY(strDump.ends_with("\r\n:Incomplete: cancelled\r\n#\r\nDiagnostic Save Finished\r\n"));
        // The polled output it had switched to is undone.
        QTRY_COMPARE(Sensor().GetOpState(), uint16_t{0});
    }
};

QTEST_MAIN(SequencesTest)
#include "test_sequences.moc"
