#pragma once
// CTempCalibPage: the "PQD Temperature Calibration" page (page 6). Its controls and its conversation
// with the sensor are added with that feature; until then the page is shown
// empty under its tab. UI thread only.

#include "shell/CDocDialog.h"

namespace halyard {

class CTempCalibPage : public CDocDialog {
    Q_OBJECT
public:
    explicit CTempCalibPage(QWidget* pParent = nullptr);
};

}  // namespace halyard
