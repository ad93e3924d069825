#pragma once
// CDataCapture: the "Data Capture" page (page 2). The user starts and stops
// logging to a file with its options (automatic "R?", time stamps, a new file
// every day at a set time with "AC" at the start and "A?" at the end of each
// file), and starts and stops polling the sensor with a command. The page
// collects the settings and calls the document; it keeps no state of the log
// of its own: whenever the document ends logging (a file error, the
// connection closing) it returns to its idle state. UI thread only.

#include <QString>

#include <cstdint>

#include "ui/CDocDialog.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace halyard {

class CSpinEdit;

class CDataCapture : public CDocDialog {
    Q_OBJECT
public:
    explicit CDataCapture(QWidget* pParent = nullptr);

    void OnInitDialog() override;
    void OnLogError(uint32_t wParam, int32_t lParam) override;
    void OnCommsClosed() override;

    void OnBnClickedStartLog();
    void OnBnClickedStopLog();
    void OnBnClickedStartStopPoll();
    void OnBnClickedDailyOn();
    void OnBnClickedDailyOff();
    void EnableButtons(bool bEnable);

    int32_t m_nAutoR = 0;  // 0 = "Yes", 1 = "No", for each radio group
    int32_t m_nTimestamp = 0;
    int32_t m_nDailyCapture = 0;
    QString m_strFilePrefix = QStringLiteral("LogFile");
    int16_t m_nHour = 0;
    int16_t m_nMinute = 0;
    int m_bResetAtStart = 1;
    int m_bCaptureAtEnd = 1;
    QString m_strPollText;
    int16_t m_nPollTime = 10;
    QString m_strLogFile;
    bool m_bPolling = false;
    int32_t m_nAutoM = 1;
    int32_t m_nAutoXW = 1;

protected:
    void DoDataExchange(bool bSaveAndValidate) override;

private:
    QButtonGroup* AddYesNoGroup(int nYesId, const char* szYesName, const char* szYes, int nNoId,
                                const char* szNoName, const char* szNo, int x, int y, int nNoDx, int nNoDy);
    bool ExchangeNumber(CSpinEdit* pEdit, int16_t& nMember);
    void ShowPolling(bool bPolling);
    // The check boxes follow the daily capture choice.
    void EnableCheckBoxes();

    QPushButton* m_pStartLog;
    QPushButton* m_pStopLog;
    QButtonGroup* m_pAutoRGroup;
    QButtonGroup* m_pTimestampGroup;
    QButtonGroup* m_pDailyGroup;
    QButtonGroup* m_pAutoMGroup;
    QButtonGroup* m_pAutoXWGroup;
    QLineEdit* m_pFilePrefix;
    CSpinEdit* m_HourSpin;
    CSpinEdit* m_MinuteSpin;
    QCheckBox* m_pResetAtStart;
    QCheckBox* m_pCaptureAtEnd;
    QLineEdit* m_pPollText;
    CSpinEdit* m_PollSpin;
    QPushButton* m_pStartStopPoll;
};

}  // namespace halyard
