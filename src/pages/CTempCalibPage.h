#pragma once
// CTempCalibPage: the "PQD Temperature Calibration" page (page 6). Shown, it
// reads the sensor's temperature offset ("V63?") and, a second after the
// reply, its temperature ("R?"). Calibrate computes the offset that makes the
// sensor read the reference typed beside it, writes it through a temporary
// parameter file and the document's parameter upload, waits 25 s for the
// temperature to settle, and reads the values again. Nothing is sent for a
// reference that is not a number, or before both values were read; a reply
// whose value is out of its field's range is said and not taken. An upload
// that did not finish is said with its cause, runs no settle delay and is
// followed by a new read-out. The reference being typed is never rewritten.
// UI thread only.

#include <QString>

#include <cstdint>
#include <string>

#include "ui/CDocDialog.h"
#include "ui/WindowTimers.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace halyard {

class CTempCalibPage : public CDocDialog {
    Q_OBJECT
public:
    explicit CTempCalibPage(QWidget* pParent = nullptr);
    ~CTempCalibPage() override;

    void OnInitDialog() override;
    void GotCommsData(std::string& szData) override;
    void UpdateDataFromDoc() override;
    void DeleteTempFile(bool bFailed, int nEnd) override;
    void OnTimer(uint32_t nIDEvent);
    void OnBnClickedTempcalButton();

    // Tests shorten the one-second ticks of the settle delay.
    static void SetSettleTickMsForTests(int nMs);

    uint32_t m_nTimerID = 0;
    int m_nReadStage = 0;
    bool m_bReading = false;
    double m_dOffset = 0.0;
    double m_dSensorTemp = 0.0;
    int16_t m_nOffsetTenths = 0;
    QString m_strTempFile;
    int m_nSettleTicks = 0;
    bool m_bSettling = false;
    QString m_strSensorTemp;
    QString m_strRefTemp;
    QString m_strOffset;
    QString m_strStatus;
    QProgressBar* m_Progress;

    static constexpr int SETTLE_SECONDS = 25;

protected:
    void DoDataExchange(bool bSaveAndValidate) override;

private:
    void StartReadOut();
    // The values read and the status, not the reference the person types.
    void ShowReadings();
    void ReadOffset(const std::string& strLine);
    void ReadTemperature(const std::string& strLine);
    void SayUnreadable(const char* szWhat, const std::string& strField);
    void RestartTimer(int nMs = 1000);
    void StopTimer();
    bool WriteTempFile(int nOffsetTenths);
    void RemoveTempFile();

    CWindowTimers m_timers;
    QLineEdit* m_pSensorTemp;
    QLineEdit* m_pRefTemp;
    QLineEdit* m_pOffset;
    QLabel* m_pStatus;
    QPushButton* m_pCalibrate;
};

}  // namespace halyard
