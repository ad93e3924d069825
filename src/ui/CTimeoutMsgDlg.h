#pragma once
// CTimeoutMsgDlg: a modal Yes/No confirmation with two message lines that
// answers No by itself when nobody answers within m_nTimeout milliseconds
// (timer 1004). The terminal pages and the sensor settings page ask it before
// they overwrite the sensor's settings and act only on IDYES. Closing the
// dialog any other way counts as No. UI thread only.

#include <QDialog>
#include <QString>

#include <cstdint>

#include "WindowTimers.h"

class QLabel;
class QPushButton;

namespace halyard {

class CTimeoutMsgDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTimeoutMsgDlg(QWidget* pParent = nullptr);

    // Shows the dialog modally; IDYES or IDNO.
    int DoModal();

    QString m_strMessage1;
    uint32_t m_nTimeoutTimer = 0;
    int m_nTimeout = 10000;
    QString m_strMessage2;

    // Escape and the close box: the same as No.
    void reject() override;

private:
    void OnInitDialog();
    void OnBnClickedYesbutton();
    void OnBnClickedNobutton2();
    void OnTimer(uint32_t nIDEvent);
    void StopTimer();

    QLabel* m_pMessage1;
    QLabel* m_pMessage2;
    QPushButton* m_pYes;
    QPushButton* m_pNo;
    CWindowTimers m_timers;
};

}  // namespace halyard
