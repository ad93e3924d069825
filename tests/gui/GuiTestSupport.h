#pragma once
// Shared helpers of the GUI tests: the whole program started in-process
// (CHalyardApp), widgets found by object name, screenshots, and a wait for a
// line in the received-data list. Dialogs are answered through CUiPrompts.

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <initializer_list>
#include <memory>

#include "document/CHalyardDoc.h"
#include "pages/CDynamicLED.h"
#include "shell/CDynamicTabCtrl.h"
#include "shell/CHalyardApp.h"
#include "shell/CHalyardView.h"
#include "shell/CMainFrame.h"
#include "shell/CReceivedDataList.h"
#include "ui/UiPrompts.h"
#include "sim/SimSensor.h"
#include "TempFolder.h"

namespace halyard::test {

inline std::unique_ptr<CHalyardApp> StartApp(const AppOptions& options = {})
{
    CUiPrompts::Reset();
    CUiPrompts::SetTestMode(true);
    auto pApp = std::make_unique<CHalyardApp>();
    if (!pApp->InitInstance(options))
        qFatal("the program did not start: %s", qPrintable(pApp->ErrorText()));
    // Let the start-up message (WM_INIT_EVENT) arrive, as the event loop would.
    QCoreApplication::sendPostedEvents();
    return pApp;
}

// The program with its simulated sensor, which stays quiet (no data messages
// of its own) until a test lets it speak.
inline std::unique_ptr<CHalyardApp> StartWithQuietSensor()
{
    AppOptions options;
    options.bSimulate = true;
    auto pApp = StartApp(options);
    pApp->Simulator()->SetOpState(0);
    return pApp;
}

// Closes the connection when open, then ends the program.
inline void StopApp(std::unique_ptr<CHalyardApp>& pApp)
{
    if (pApp && pApp->Doc().IsConnected())
        pApp->Doc().CloseConnection(false);
    pApp.reset();
}

template <class T>
T* Find(QWidget* pRoot, const char* szName)
{
    T* pWidget = pRoot->findChild<T*>(QString::fromLatin1(szName));
    if (pWidget == nullptr)
        qFatal("no widget named %s", szName);
    return pWidget;
}

// Counts the paint events of the widgets given: what is drawn again.
class CPaintCounter : public QObject {
public:
    CPaintCounter(std::initializer_list<QWidget*> widgets)
    {
        for (QWidget* pWidget : widgets) {
            m_counts.insert(pWidget, 0);
            pWidget->installEventFilter(this);
        }
    }
    int Count(QWidget* pWidget) const { return m_counts.value(pWidget); }
    void Clear()
    {
        for (int& nCount : m_counts)
            nCount = 0;
    }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        const auto it = m_counts.find(static_cast<QWidget*>(pWatched));
        if (pEvent->type() == QEvent::Paint && it != m_counts.end())
            ++*it;
        return false;
    }

private:
    QHash<QWidget*, int> m_counts;
};

inline bool ListContains(CHalyardView& view, const QString& strLine)
{
    return view.DataList().Lines().contains(strLine);
}

// Presses Connect on the Port Settings page and waits until the list says
// the sensor is connected; false when it did not within nTimeoutMs.
inline bool ConnectThroughPortSettings(CHalyardView& view, int nTimeoutMs = 20000)
{
    Find<QPushButton>(&view, "connectButton")->click();
    return QTest::qWaitFor([&view] { return ListContains(view, "Connected to Sensor"); }, nTimeoutMs);
}

// Clicks the tab at position nTab, as a person does.
inline void ClickTab(CHalyardView& view, int nTab)
{
    QTabBar* pBar = view.TabCtrl().TabBar();
    QTest::mouseClick(pBar, Qt::LeftButton, {}, pBar->tabRect(nTab).center());
}

// Answers the time-out confirmation about to be shown with the button named
// ("yesButton", "noButton") as soon as it shows; its first message goes to
// pstrMessage when given.
inline void AnswerConfirmationWhenShown(QObject* pContext, const char* szButton,
                                        QString* pstrMessage = nullptr)
{
    QTimer::singleShot(0, pContext, [szButton, pstrMessage] {
        QWidget* pModal = QApplication::activeModalWidget();
        if (pModal == nullptr || pModal->objectName() != QLatin1String("timeoutMsgDlg"))
            return;
        if (pstrMessage != nullptr)
            *pstrMessage = Find<QLabel>(pModal, "message1")->text();
        Find<QPushButton>(pModal, szButton)->click();
    });
}

// The colour at the centre of the lamp as drawn.
inline QColor LampCentre(CDynamicLED* pLed)
{
    const QImage image = pLed->grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

// Saves a picture of pWidget under HALYARD_SHOTS_DIR (when set).
inline void SaveShot(QWidget* pWidget, const char* szName)
{
    const QByteArray dir = qgetenv("HALYARD_SHOTS_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    pWidget->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QString::fromLatin1(szName));
}

// Saves pMain with pDialog drawn over its centre, as a person sees them.
inline void SaveShotWithDialog(QWidget* pMain, QWidget* pDialog, const char* szName)
{
    const QByteArray dir = qgetenv("HALYARD_SHOTS_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    QPixmap picture = pMain->grab();
    const QPixmap dialog = pDialog->grab();
    QPainter painter(&picture);
    const QPoint topLeft((picture.width() - dialog.width()) / 2, (picture.height() - dialog.height()) / 2);
    painter.drawPixmap(topLeft, dialog);
    painter.setPen(Qt::darkGray);
    painter.drawRect(QRect(topLeft, dialog.size()).adjusted(0, 0, -1, -1));
    painter.end();
    picture.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QString::fromLatin1(szName));
}

// The main of a test whose program writes settings: they go into a folder of
// the test's own, set before Qt decides where the settings are.
template <typename Test>
int RunWithOwnSettings(int argc, char* argv[])
{
    CTempFolder config;
    if (!config.IsValid())
        qFatal("no folder for the settings");
    ::setenv("XDG_CONFIG_HOME", config.Path("config").c_str(), 1);
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace halyard::test
