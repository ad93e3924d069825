// The shell without a sensor: start-up, menus and status bar, tabs and
// options, the received-data list, the progress dialog, the auxiliary
// dialogs, the lamp, and the pure helpers behind them.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

#include "DocTestAccess.h"
#include "GuiTestSupport.h"
#include "document/CHalyardDoc.h"
#include "pages/CTerminalWindow.h"
#include "shell/CAboutDlg.h"
#include "shell/CDiagDialog.h"
#include "ui/CDocDialog.h"
#include "shell/CDynamicTabCtrl.h"
#include "ui/CTimeoutMsgDlg.h"
#include "shell/CommandLine.h"
#include "ui/WindowTimers.h"

using namespace halyard;
using namespace halyard::test;

class ShellTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CHalyardApp> m_pApp;
    CMainFrame& Frame() { return m_pApp->Frame(); }
    CHalyardView& View() { return m_pApp->View(); }
    CDynamicTabCtrl& Tabs() { return View().TabCtrl(); }
    QStringList Captions()
    {
        QStringList captions;
        for (int i = 0; i < Tabs().GetItemCount(); ++i)
            captions << Tabs().GetItemText(i);
        return captions;
    }
    void ClickTab(int nPos)
    {
        QTabBar* pBar = Tabs().TabBar();
        QTest::mouseClick(pBar, Qt::LeftButton, {}, pBar->tabRect(nPos).center());
    }
    void Post(uint32_t nMsg, uintptr_t wParam, intptr_t lParam = 0)
    {
        m_pApp->Doc().Host().Views().PostMessage(nMsg, wParam, lParam);
    }
    // Tab changes are refused while disconnected; these tests pretend a
    // connection only for the view's check and take it back before cleanup.
    void PretendConnected(bool bOn) { DocTestAccess::SetConnected(m_pApp->Doc(), bOn); }

private slots:
    void init() { m_pApp = StartApp(); }
    void cleanup()
    {
        PretendConnected(false);
        m_pApp.reset();
    }

    void startUpShowsFourTabsHiddenToolbarAndPanes()
    {
        QCOMPARE(Captions(),
                 (QStringList{"Port Settings", "Terminal Window", "Data Capture", "Sensor Settings"}));
        QCOMPARE(Tabs().GetCurSel(), 0);
        QCOMPARE(Tabs().VisiblePage(), 0);
        QCOMPARE(Frame().windowTitle(), QString("ORVAN Halyard"));
        QTRY_VERIFY(!Frame().ToolBar()->isVisible());
        // View > Toolbars and Docking Windows shows it again.
        Frame().ToolBar()->toggleViewAction()->trigger();
        QVERIFY(Frame().ToolBar()->isVisible());

        QCOMPARE(Frame().Pane(0)->text(), QString("Settings: "));
        QCOMPARE(Frame().Pane(1)->text(), QString("LogTime: "));
        QCOMPARE(Frame().Pane(2)->text(), QString("No. Records: 0"));
        // Each pane is at least as wide as its label with 48 blanks.
        const QFontMetrics metrics(Frame().Pane(3)->font());
        QVERIFY(Frame().Pane(3)->width() >= metrics.horizontalAdvance("Time:" + QString(48, ' ')));
        // The clock pane follows the 1-second tick.
        QTRY_VERIFY_WITH_TIMEOUT(
            Frame().Pane(3)->text().contains(QRegularExpression("^Time:  \\d\\d:\\d\\d:\\d\\d$")), 10000);
        QVERIFY(View().Timers().IsRunning(TIMER_CLOCK));

        // The RS485 controls appear only with their option.
        auto* pAddress = Find<QLineEdit>(&View(), "sensorAddress");
        QVERIFY(!pAddress->isVisible());
        Find<QAction>(&Frame(), "rs485OptionAction")->trigger();
        QVERIFY(pAddress->isVisible() && pAddress->isEnabled());
        QVERIFY(Find<QCheckBox>(&View(), "rs485Check")->isVisible());
        QVERIFY(!m_pApp->Doc().IsRS485());

        // Menu commands carry their prompts for the status bar.
        QCOMPARE(Find<QAction>(&Frame(), "exitAction")->statusTip(),
                 QString("Quit the application; prompts to save documents"));
        QCOMPARE(Find<QAction>(&Frame(), "statusBarAction")->statusTip(),
                 QString("Show or hide the status bar"));
        QCOMPARE(Find<QAction>(&Frame(), "testOptionAction")->statusTip(), QString("Display Test Tab"));
        QCOMPARE(Find<QAction>(&Frame(), "alsOptionAction")->statusTip(), QString("Display ALS Tab"));
        QCOMPARE(Find<QAction>(&Frame(), "rs485OptionAction")->statusTip(),
                 QString("Display RS485 settings"));
        QCOMPARE(Frame().TempCalAction()->statusTip(), QString("Display PQD Temperature Calibration Tab"));
    }

    void recordAndSettingsPanesFollowTheirMessages()
    {
        m_pApp->Doc().Host().MainWindow().PostMessage(WM_RECORD_UPDATE, 42, 0);
        QTRY_COMPARE(Frame().Pane(2)->text(), QString("No. Records: 42"));
        DocTestAccess::SetPortStatus(m_pApp->Doc(), " COM3 9600,n,8,1");
        m_pApp->Doc().Host().MainWindow().PostMessage(WM_COMMS_OPEN, 0, 0);
        QTRY_COMPARE(Frame().Pane(0)->text(), QString("Settings:  COM3 9600,n,8,1"));
        DocTestAccess::SetPortStatus(m_pApp->Doc(), "");
        m_pApp->Doc().Host().MainWindow().PostMessage(WM_COMMS_OPEN, 1, 0);
        QTRY_COMPARE(Frame().Pane(0)->text(), QString("Settings: "));
    }

    // The clock changes one pane a second: that pane alone is drawn again,
    // not the status bar behind it, and a pane whose text stays is not drawn.
    void statusBarRepaintsOnlyAPaneWhoseTextChanged()
    {
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        QStatusBar* pBar = Frame().statusBar();
        CPaintCounter paints({pBar, Frame().Pane(0), Frame().Pane(1), Frame().Pane(2)});
        CHalyardDoc& doc = m_pApp->Doc();
        IMessageTarget& frame = doc.Host().MainWindow();
        DocTestAccess::SetLogTime(doc, " 00:00:07");
        frame.PostMessage(WM_LOGTIME_UPDATE, 0, 0);
        QTRY_COMPARE(Frame().Pane(1)->text(), QString("LogTime:  00:00:07"));
        QTRY_VERIFY(paints.Count(Frame().Pane(1)) > 0);
        paints.Clear();

        // The same texts again, and a new clock text; then a new record count
        // as the sign that everything before it was handled and drawn.
        frame.PostMessage(WM_LOGTIME_UPDATE, 0, 0);
        frame.PostMessage(WM_COMMS_OPEN, 0, 0);
        DocTestAccess::SetTime(doc, " 12:34:56");
        frame.PostMessage(WM_TIME_UPDATE, 0, 0);
        frame.PostMessage(WM_RECORD_UPDATE, 7, 0);
        QTRY_VERIFY(paints.Count(Frame().Pane(2)) > 0);
        QCOMPARE(Frame().Pane(3)->text(), QString("Time:  12:34:56"));
        QCOMPARE(paints.Count(pBar), 0);
        QCOMPARE(paints.Count(Frame().Pane(0)), 0);
        QCOMPARE(paints.Count(Frame().Pane(1)), 0);
    }

    void temperatureCalibrationItemOnlyForPQDSensors()
    {
        QMenu* pOptions = Frame().OptionsMenu();
        emit pOptions->aboutToShow();
        QCOMPARE(pOptions->actions().size(), 3);
        m_pApp->Doc().Host().MainWindow().PostMessage(WM_COMMS_OPEN, 0, 1);
        QTRY_VERIFY(Frame().m_bPQDSensor);
        emit pOptions->aboutToShow();
        QCOMPARE(pOptions->actions().size(), 4);
        m_pApp->Doc().Host().MainWindow().PostMessage(WM_COMMS_OPEN, 1, 0);
        QTRY_VERIFY(!Frame().m_bPQDSensor);
        emit pOptions->aboutToShow();
        QCOMPARE(pOptions->actions().size(), 3);
    }

    void tabChangeWhileDisconnectedLandsOnPortSettings()
    {
        ClickTab(1);
        QCOMPARE(Tabs().GetCurSel(), 0);
        QCOMPARE(Tabs().VisiblePage(), 0);
        QCOMPARE(CUiPrompts::MessagesShown(), QStringList{"Sensor Not Connected"});
    }

    void optionalTabsKeepTheirOrderAndMapToTheirPages()
    {
        Find<QAction>(&Frame(), "alsOptionAction")->trigger();
        Find<QAction>(&Frame(), "testOptionAction")->trigger();
        QCOMPARE(Captions(), (QStringList{"Port Settings", "Terminal Window", "Data Capture",
                                          "Sensor Settings", "ALS Terminal", "Test Protocol"}));
        QCOMPARE(View().m_nALSTab, 4);
        QCOMPARE(View().m_nTestTab, 5);
        QCOMPARE(Tabs().GetCurSel(), 0);  // adding a tab keeps the selection

        Find<QAction>(&Frame(), "alsOptionAction")->trigger();
        QCOMPARE(Captions().last(), QString("Test Protocol"));
        QCOMPARE(View().m_nTestTab, 4);
        QCOMPARE(View().m_nLastTab, 4);

        PretendConnected(true);
        ClickTab(4);
        QCOMPARE(View().CurrentPage(), 4);
        QCOMPARE(Tabs().VisiblePage(), 4);
        // The ALS tab comes back at the end and shows the ALS terminal.
        Find<QAction>(&Frame(), "alsOptionAction")->trigger();
        ClickTab(5);
        QCOMPARE(Tabs().VisiblePage(), 5);
        QVERIFY(Find<QWidget>(&View(), "alsTerminalPage")->isVisible());
        SaveShot(&Frame(), "main_als_terminal.png");
    }

    void removingTheCurrentOptionalTabShowsPortSettings()
    {
        PretendConnected(true);
        Find<QAction>(&Frame(), "testOptionAction")->trigger();
        Find<QAction>(&Frame(), "alsOptionAction")->trigger();
        ClickTab(5);
        QCOMPARE(Tabs().VisiblePage(), 5);
        // Removing a tab before the current one keeps the current page.
        Find<QAction>(&Frame(), "testOptionAction")->trigger();
        QCOMPARE(Tabs().GetCurSel(), 4);
        QCOMPARE(Tabs().VisiblePage(), 5);
        Find<QAction>(&Frame(), "alsOptionAction")->trigger();
        QCOMPARE(Tabs().GetCurSel(), 0);
        QCOMPARE(Tabs().VisiblePage(), 0);
        QCOMPARE(Tabs().GetItemCount(), 4);
        QCOMPARE(View().m_nLastTab, 3);
    }

    void closingTheConnectionRemovesTemperatureCalibration()
    {
        View().OnOptionsTempcaloption();
        QCOMPARE(Captions().last(), QString("PQD Temperature Calibration"));
        Post(WM_COMMS_OPEN, 1);
        QTRY_VERIFY(ListContains(View(), "Connection Closed"));
        QVERIFY(!View().m_bTempCalOption);
        QCOMPARE(View().m_nTempCalTab, -1);
        QCOMPARE(Tabs().GetItemCount(), 4);
        emit Frame().OptionsMenu()->aboutToShow();
        QVERIFY(!Frame().TempCalAction()->isChecked());
    }

    void listKeepsTheNewest500LinesAndDoubleClickClears()
    {
        CReceivedDataList& list = View().DataList();
        for (int i = 1; i <= 501; ++i)
            View().UpdateDataList(QString("line %1").arg(i));
        QCOMPARE(list.count(), 500);
        QCOMPARE(list.Line(0), QString("line 2"));
        QCOMPARE(list.Line(499), QString("line 501"));
        QCOMPARE(list.currentRow(), 499);

        View().UpdateDataList("a\nb\n");
        QCOMPARE(list.Lines().last(), QString("a b "));

        const int nExtent = list.HorizontalExtent();
        QVERIFY(nExtent > list.fontMetrics().horizontalAdvance("line 501"));
        const int nScrollRange = list.horizontalScrollBar()->maximum();
        View().UpdateDataList(QString(300, 'W'));
        QVERIFY(list.HorizontalExtent() > nExtent);
        QVERIFY(list.horizontalScrollBar()->maximum() > nScrollRange);  // the wider line can be scrolled to
        const int nWide = list.HorizontalExtent();

        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(list.count(), 0);
        QCOMPARE(list.HorizontalExtent(), nWide);                // the extent never shrinks
        Find<QPushButton>(&View(), "clearDataButton")->click();  // clearing an empty list is harmless
        QCOMPARE(list.count(), 0);
    }

    // What a person sees while lines stream in is what the window's backing
    // store holds, painted a frame at a time; it is never a blank list, and
    // at each frame's end it equals a fresh drawing of the list (no rows left
    // behind by a shifted picture).
    QImage PaintedList()
    {
        QWidget* pViewport = View().DataList().viewport();
        const QPoint origin = pViewport->mapTo(&Frame(), QPoint(0, 0));
        return pViewport->screen()
            ->grabWindow(Frame().winId(), origin.x(), origin.y(), pViewport->width(), pViewport->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    QImage FreshList() { return View().DataList().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    void streamedListShowsWhatAFreshDrawingShows()
    {
        CReceivedDataList& list = View().DataList();
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        const QImage blank = FreshList();
        for (int i = 1; i <= 540; ++i) {
            View().UpdateDataList(QString("PW 00,%1,14863,14939,00,+023.5").arg(i, 6, 10, QChar('0')));
            if (i % 7 != 0 && i <= 530)
                continue;                       // several lines come between two paints, as in a burst
            QCoreApplication::processEvents();  // paints, as the event loop would
            if (i > 500) {
                QVERIFY2(PaintedList() != blank, qPrintable(QString("blank list after line %1").arg(i)));
                QTRY_COMPARE(PaintedList(), FreshList());
            }
        }
        list.setFocus();  // the focus frame on the newest row moves with it
        QTRY_VERIFY(list.hasFocus());
        View().UpdateDataList("focused");
        QTRY_COMPARE(PaintedList(), FreshList());
    }

    // A line after a quiet frame is shown at once; the lines that follow
    // within the frame are drawn together at its end. (Only posted events
    // are handled between the lines here, so the frame cannot end among them.)
    void linesWithinAFrameAreShownTogetherAtItsEnd()
    {
        CReceivedDataList& list = View().DataList();
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        for (int i = 1; i <= CReceivedDataList::MAX_LINES; ++i)
            View().UpdateDataList(QString("line %1").arg(i));
        QTRY_VERIFY(!list.InFrame());  // a quiet frame has passed

        View().UpdateDataList("after a quiet frame");
        QCoreApplication::sendPostedEvents();
        const QImage first = PaintedList();
        QCOMPARE(first, FreshList());
        for (int i = 1; i <= 20; ++i) {
            View().UpdateDataList(QString("within the frame %1").arg(i));
            QCoreApplication::sendPostedEvents();
        }
        QCOMPARE(list.Lines().constLast(), QString("within the frame 20"));  // the list has them at once
        QCOMPARE(list.currentRow(), CReceivedDataList::MAX_LINES - 1);
        QCOMPARE(PaintedList(), first);

        QTRY_VERIFY(PaintedList() != first);
        QCOMPARE(PaintedList(), FreshList());
        QTRY_VERIFY(!list.InFrame());  // and with no more lines the frames stop
    }

    void saveWritesTheListWithCrLfAndTxtAppended()
    {
        QTemporaryDir dir;
        View().UpdateDataList("first line");
        View().UpdateDataList(QString::fromLatin1("R? reply \xE9"));
        CUiPrompts::SetNextFileName(dir.filePath("x.TXT"));
        Find<QPushButton>(&View(), "saveDataButton")->click();
        QFile file(dir.filePath("x.TXT.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("first line\r\nR? reply \xE9\r\n"));

        // Enter on the focused button saves too.
        CUiPrompts::SetNextFileName(dir.filePath("plain"));
        auto* pSave = Find<QPushButton>(&View(), "saveDataButton");
        Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Frame()));
        pSave->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(pSave->hasFocus());
        QTest::keyClick(pSave, Qt::Key_Return);
        QVERIFY(QFile::exists(dir.filePath("plain.txt")));

        CUiPrompts::SetNextCancel();
        Find<QPushButton>(&View(), "saveDataButton")->click();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
        // The dialog shows .txt files as well as .TXT ones.
        QCOMPARE(CUiPrompts::LastFileFilter(), QString("Data Log Files (*.TXT *.txt)"));

        // A file that cannot be created is reported, not ignored.
        CUiPrompts::SetNextFileName(dir.filePath("missing/dir/y"));
        Find<QPushButton>(&View(), "saveDataButton")->click();
        QCOMPARE(CUiPrompts::MessagesShown().size(), 1);
    }

    void saveIntoAFolderWithAnAccentedName()
    {
        QTemporaryDir dir;
        const QString strFolder = QString::fromUtf8(u8"Donn\u00E9es");
        QVERIFY(QDir(dir.path()).mkdir(strFolder));
        View().UpdateDataList("first line");
        View().UpdateDataList(QString::fromLatin1("R? reply \xE9"));
        CUiPrompts::SetNextFileName(dir.filePath(strFolder + QString::fromUtf8(u8"/relev\u00E9")));
        Find<QPushButton>(&View(), "saveDataButton")->click();
        QCOMPARE(CUiPrompts::MessagesShown(), QStringList());
        // The name is the file system's; the lines inside stay one byte a character.
        QFile file(dir.filePath(strFolder + QString::fromUtf8(u8"/relev\u00E9.txt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("first line\r\nR? reply \xE9\r\n"));
    }

    void progressDialogOpensStepsIsReusedAndCloses()
    {
        Post(WM_INIT_START, 1);
        QTRY_VERIFY(View().DiagDialog() != nullptr);
        CDiagDialog* pDialog = View().DiagDialog();
        QCOMPARE(pDialog->windowTitle(), QString("Parameter Upload"));
        QCOMPARE(pDialog->ProgressLimit(), 50);
        QCOMPARE(pDialog->Message(), QString("Starting Parameter Upload"));
        QVERIFY(ListContains(View(), "Starting Parameter Upload"));
        QVERIFY(View().Timers().IsRunning(TIMER_SEQUENCE));
        QTRY_VERIFY(pDialog->Progress() >= 2);
        SaveShotWithDialog(&Frame(), pDialog, "main_with_progress.png");

        Post(WM_START_SEQ, 1);
        QTRY_COMPARE(pDialog->ProgressLimit(), 915);
        QCOMPARE(View().DiagDialog(), pDialog);  // the open dialog is reused
        QVERIFY(pDialog->Progress() < 2);
        QCOMPARE(pDialog->Message(), QString("Saving All Diagnostic Data"));
        QCOMPARE(pDialog->windowTitle(), QString("Diagnostics"));

        Post(WM_START_SEQ, 0);
        QTRY_VERIFY(View().DiagDialog() == nullptr);
        QVERIFY(ListContains(View(), "Diagnostic Save Finished"));
        QVERIFY(!View().Timers().IsRunning(TIMER_SEQUENCE));

        Post(WM_ALS_DUMP, 1, 1);
        QTRY_VERIFY(View().DiagDialog() != nullptr);
        QCOMPARE(View().DiagDialog()->ProgressLimit(), 51);
        Post(WM_ALS_DUMP, 0, 1);
        QTRY_VERIFY(ListContains(View(), "ALS Diagnostic Save Finished"));

        Post(WM_PARAM_LOAD, 1);
        QTRY_VERIFY(View().DiagDialog() != nullptr);
        QCOMPARE(View().DiagDialog()->windowTitle(), QString("Param Load"));
        QCOMPARE(View().DiagDialog()->ProgressLimit(), 145);
        Post(WM_PARAM_LOAD, 2);
        QTRY_VERIFY(ListContains(View(), "Param Load Failed"));
        QVERIFY(View().DiagDialog() == nullptr);

        Post(WM_INIT_START, 1);
        Post(WM_INIT_START, 0);
        QTRY_VERIFY(ListContains(View(), "Parameter Upload Finished"));
    }

    void viewTimersFollowTheirMessages()
    {
        const CWindowTimers& timers = View().Timers();
        Post(WM_POLL_START, 7);
        QTRY_VERIFY(timers.IsRunning(TIMER_POLL));
        QCOMPARE(timers.Interval(TIMER_POLL), 7000);
        QCOMPARE(View().Schedule().m_nPollTimer, uint32_t(TIMER_POLL));
        Post(WM_POLL_START, 2);  // restarts with the new period
        QTRY_COMPARE(timers.Interval(TIMER_POLL), 2000);
        Post(WM_POLL_STOP, 0);
        QTRY_VERIFY(!timers.IsRunning(TIMER_POLL));
        QCOMPARE(View().Schedule().m_nPollTimer, 0u);

        Post(WM_ACCUM_START, 1);
        QTRY_VERIFY(timers.IsRunning(TIMER_DAILY_LOG));
        QCOMPARE(timers.Interval(TIMER_DAILY_LOG), 5000);
        Post(WM_ACCUM_START, 0);
        QTRY_VERIFY(!timers.IsRunning(TIMER_DAILY_LOG));

        // The one-shot stops itself at its expiry.
        Post(WM_ACCUM_START, 1);
        QTRY_VERIFY(timers.IsRunning(TIMER_DAILY_LOG));
        View().OnTimer(TIMER_DAILY_LOG);
        QVERIFY(!timers.IsRunning(TIMER_DAILY_LOG));
        QCOMPARE(View().Schedule().m_nAccumTimer, 0u);

        Post(WM_AUTO_XW_START, 1);
        QTRY_VERIFY(View().Schedule().m_bAutoXW);
        Post(WM_AUTO_XW_START, 0);
        QTRY_VERIFY(!View().Schedule().m_bAutoXW);
    }

    void progressBarStopsAtItsLimit()
    {
        CDiagDialog* pDialog = new CDiagDialog(nullptr, &View());
        pDialog->SetProgressLimit(3);
        for (int i = 0; i < 5; ++i)
            pDialog->UpdateProgress();
        QCOMPARE(pDialog->Progress(), 3);
        pDialog->SetProgressLimit(915);
        QCOMPARE(pDialog->Progress(), 0);
        pDialog->Finished();
    }

    void terminalPageButtonsAndTooltips()
    {
        auto* pTerminal = Find<CTerminalWindow>(&View(), "terminalPage");
        QCOMPARE(Find<QPushButton>(pTerminal, "tm30Button")->toolTip(), QString("Sample Time 30 Seconds"));
        QCOMPARE(Find<QPushButton>(pTerminal, "sendButton")->toolTip(),
                 QString("Send the Command to the Sensor"));
        QCOMPARE(Find<QLineEdit>(pTerminal, "commandEdit")->text(), QString("Type Command to send here"));
        auto* pDump = Find<QPushButton>(pTerminal, "dumpAllButton");
        QVERIFY(pDump->isEnabled());
        QCOMPARE(pDump->toolTip(), QString("Save all settings and NVRAM to a file"));
        QVERIFY(Find<QPushButton>(pTerminal, "loadParamsButton")->toolTip().isEmpty());
        // The ALS page shares ids, and so tooltips, with the terminal page.
        QCOMPARE(Find<QPushButton>(&View(), "alsResetButton")->toolTip(), QString("Reset Sensor"));
        QCOMPARE(Find<QWidget>(&View(), "listData")->toolTip(),
                 QString("Data Display, Double click to clear display"));
    }

    void openingAMenuIsNotAFocusChange()
    {
        // Qt moves the focus away and back for a context menu or the menu bar;
        // the command line must keep what was typed (or pasted), and the
        // address field must not be checked half-typed.
        PretendConnected(true);
        ClickTab(1);
        auto* pEdit = Find<QLineEdit>(Find<CTerminalWindow>(&View(), "terminalPage"), "commandEdit");
        pEdit->setText("sn?");
        for (const Qt::FocusReason reason : {Qt::PopupFocusReason, Qt::MenuBarFocusReason}) {
            QFocusEvent out(QEvent::FocusOut, reason);
            QFocusEvent in(QEvent::FocusIn, reason);
            QCoreApplication::sendEvent(pEdit, &out);
            QCoreApplication::sendEvent(pEdit, &in);
            QCOMPARE(pEdit->text(), QString("sn?"));
        }
        QFocusEvent click(QEvent::FocusIn, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(pEdit, &click);
        QCOMPARE(pEdit->text(), QString());

        Find<QAction>(&Frame(), "rs485OptionAction")->trigger();
        auto* pAddress = Find<QLineEdit>(&View(), "sensorAddress");
        pAddress->setText("123");
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QCoreApplication::sendEvent(pAddress, &popup);
        QVERIFY(CUiPrompts::MessagesShown().isEmpty());
        QCOMPARE(pAddress->text(), QString("123"));
        QFocusEvent tab(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(pAddress, &tab);
        QCOMPARE(CUiPrompts::MessagesShown(), QStringList{"Please enter an integer between 0 and 99."});
        QCOMPARE(pAddress->text(), QString("0"));
    }

    void enterAndEscapeNeverClosePage()
    {
        QWidget* pPage = Find<QWidget>(&View(), "portSettingsPage");
        QVERIFY(pPage->isVisible());
        QTest::keyClick(pPage, Qt::Key_Escape);
        QTest::keyClick(pPage, Qt::Key_Return);
        QVERIFY(pPage->isVisible());
        QVERIFY(Frame().isVisible());
    }

    void aboutBoxShowsTheProgramVersion()
    {
        CAboutDlg dialog(&Frame());
        dialog.OnInitDialog();
        QCOMPARE(dialog.m_strVersion, QString("Halyard, Version: %1.%2.%3.%4")
                                          .arg(HALYARD_VERSION_MAJOR)
                                          .arg(HALYARD_VERSION_MINOR)
                                          .arg(HALYARD_VERSION_PATCH)
                                          .arg(HALYARD_VERSION_TWEAK));
        QCOMPARE(Find<QLabel>(&dialog, "versionText")->text(), dialog.m_strVersion);
        SaveShot(&dialog, "about.png");
        QCOMPARE(VersionLine("Halyard", 1, 0, 13, 1), QString("Halyard, Version: 1.0.13.1"));
    }
};

class DialogTest : public QObject {
    Q_OBJECT
private slots:
    void timeoutDialogAnswersNoByItself()
    {
        CTimeoutMsgDlg dialog;
        dialog.m_strMessage1 = "This will Overwrite Sensor settings. ARE YOU SURE?";
        dialog.m_nTimeout = 50;
        QTimer::singleShot(0, &dialog, [&] { SaveShot(&dialog, "timeout_dialog.png"); });
        QCOMPARE(dialog.DoModal(), IDNO);
        QCOMPARE(dialog.m_nTimeoutTimer, 0u);
        QCOMPARE(Find<QLabel>(&dialog, "message1")->text(), dialog.m_strMessage1);
    }

    void timeoutDialogYesWinsAndStopsTheTimer()
    {
        CTimeoutMsgDlg dialog;
        dialog.m_nTimeout = 60000;
        QTimer::singleShot(0, &dialog, [&] { Find<QPushButton>(&dialog, "yesButton")->click(); });
        QCOMPARE(dialog.DoModal(), IDYES);
        QCOMPARE(dialog.m_nTimeoutTimer, 0u);
        QTimer::singleShot(0, &dialog, [&] { dialog.reject(); });  // the close box counts as No
        QCOMPARE(dialog.DoModal(), IDNO);
    }

    void lampDrawsItsColours()
    {
        CDynamicLED led;
        led.resize(24, 24);
        led.SetLED(CDynamicLED::ID_LED_RED, CDynamicLED::ID_SHAPE_ROUND, 0, false, true);
        QCOMPARE(LampCentre(&led), QColor(250, 0, 0));
        QVERIFY(led.TimerRunning());
        QTRY_VERIFY(!led.TimerRunning());  // drawn once, then the timer stops
        led.ChangeColour(CDynamicLED::ID_LED_GREEN, true);
        QCOMPARE(LampCentre(&led), QColor(0, 250, 0));
        led.ChangeColour(CDynamicLED::ID_LED_GREEN, false);
        QCOMPARE(LampCentre(&led), QColor(0, 150, 0));
        led.ChangeColour(2006, true);
        QCOMPARE(LampCentre(&led), QColor(0, 0, 250));

        // Blinking: each drawing alternates, starting from the given state.
        led.SetLED(CDynamicLED::ID_LED_YELLOW, CDynamicLED::ID_SHAPE_SQUARE, 500, true, true);
        QCOMPARE(LampCentre(&led), QColor(250, 250, 0));
        QCOMPARE(LampCentre(&led), QColor(200, 200, 0));
        QVERIFY(led.TimerRunning());
        QCOMPARE(CDynamicLED::BrightColour(CDynamicLED::ID_LED_ORANGE), QColor(255, 128, 0));
    }

    void windowTimersKeepIdsAndMayKillThemselves()
    {
        QList<uint32_t> fired;
        CWindowTimers* pTimers = nullptr;
        CWindowTimers timers([&](uint32_t nID) {
            fired << nID;
            pTimers->KillTimer(nID);
        });
        pTimers = &timers;
        QCOMPARE(timers.SetTimer(5, 10), 5u);
        QCOMPARE(timers.SetTimer(7, 10), 7u);
        QCOMPARE(timers.SetTimer(0, 10), 0u);
        QCOMPARE(timers.SetTimer(3, -1), 0u);
        QTRY_COMPARE(fired.size(), 2);
        QVERIFY(fired.contains(5) && fired.contains(7));
        QVERIFY(!timers.IsRunning(5));
        QVERIFY(!timers.KillTimer(5));
    }

    void pureHelpers()
    {
        QCOMPARE(PageIndexOfTab(4, -1, 5, 4), 4);
        QCOMPARE(PageIndexOfTab(5, -1, 5, 4), 5);
        QCOMPARE(PageIndexOfTab(6, 6, 5, 4), 6);
        QCOMPARE(PageIndexOfTab(2, 6, 5, 4), 2);
        QCOMPARE(WithDefaultExtension("/tmp/a", "TXT"), QString("/tmp/a.TXT"));
        QCOMPARE(FilterWithBothCases("Data Log Files (*.TXT)"), QString("Data Log Files (*.TXT *.txt)"));
        QCOMPARE(FilterWithBothCases("NVRAM Files (*.NVM);;All Files (*.*)"),
                 QString("NVRAM Files (*.NVM *.nvm);;All Files (*.*)"));
        QCOMPARE(FilterWithBothCases("Logs (*.log *.LOG)"), QString("Logs (*.log *.LOG)"));
        QCOMPARE(FilterWithBothCases("Dumps (*.Txt)"), QString("Dumps (*.Txt *.TXT *.txt)"));
        QCOMPARE(WithDefaultExtension("/tmp/a.nvm", "NVM"), QString("/tmp/a.nvm"));
    }

    void commandLineOptions()
    {
        AppOptions options = ParseCommandLine({"--simulate=PQD-025", "--port", "COM5=/dev/ttyUSB0",
                                               "--port=COM6=/dev/ttyACM0", "-platform", "offscreen"});
        QVERIFY(options.strError.empty());
        QVERIFY(options.bSimulate);
        QCOMPARE(options.strSimModel, std::string("PQD-025"));
        QCOMPARE(options.pins, (std::vector<std::string>{"COM5=/dev/ttyUSB0", "COM6=/dev/ttyACM0"}));
        QCOMPARE(ParseCommandLine({"--simulate"}).strSimModel, std::string("ZRT-630"));
        QVERIFY(!ParseCommandLine({"--simulate=XYZ"}).strError.empty());
        QVERIFY(!ParseCommandLine({"--port"}).strError.empty());
        QVERIFY(!ParseCommandLine({"--bogus"}).strError.empty());
        QVERIFY(ParseCommandLine({"--help"}).bHelp);
        QVERIFY(ParseCommandLine({"--version"}).bVersion);
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    int nStatus = 0;
    {
        ShellTest shell;
        nStatus |= QTest::qExec(&shell, argc, argv);
    }
    {
        DialogTest dialogs;
        nStatus |= QTest::qExec(&dialogs, argc, argv);
    }
    return nStatus;
}

#include "test_shell.moc"
