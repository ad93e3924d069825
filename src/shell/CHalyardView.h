#pragma once
// CHalyardView: the main form. It holds the tab control with the task pages,
// the received-data list with Save and Clear, and the RS485 address controls.
// It is the user-interface end of the document's messages (dispatched by its
// message map): it lists every command sent and line received, shows the
// progress of long sequences, and adds and removes the optional tabs from the
// Options menu. Its window timers 2 to 8 are started and stopped by its
// CTimerSchedule (the automatic "R?", "M?" and "XW?", polling, the daily log
// change, the progress tick); their expiries go to the document.
// It shows and forwards; the document decides. UI thread only.

#include <QString>
#include <QWidget>

#include <cstdint>
#include <string>

#include "CDiagDialog.h"
#include "MessageMap.h"
#include "ui/WindowTimers.h"
#include "document/CTimerSchedule.h"
#include "document/Sequences.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace halyard {

class CDynamicTabCtrl;
class CHalyardDoc;
class CReceivedDataList;

// The page index of tab position nSel, given where the optional tabs are
// (-1 when absent): data plot 7, temperature calibration 6, ALS 5, test 4,
// else nSel.
int PageIndexOfTab(int nSel, int nTempCalTab, int nALSTab, int nTestTab, int nPlotTab = -1);

class CHalyardView : public QWidget, public IDiagDlgOwner {
    Q_OBJECT
public:
    explicit CHalyardView(QWidget* pParent = nullptr);
    ~CHalyardView() override;

    void SetDocument(CHalyardDoc* pDoc) { m_pDoc = pDoc; }
    CHalyardDoc* GetDocument() const { return m_pDoc; }

    void OnInitialUpdate();
    bool UpdateData(bool bSaveAndValidate = true);
    QString UpdateDataList(const QString& szLine);
    void DiagDlgDone() override;
    void DiagDlgCancel() override;

    // Options menu: commands and their check marks.
    void OnOptionsTestoption();
    void OnOptionsALSoption();
    void OnOptionsRs485option();
    void OnOptionsTempcaloption();
    // View menu: the data plot's tab.
    void OnViewDataplot();

    // Controls.
    void OnTcnSelchangeTab1();
    void OnBnClickedSaveDataButton1();
    void OnBnClickedClearDataButton2();
    void OnBnClickedCheck1();
    void OnEnKillfocusSensorAddress();
    void OnTimer(uint32_t nIDEvent);

    // The page index of the current tab.
    int CurrentPage() const;
    CDynamicTabCtrl& TabCtrl() { return *m_tabCtrl; }
    CReceivedDataList& DataList() { return *m_listData; }
    CDiagDialog* DiagDialog() const { return m_pDiagDlg; }
    const CWindowTimers& Timers() const { return m_timers; }
    const CTimerSchedule& Schedule() const { return m_schedule; }

    int m_nLastTab = 3;
    int m_nALSTab = -1;
    int m_nTestTab = -1;
    int m_nTempCalTab = -1;
    int m_nPlotTab = -1;
    int m_nSensorAddress = 0;
    bool m_bRS485Enabled = false;
    bool m_bTestOption = false;
    bool m_bALSOption = false;
    bool m_bRS485Option = false;
    bool m_bTempCalOption = false;
    bool m_bPlotOption = false;

protected:
    bool event(QEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    // Application messages.
    intptr_t OnCommsTimeout(uintptr_t wParam, intptr_t lParam);
    intptr_t OnCommsData(uintptr_t wParam, intptr_t lParam);
    intptr_t OnCommsCommand(uintptr_t wParam, intptr_t lParam);
    intptr_t OnCommsOpen(uintptr_t wParam, intptr_t lParam);
    intptr_t OnCommsNoConnect(uintptr_t wParam, intptr_t lParam);
    intptr_t OnPollStart(uintptr_t wParam, intptr_t lParam);
    intptr_t OnPollStop(uintptr_t wParam, intptr_t lParam);
    intptr_t OnAccumStart(uintptr_t wParam, intptr_t lParam);
    intptr_t OnAutoRStart(uintptr_t wParam, intptr_t lParam);
    intptr_t OnAutoMStart(uintptr_t wParam, intptr_t lParam);
    intptr_t OnAutoXWStart(uintptr_t wParam, intptr_t lParam);
    intptr_t OnInitStart(uintptr_t wParam, intptr_t lParam);
    intptr_t OnStartSeq(uintptr_t wParam, intptr_t lParam);
    intptr_t OnALSDump(uintptr_t wParam, intptr_t lParam);
    intptr_t OnParamLoad(uintptr_t wParam, intptr_t lParam);
    intptr_t OnRS485Enable(uintptr_t wParam, intptr_t lParam);
    intptr_t OnLogError(uintptr_t wParam, intptr_t lParam);
    intptr_t OnFirstDataMsg(uintptr_t wParam, intptr_t lParam);

    static const CMessageMap<CHalyardView>& MessageMap();

    void OnSequenceProgress(const SequenceProgress& seq, uintptr_t wParam);
    struct OptionalTab;
    void ToggleOptionalTab(size_t nIndex);
    void OnTimerExpired(uint32_t nIDEvent);
    // A window timer that could not be started is reported.
    void CheckTimerStarted(bool bStarted);
    void ShowRS485Controls();
    void BuildForm();

    CHalyardDoc* m_pDoc = nullptr;
    CWindowTimers m_timers;
    CTimerSchedule m_schedule;
    CDynamicTabCtrl* m_tabCtrl;
    CReceivedDataList* m_listData;
    QLabel* m_pAddressLabel;
    QLineEdit* m_pSensorAddress;
    QCheckBox* m_pRS485Check;
    QPushButton* m_pSave;
    QPushButton* m_pClear;
    CDiagDialog* m_pDiagDlg = nullptr;  // owned by the dialog itself
};

}  // namespace halyard
