#pragma once
// CDataPlotPage: the "Data Plot" page (page 7), an optional tab shown from the
// View menu. It draws the numeric fields of the data messages against time.
// The view hands it every data message with the time it came; the page keeps
// them in its own CSeriesStore, and a timer redraws the picture a few times
// a second, only when something changed, the page is shown and not paused,
// each checked field from the store's min/max columns at the plot's width.
// "Open Log..." shows a log instead until "Live Data" goes back to the
// sensor's messages, which keep coming in meanwhile; reading a log, to show
// it or to export a range of it, is a CLogFileTask in a worker thread.
// UI thread only.

#include <QSharedPointer>

#include <fstream>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "CLogFileTask.h"
#include "document/CSeriesStore.h"
#include "document/LogReader.h"
#include "platform/Clock.h"
#include "ui/CDocDialog.h"

class QCheckBox;
class QComboBox;
class QCPAxisTicker;
class QCPAxisTickerDateTime;
class QCustomPlot;
class QLabel;
class QMouseEvent;
class QPushButton;

namespace halyard {

class CPlotFieldList;

class CDataPlotPage : public CDocDialog {
    Q_OBJECT
public:
    static constexpr int REDRAW_MS = 300;

    explicit CDataPlotPage(QWidget* pParent = nullptr);
    ~CDataPlotPage() override;

    void OnInitDialog() override;
    // Shown: the picture catches up at once.
    void UpdateDataFromDoc() override;
    void AddDataMessage(TimePoint time, const std::string& strMessage);

    void OnBnClickedOpenLog();
    void OnBnClickedLiveData();
    void OnBnClickedSavePlot();
    void OnBnClickedExportCsv();

    QCustomPlot* Plot() const { return m_pPlot; }
    const CSeriesStore& ShownStore() const { return m_pLogStore ? *m_pLogStore : m_liveStore; }
    // A log is being read.
    bool IsBusy() const { return m_pTask != nullptr; }
    CLogFileTask* Task() const { return m_pTask.get(); }
    // How many times the picture was drawn.
    int Redraws() const { return m_nRedraws; }

protected:
    // The redraw timer runs only while the page is shown.
    void showEvent(QShowEvent* pEvent) override;
    void hideEvent(QHideEvent* pEvent) override;

private:
    void BuildForm();
    QPushButton* AddButton(const char* szCaption, int nId, const char* szObjectName, int x, int cx);
    void OnRedrawTimer();
    void Redraw();
    void DrawGraphs(double dFrom, double dTo);
    void ScaleValues(double dFrom, double dTo);
    void SetXAxis(double dSpan);
    QString XText(double dX) const;
    // The x range to draw: the chosen span up to the last message.
    std::pair<double, double> RangeToShow() const;
    void ShowValueAt(const QPoint& pos);
    // Runs work in a CLogFileTask; then, back on the UI thread, done.
    void StartTask(const QString& strText, std::function<void(const CLogFileTask::Progress&)> work,
                   std::function<void()> done);
    void OnLogLoaded(const std::string& strPath, CSeriesStore& store, const LogSeriesLoad& load);
    void ExportLogRange(std::shared_ptr<std::ofstream> pOut, const std::string& strPath,
                        std::pair<double, double> range);
    void ExportHeldRange(std::ofstream& out, const std::string& strPath, std::pair<double, double> range);
    void ReportWriteError(const std::string& strPath, int nError);
    void ShowStore();

    CSeriesStore m_liveStore;
    std::unique_ptr<CSeriesStore> m_pLogStore;  // the log shown, when one is
    std::string m_strLogPath;
    bool m_bLogNumbered = false;
    bool m_bChanged = false;
    int m_nRedraws = 0;
    QTimer m_redrawTimer;
    QSharedPointer<QCPAxisTickerDateTime> m_pTimeTicker;
    QSharedPointer<QCPAxisTicker> m_pNumberTicker;
    std::unique_ptr<CLogFileTask> m_pTask;

    CPlotFieldList* m_pFields;
    QCustomPlot* m_pPlot;
    QComboBox* m_cbRange;
    QCheckBox* m_pAutoscale;
    QCheckBox* m_pPause;
    QLabel* m_pValue;
    QPushButton* m_pOpenLog;
    QPushButton* m_pLive;
    QPushButton* m_pSavePlot;
    QPushButton* m_pExportCsv;
};

}  // namespace halyard
