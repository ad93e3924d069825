#pragma once
// CTerminalWindow: the "Terminal Window" page (page 1). One button per common
// sensor command (quick commands and calibration commands), the command line
// and Send. The command line starts with a prompt text that clicking into it
// clears. The "CT" button is hidden for sensors of the LMW-40 / PQD series,
// whose temperature is calibrated on its own page. UI thread only.

#include "CTerminalPageBase.h"

namespace halyard {

class CTerminalWindow : public CTerminalPageBase {
    Q_OBJECT
public:
    explicit CTerminalWindow(QWidget* pParent = nullptr);

    void UpdateDataFromDoc() override;
    void OnEnSetfocusCommandEdit1();

    bool m_bPQDSensor = false;

protected:
    void OnCancel() override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    QPushButton* m_pCT = nullptr;
};

}  // namespace halyard
