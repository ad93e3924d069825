#pragma once
// CDataCapture: the "Data Capture" page (page 2). Its controls and its conversation
// with the sensor are added with that feature; until then the page is shown
// empty under its tab. UI thread only.

#include "shell/CDocDialog.h"

namespace halyard {

class CDataCapture : public CDocDialog {
    Q_OBJECT
public:
    explicit CDataCapture(QWidget* pParent = nullptr);
};

}  // namespace halyard
