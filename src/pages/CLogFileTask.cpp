#include "CLogFileTask.h"

#include <QProgressDialog>

namespace halyard {
namespace {

constexpr int kProgressSteps = 1000;
constexpr int kPollMs = 100;

}  // namespace

CLogFileTask::CLogFileTask(QWidget* pParent, const QString& strText, std::function<void(const Progress&)> work)
    : m_pProgress(std::make_unique<QProgressDialog>(strText, QStringLiteral("Cancel"), 0, kProgressSteps, pParent))
{
    m_pProgress->setObjectName(QStringLiteral("logFileProgress"));
    m_pProgress->setWindowTitle(QStringLiteral("Data Plot"));
    m_pProgress->setWindowModality(Qt::WindowModal);
    m_pProgress->setMinimumDuration(0);
    m_pProgress->setAutoClose(false);
    m_pProgress->setAutoReset(false);
    m_pProgress->setValue(0);
    connect(m_pProgress.get(), &QProgressDialog::canceled, this, [this] { m_bCancel = true; });
    connect(&m_poll, &QTimer::timeout, this, &CLogFileTask::Poll);
    m_poll.start(kPollMs);
    m_thread = std::thread([this, work = std::move(work)] {
        work([this](uint64_t nRead, uint64_t nTotal) {
            m_nTotal = nTotal;
            m_nRead = nRead;
            return !m_bCancel;
        });
        m_bDone = true;
    });
}

CLogFileTask::~CLogFileTask()
{
    m_bCancel = true;
    if (m_thread.joinable())
        m_thread.join();
}

void CLogFileTask::Poll()
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
