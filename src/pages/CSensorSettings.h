#pragma once
// CSensorSettings: the "Sensor Settings" page (page 3). Its controls and its conversation
// with the sensor are added with that feature; until then the page is shown
// empty under its tab. UI thread only.

#include "shell/CDocDialog.h"

namespace halyard {

class CSensorSettings : public CDocDialog {
    Q_OBJECT
public:
    explicit CSensorSettings(QWidget* pParent = nullptr);
};

}  // namespace halyard
