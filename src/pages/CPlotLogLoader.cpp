#include "CPlotLogLoader.h"

#include <QFileInfo>
#include <QProgressDialog>

#include "shell/TextConvert.h"

namespace halyard {
namespace {

constexpr int kProgressSteps = 1000;
constexpr int kPollMs = 100;

}  // namespace

CPlotLogLoader::CPlotLogLoader(QWidget* pParent, std::string strPath)
    : QObject(pParent)
    , m_strPath(std::move(strPath))
    , m_pStore(std::make_unique<CSeriesStore>())
    , m_pProgress(std::make_unique<QProgressDialog>(
          QStringLiteral("Loading %1...").arg(QFileInfo(FromFileSystemPath(m_strPath)).fileName()),
          QStringLiteral("Cancel"), 0, kProgressSteps, pParent))
{
    m_pProgress->setObjectName(QStringLiteral("plotLoadProgress"));
    m_pProgress->setWindowTitle(QStringLiteral("Open Log"));
    m_pProgress->setWindowModality(Qt::WindowModal);
    m_pProgress->setMinimumDuration(0);
    m_pProgress->setAutoClose(false);
    m_pProgress->setAutoReset(false);
    m_pProgress->setValue(0);
    connect(m_pProgress.get(), &QProgressDialog::canceled, this, [this] { m_bCancel = true; });
    connect(&m_poll, &QTimer::timeout, this, &CPlotLogLoader::Poll);
    m_poll.start(kPollMs);
    m_thread = std::thread([this] { Read(); });
}

CPlotLogLoader::~CPlotLogLoader()
{
    m_bCancel = true;
    if (m_thread.joinable())
        m_thread.join();
}

void CPlotLogLoader::Read()
{
    m_load = LoadLogSeries(m_strPath, *m_pStore, [this](uint64_t nRead, uint64_t nTotal) {
        m_nTotal = nTotal;
        m_nRead = nRead;
        return !m_bCancel;
    });
    m_bDone = true;
}

void CPlotLogLoader::Poll()
{
    const uint64_t nTotal = m_nTotal;
    if (nTotal > 0)
        m_pProgress->setValue(static_cast<int>(m_nRead * kProgressSteps / nTotal));
    if (!m_bDone)
        return;
    m_poll.stop();
    m_thread.join();
    m_pProgress->hide();
    emit finished();
}

}  // namespace halyard
