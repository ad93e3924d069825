#pragma once
// CTestProtocolPage: the "Test Protocol" page (page 4). Its controls and its conversation
// with the sensor are added with that feature; until then the page is shown
// empty under its tab. UI thread only.

#include "shell/CDocDialog.h"

namespace halyard {

class CTestProtocolPage : public CDocDialog {
    Q_OBJECT
public:
    explicit CTestProtocolPage(QWidget* pParent = nullptr);
};

}  // namespace halyard
