#pragma once
// CPlotLogLoader: reads a log into a new CSeriesStore in a worker thread, as
// the data plot's "Open Log..." needs it, with a progress dialog whose Cancel
// stops the reading where it is. The window never waits for the reading:
// a timer on the UI thread moves the progress bar and notices the end, then
// joins the thread and emits finished(). Destroying the loader cancels the
// reading and joins the thread. Created and used on the UI thread.

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "document/CSeriesStore.h"
#include "document/LogReader.h"

class QProgressDialog;
class QWidget;

namespace halyard {

class CPlotLogLoader : public QObject {
    Q_OBJECT
public:
    CPlotLogLoader(QWidget* pParent, std::string strPath);
    ~CPlotLogLoader() override;

    const std::string& Path() const { return m_strPath; }
    // After finished(): the store read and how the reading went.
    std::unique_ptr<CSeriesStore> TakeStore() { return std::move(m_pStore); }
    const LogSeriesLoad& Load() const { return m_load; }
    QProgressDialog* ProgressDialog() const { return m_pProgress.get(); }

signals:
    void finished();

private:
    void Read();
    void Poll();

    const std::string m_strPath;
    std::unique_ptr<CSeriesStore> m_pStore;
    LogSeriesLoad m_load;  // written by the worker until m_bDone
    std::atomic<uint64_t> m_nRead{0};
    std::atomic<uint64_t> m_nTotal{0};
    std::atomic<bool> m_bCancel{false};
    std::atomic<bool> m_bDone{false};
    std::unique_ptr<QProgressDialog> m_pProgress;
    QTimer m_poll;
    std::thread m_thread;
};

}  // namespace halyard
