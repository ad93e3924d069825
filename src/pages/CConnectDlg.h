#pragma once
// CConnectDlg: the modal "Connect to Sensor" window shown while the document
// identifies the sensor. It only shows and ticks the identification logic
// (CConnectLogic): timer 11 calls the logic once per period and refreshes the
// countdown and status line; when the logic has finished the window closes.
// Cancel and the close box hand the logic its Cancel and Close, which close its
// port and keep what it has found. UI thread only.

#include <QDialog>

#include <cstdint>

#include "ui/WindowTimers.h"

class QLabel;
class QPushButton;

namespace halyard {

class CConnectLogic;

class CConnectDlg : public QDialog {
    Q_OBJECT
public:
    CConnectDlg(CConnectLogic& logic, QWidget* pParent = nullptr);

    // Opens the logic's port, starts the timer and runs modally until the logic
    // has finished. A port that could not be opened is then reported with the
    // system's reason (busy, missing, no permission), which the status line
    // "Port Not Connected" does not give.
    int DoModal();

    // Tests only: tick every nMs milliseconds instead of the logic's period
    // (0 restores it). The steps and the countdown stay the same.
    static void SetTickPeriodForTests(int nMs);

protected:
    void reject() override;  // Cancel button and Escape
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void OnInitDialog();
    void OnTimer(uint32_t nIDEvent);
    void OnBnClickedCancel();
    void ShowMembers();
    void EndWhenFinished();
    void ReportPortFailure();

    CConnectLogic& m_logic;
    QLabel* m_pTimeout;
    QLabel* m_pStatus;
    QPushButton* m_pCancel;
    CWindowTimers m_timers;
    uint32_t m_nTimerID = 0;
};

}  // namespace halyard
