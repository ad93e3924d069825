#include "CDataPlotPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <qcustomplot.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fstream>

#include "CPlotFieldList.h"
#include "document/CHalyardDoc.h"
#include "document/IDocHost.h"
#include "document/LogReader.h"
#include "platform/SysError.h"
#include "resources/Resource.h"
#include "ui/DialogUnits.h"
#include "ui/TextConvert.h"
#include "ui/UiPrompts.h"

namespace halyard {
namespace {

// The colour of the nth graph drawn: ten that tell apart well, then again.
QColor GraphColour(size_t nGraph)
{
    static const std::array<QColor, 10> kColours = {
        QColor(31, 119, 180), QColor(214, 39, 40),  QColor(44, 160, 44),   QColor(255, 127, 14),
        QColor(148, 103, 189), QColor(140, 86, 75), QColor(227, 119, 194), QColor(127, 127, 127),
        QColor(188, 189, 34),  QColor(23, 190, 207)};
    return kColours[nGraph % kColours.size()];
}

// The spans of the range list, in seconds; 0 shows everything.
constexpr std::array<std::pair<const char*, int>, 4> kRanges = {
    {{"5 min", 300}, {"1 h", 3600}, {"24 h", 86400}, {"All", 0}}};

// The widest message from the mouse to a point that still names the point, in pixels.
constexpr double kNearPixels = 12;

}  // namespace

CDataPlotPage::CDataPlotPage(QWidget* pParent)
    : CDocDialog(IDD_DATA_PLOT, pParent)
    , m_pTimeTicker(new QCPAxisTickerDateTime)
    , m_pNumberTicker(new QCPAxisTicker)
    , m_pFields(new CPlotFieldList(this))
    , m_pPlot(new QCustomPlot(this))
    , m_cbRange(new QComboBox(this))
    , m_pAutoscale(new QCheckBox(QStringLiteral("Autoscale"), this))
    , m_pPause(new QCheckBox(QStringLiteral("Pause"), this))
    , m_pValue(new QLabel(this))
    , m_pOpenLog(AddButton("Open Log...", IDC_PLOT_OPEN_LOG, "plotOpenLogButton", 276, 44))
    , m_pLive(AddButton("Live Data", IDC_PLOT_LIVE, "plotLiveButton", 322, 42))
    , m_pSavePlot(AddButton("Save Plot...", IDC_PLOT_SAVE, "plotSaveButton", 366, 44))
    , m_pExportCsv(AddButton("Export CSV...", IDC_PLOT_EXPORT, "plotExportButton", 412, 46))
{
    setObjectName(QStringLiteral("dataPlotPage"));
    BuildForm();
    m_redrawTimer.setInterval(REDRAW_MS);
    connect(&m_redrawTimer, &QTimer::timeout, this, &CDataPlotPage::OnRedrawTimer);
}

CDataPlotPage::~CDataPlotPage() = default;

QPushButton* CDataPlotPage::AddButton(const char* szCaption, int nId, const char* szObjectName, int x, int cx)
{
    auto* pButton = new QPushButton(QString::fromLatin1(szCaption), this);
    pButton->setAutoDefault(false);
    SetControlId(pButton, nId, szObjectName);
    PlaceDlu(pButton, x, 95, cx, 15);
    return pButton;
}

void CDataPlotPage::BuildForm()
{
    SetControlId(m_pFields, IDC_PLOT_FIELDS, "plotFieldList");
    m_pFields->setAccessibleName(QStringLiteral("Fields"));
    PlaceDlu(m_pFields, 3, 3, 150, 72);
    SetControlId(m_pPlot, IDC_PLOT, "plot");
    m_pPlot->setAccessibleName(QStringLiteral("Data plot"));
    PlaceDlu(m_pPlot, 156, 3, 302, 89);

    auto* pRangeLabel = new QLabel(QStringLiteral("Time range:"), this);
    SetControlId(pRangeLabel, IDC_PLOT_RANGE_LABEL, "plotRangeLabel");
    pRangeLabel->setBuddy(m_cbRange);
    PlaceDlu(pRangeLabel, 3, 81, 40, 8);
    SetControlId(m_cbRange, IDC_PLOT_RANGE, "plotRangeCombo");
    m_cbRange->setAccessibleName(QStringLiteral("Time range"));
    for (const auto& [szText, nSeconds] : kRanges)
        m_cbRange->addItem(QString::fromLatin1(szText), nSeconds);
    m_cbRange->setCurrentIndex(0);
    PlaceDlu(m_cbRange, 44, 78, 50, 14);
    SetControlId(m_pAutoscale, IDC_PLOT_AUTOSCALE, "plotAutoscaleCheck");
    m_pAutoscale->setChecked(true);
    PlaceDlu(m_pAutoscale, 3, 98, 50, 10);
    SetControlId(m_pPause, IDC_PLOT_PAUSE, "plotPauseCheck");
    PlaceDlu(m_pPause, 60, 98, 40, 10);
    SetControlId(m_pValue, IDC_PLOT_VALUE, "plotValueLabel");
    m_pValue->setWordWrap(true);
    PlaceDlu(m_pValue, 156, 94, 118, 17);
    m_pLive->setEnabled(false);

    m_pPlot->setMouseTracking(true);
    m_pPlot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    m_pPlot->axisRect()->setRangeDrag(Qt::Vertical);
    m_pPlot->axisRect()->setRangeZoom(Qt::Vertical);
    m_pPlot->legend->setFont(font());
    // The newest values come in at the right.
    m_pPlot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    m_pPlot->xAxis->setTickLabelFont(font());
    m_pPlot->yAxis->setTickLabelFont(font());
    m_pTimeTicker->setDateTimeSpec(Qt::LocalTime);

    connect(m_pFields, &CPlotFieldList::fieldsChanged, this, &CDataPlotPage::Redraw);
    connect(m_cbRange, &QComboBox::currentIndexChanged, this, &CDataPlotPage::Redraw);
    connect(m_pAutoscale, &QCheckBox::toggled, this, &CDataPlotPage::Redraw);
    connect(m_pPause, &QCheckBox::toggled, this, &CDataPlotPage::Redraw);
    connect(m_pPlot, &QCustomPlot::mouseMove, this, [this](QMouseEvent* pEvent) { ShowValueAt(pEvent->pos()); });
    connect(m_pOpenLog, &QPushButton::clicked, this, &CDataPlotPage::OnBnClickedOpenLog);
    connect(m_pLive, &QPushButton::clicked, this, &CDataPlotPage::OnBnClickedLiveData);
    connect(m_pSavePlot, &QPushButton::clicked, this, &CDataPlotPage::OnBnClickedSavePlot);
    connect(m_pExportCsv, &QPushButton::clicked, this, &CDataPlotPage::OnBnClickedExportCsv);
}

void CDataPlotPage::OnInitDialog()
{
    CDocDialog::OnInitDialog();
    Redraw();
}

void CDataPlotPage::UpdateDataFromDoc()
{
    m_bChanged = true;
    OnRedrawTimer();
}

void CDataPlotPage::showEvent(QShowEvent* pEvent)
{
    CDocDialog::showEvent(pEvent);
    m_redrawTimer.start();
}

void CDataPlotPage::hideEvent(QHideEvent* pEvent)
{
    m_redrawTimer.stop();
    CDocDialog::hideEvent(pEvent);
}

void CDataPlotPage::AddDataMessage(TimePoint time, const std::string& strMessage)
{
    m_liveStore.Add(SecondsSinceEpoch(time), strMessage);
    if (!m_pLogStore)
        m_bChanged = true;
}

void CDataPlotPage::OnRedrawTimer()
{
    if (!m_bChanged || !isVisible())
        return;
    m_bChanged = false;
    if (!m_pLogStore && Doc() != nullptr && Doc()->IsConnected())
        m_pFields->SetModel(FromDocText(Doc()->GetModelName()));
    m_pFields->ShowFields(ShownStore().LastFields());
    Redraw();
}

// ---------------------------------------------------------------------------
// Drawing

std::pair<double, double> CDataPlotPage::RangeToShow() const
{
    const auto span = ShownStore().Span();
    if (!span)
        return {0, 1};
    const double dSeconds = m_cbRange->currentData().toDouble();
    // A log without stamps is shown whole: its x are numbers, not seconds.
    if (dSeconds <= 0 || (m_pLogStore && m_bLogNumbered))
        return *span;
    return {span->second - dSeconds, span->second};
}

void CDataPlotPage::Redraw()
{
    // A paused picture stands still, whatever comes in or changes.
    if (m_pPause->isChecked())
        return;
    auto [dFrom, dTo] = RangeToShow();
    if (dTo <= dFrom) {
        dFrom -= 1;
        dTo += 1;
    }
    DrawGraphs(dFrom, dTo);
    m_pPlot->xAxis->setRange(dFrom, dTo);
    SetXAxis(dTo - dFrom);
    if (m_pAutoscale->isChecked())
        ScaleValues(dFrom, dTo);
    m_pPlot->replot();
    ++m_nRedraws;
}

void CDataPlotPage::DrawGraphs(double dFrom, double dTo)
{
    m_pPlot->clearGraphs();
    const int nColumns = std::max(1, m_pPlot->axisRect()->width());
    const std::vector<int> fields = m_pFields->CheckedFields();
    for (size_t nGraph = 0; nGraph < fields.size(); ++nGraph) {
        const int nField = fields[nGraph];
        QCPGraph* pGraph = m_pPlot->addGraph();
        pGraph->setName(m_pFields->Label(nField));
        pGraph->setPen(QPen(GraphColour(nGraph), 1.5));
        QVector<QCPGraphData> data;
        for (const auto& [dX, dY] : ShownStore().Decimate(nField, dFrom, dTo, nColumns))
            data.append(QCPGraphData(dX, dY));
        pGraph->data()->set(data, true);
    }
    m_pPlot->legend->setVisible(m_pPlot->graphCount() > 0);
}

void CDataPlotPage::ScaleValues(double dFrom, double dTo)
{
    std::optional<QCPRange> values;
    for (const int nField : m_pFields->CheckedFields()) {
        const auto extent = ShownStore().Extent(nField, dFrom, dTo);
        if (!extent)
            continue;
        if (!values)
            values = QCPRange(extent->first, extent->second);
        values->expand(QCPRange(extent->first, extent->second));
    }
    if (!values)
        return;
    // A little room above and below; a flat line gets a unit either side.
    const double dPad = values->size() > 0 ? values->size() * 0.05 : 1;
    m_pPlot->yAxis->setRange(values->lower - dPad, values->upper + dPad);
}

void CDataPlotPage::SetXAxis(double dSpan)
{
    if (m_pLogStore && m_bLogNumbered) {
        m_pPlot->xAxis->setTicker(m_pNumberTicker);
        m_pPlot->xAxis->setLabel(QStringLiteral("data message number (the log has no time stamps)"));
        return;
    }
    m_pTimeTicker->setDateTimeFormat(dSpan <= 2 * 3600    ? QStringLiteral("HH:mm:ss")
                                     : dSpan <= 2 * 86400 ? QStringLiteral("dd/MM HH:mm")
                                                          : QStringLiteral("dd/MM/yyyy"));
    m_pPlot->xAxis->setTicker(m_pTimeTicker);
    m_pPlot->xAxis->setLabel(m_pLogStore ? QStringLiteral("time (log)") : QStringLiteral("time"));
}

QString CDataPlotPage::XText(double dX) const
{
    if (m_pLogStore && m_bLogNumbered)
        return QStringLiteral("message %1").arg(static_cast<long long>(dX));
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(dX * 1000)).toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

void CDataPlotPage::ShowValueAt(const QPoint& pos)
{
    // The point of a graph nearest the mouse, when one is near; else where the mouse is.
    double dNearest = kNearPixels;
    std::optional<QCPGraphData> point;
    QString strName;
    for (int n = 0; n < m_pPlot->graphCount(); ++n) {
        QCPGraph* pGraph = m_pPlot->graph(n);
        QVariant details;
        const double dDistance = pGraph->selectTest(pos, false, &details);
        const QCPDataSelection selection = details.value<QCPDataSelection>();
        if (dDistance < 0 || dDistance >= dNearest || selection.isEmpty())
            continue;
        dNearest = dDistance;
        point = *pGraph->data()->at(selection.dataRange().begin());
        strName = pGraph->name();
    }
    if (point) {
        m_pValue->setText(QStringLiteral("%1: %2 at %3").arg(strName, QString::number(point->value, 'g', 7),
                                                            XText(point->key)));
        return;
    }
    m_pValue->setText(QStringLiteral("%1, %2").arg(XText(m_pPlot->xAxis->pixelToCoord(pos.x())),
                                                  QString::number(m_pPlot->yAxis->pixelToCoord(pos.y()), 'g', 5)));
}

// ---------------------------------------------------------------------------
// Logs, pictures and CSV

void CDataPlotPage::StartTask(const QString& strText, std::function<void(const CLogFileTask::Progress&)> work,
                              std::function<void()> done)
{
    m_pTask = std::make_unique<CLogFileTask>(this, strText, std::move(work));
    m_pOpenLog->setEnabled(false);
    m_pExportCsv->setEnabled(false);
    connect(
        m_pTask.get(), &CLogFileTask::finished, this,
        [this, done = std::move(done)] {
            const std::unique_ptr<CLogFileTask> pTask = std::move(m_pTask);
            m_pOpenLog->setEnabled(true);
            m_pExportCsv->setEnabled(true);
            done();
        },
        Qt::QueuedConnection);
}

void CDataPlotPage::OnBnClickedOpenLog()
{
    if (m_pTask)
        return;
    const auto path = CUiPrompts::GetOpenFileName(this, QStringLiteral("Log Files (*.LOG);;All Files (*)"),
                                                  QStringLiteral("LOG"));
    if (!path)
        return;
    const std::string strPath = ToFileSystemPath(*path);
    auto pStore = std::make_shared<CSeriesStore>();
    auto pLoad = std::make_shared<LogSeriesLoad>();
    StartTask(
        QStringLiteral("Loading %1...").arg(QFileInfo(*path).fileName()),
        [strPath, pStore, pLoad](const CLogFileTask::Progress& progress) {
            *pLoad = LoadLogSeries(strPath, *pStore, progress);
        },
        [this, strPath, pStore, pLoad] { OnLogLoaded(strPath, *pStore, *pLoad); });
}

void CDataPlotPage::OnLogLoaded(const std::string& strPath, CSeriesStore& store, const LogSeriesLoad& load)
{
    const bool bShown = load.summary.nError == 0 && load.summary.nDataMessages > 0;
    if (bShown) {
        m_pLogStore = std::make_unique<CSeriesStore>(std::move(store));
        m_strLogPath = strPath;
        m_bLogNumbered = load.bNumbered;
        ShowStore();
    }
    const std::string strProblem = LogReadProblem(strPath, load.summary);
    if (!strProblem.empty())
        CUiPrompts::MessageBox(this, FromFileSystemPath(strProblem),
                               MB_OK | (bShown ? MB_ICONWARNING : MB_ICONERROR));
}

void CDataPlotPage::OnBnClickedLiveData()
{
    m_pLogStore.reset();
    m_strLogPath.clear();
    m_bLogNumbered = false;
    ShowStore();
}

void CDataPlotPage::ShowStore()
{
    m_pLive->setEnabled(m_pLogStore != nullptr);
    m_pFields->ShowFields(ShownStore().LastFields());
    Redraw();
}

void CDataPlotPage::OnBnClickedSavePlot()
{
    const auto path = CUiPrompts::GetSaveFileName(this, QStringLiteral("PNG Files (*.png)"), QStringLiteral("png"));
    if (path && !m_pPlot->savePng(*path))
        CUiPrompts::MessageBox(this, QStringLiteral("The plot could not be saved as %1.").arg(*path),
                               MB_OK | MB_ICONERROR);
}

void CDataPlotPage::OnBnClickedExportCsv()
{
    if (m_pTask)
        return;
    const auto path = CUiPrompts::GetSaveFileName(this, QStringLiteral("CSV Files (*.csv)"), QStringLiteral("csv"));
    if (!path)
        return;
    const std::string strPath = ToFileSystemPath(*path);
    auto pOut = std::make_shared<std::ofstream>(strPath, std::ios::binary | std::ios::trunc);
    if (!*pOut) {
        ReportWriteError(strPath, errno);
        return;
    }
    const QCPRange shown = m_pPlot->xAxis->range();
    if (m_pLogStore)
        ExportLogRange(std::move(pOut), strPath, {shown.lower, shown.upper});
    else
        ExportHeldRange(*pOut, strPath, {shown.lower, shown.upper});
}

void CDataPlotPage::ExportLogRange(std::shared_ptr<std::ofstream> pOut, const std::string& strPath,
                                   std::pair<double, double> range)
{
    // The summary of the reading, and the errno of a failed write.
    auto pResult = std::make_shared<std::pair<LogReadSummary, int>>();
    StartTask(
        QStringLiteral("Exporting %1...").arg(QFileInfo(FromFileSystemPath(strPath)).fileName()),
        [pOut, pResult, strLog = m_strLogPath, fields = m_pFields->CheckedFields(),
         range](const CLogFileTask::Progress& progress) {
            pResult->first = ExportLogCsv(strLog, fields, *pOut, range, progress);
            pOut->flush();
            pResult->second = *pOut ? 0 : errno;
        },
        [this, strPath, pResult, strLog = m_strLogPath] {
            if (pResult->second != 0)
                ReportWriteError(strPath, pResult->second);
            else if (pResult->first.bCancelled)
                CUiPrompts::MessageBox(
                    this, FromFileSystemPath("Exporting was cancelled: " + strPath + " holds only the first rows."),
                    MB_OK | MB_ICONWARNING);
            else if (pResult->first.nError != 0)
                CUiPrompts::MessageBox(this, FromFileSystemPath(LogReadProblem(strLog, pResult->first)),
                                       MB_OK | MB_ICONERROR);
        });
}

void CDataPlotPage::ExportHeldRange(std::ofstream& out, const std::string& strPath, std::pair<double, double> range)
{
    const auto [messages, bWhole] = m_liveStore.Messages(range.first, range.second);
    WriteMessagesCsv(out, messages, m_pFields->CheckedFields(), true);
    out.flush();
    if (!out)
        ReportWriteError(strPath, errno);
    else if (!bWhole)
        CUiPrompts::MessageBox(this,
                               QStringLiteral("The plot no longer holds the oldest data messages of the range "
                                              "shown: the CSV holds the %1 it still holds.")
                                   .arg(messages.size()),
                               MB_OK | MB_ICONINFORMATION);
}

void CDataPlotPage::ReportWriteError(const std::string& strPath, int nError)
{
    CUiPrompts::MessageBox(this, FromFileSystemPath(strPath + " could not be written: " + SystemErrorText(nError)),
                           MB_OK | MB_ICONERROR);
}

}  // namespace halyard
