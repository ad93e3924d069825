#pragma once
// CSensorSettings: the "Sensor Settings" page (page 3). It shows the sensor's
// operating state and options word as rows of choices and as their
// 17-character texts, and writes both back on Update. Shown, it asks for the
// options word at once and the operating state a second later (timer 9).
// Update, after a confirmation, sends "OS...", "CO" and "OP..." one second
// after each reply, and only once both registers have been read since the
// page was shown; an update whose sensor stops answering is given up after
// 10 s without a reply. The selections' meaning is SensorSettingsValues'.
// UI thread only.

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "document/SensorSettingsValues.h"
#include "ui/CDocDialog.h"
#include "ui/WindowTimers.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace halyard {

class CSensorSettings : public CDocDialog, public SensorSettingsValues {
    Q_OBJECT
public:
    explicit CSensorSettings(QWidget* pParent = nullptr);

    void OnInitDialog() override;
    void GotCommsData(std::string& szData) override;
    void UpdateDataFromDoc() override;
    void OnTimer(uint32_t nIDEvent);
    void OnBnClickedUpdateButton1();
    void OnOptionsChoice();
    void OnOpStateChoice();

    QString m_strOpState;
    QString m_strOptions;
    bool m_bOpStateKnown = false;
    bool m_bOptionsKnown = false;
    bool m_bUpdating = false;
    int m_nUpdateStep = 0;
    uint32_t m_nTimerID = 0;

    // Seconds without a reply after which an update is given up.
    static constexpr int UPDATE_SILENCE_TICKS = 10;

protected:
    void DoDataExchange(bool bSaveAndValidate) override;

private:
    // The choices loaded and written back but never shown, and the
    // Enable Write box.
    void AddHiddenChoices();
    // The two registers' read-only edits and Update.
    void AddRegisterControls();
    QButtonGroup* AddChoices(const char* szTitle, int x, int y, int cx, int cy,
                             std::initializer_list<std::pair<int, const char*>> buttons, int* pnMember,
                             bool bOptions);
    void RestartTimer();
    void StopTimer();
    void NextUpdateStep();
    void RefreshOptions();
    void RefreshOpState();

    CWindowTimers m_timers;
    std::vector<std::pair<QButtonGroup*, int*>> m_groups;
    QCheckBox* m_pWriteNVRAM;
    QButtonGroup* m_pMsgFormat = nullptr;
    QLineEdit* m_pOpStateEdit;
    QLineEdit* m_pOptionsEdit;
    QPushButton* m_pUpdate;
    // A reply came since the update's last step; ticks without one.
    bool m_bReplySinceStep = false;
    int m_nSilentTicks = 0;
};

}  // namespace halyard
