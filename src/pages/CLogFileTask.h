#pragma once
// CLogFileTask: a long read of a log file for the data plot (loading it, or
// exporting a range of it as CSV) done in a worker thread, with a progress
// dialog whose Cancel stops the reading where it is. The window never waits
// for the reading: a timer on the UI thread moves the progress bar and
// notices the end, then joins the thread and emits finished(); what the work
// produced is the caller's to read from then on. Destroying the task cancels
// the reading and joins the thread. Created and used on the UI thread.

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class QProgressDialog;
class QString;
class QWidget;

namespace halyard {

class CLogFileTask : public QObject {
    Q_OBJECT
public:
    // Bytes read and bytes in all; false stops the reading.
    using Progress = std::function<bool(uint64_t, uint64_t)>;

    // Runs work in a worker thread at once; the dialog shows strText.
    CLogFileTask(QWidget* pParent, const QString& strText, std::function<void(const Progress&)> work);
    ~CLogFileTask() override;

    QProgressDialog* ProgressDialog() const { return m_pProgress.get(); }

signals:
    void finished();

private:
    void Poll();

    std::atomic<uint64_t> m_nRead{0};
    std::atomic<uint64_t> m_nTotal{0};
    std::atomic<bool> m_bCancel{false};
    std::atomic<bool> m_bDone{false};
    std::unique_ptr<QProgressDialog> m_pProgress;
    QTimer m_poll;
    std::thread m_thread;
};

}  // namespace halyard
