#pragma once
// CALSTerminal: the "ALS Terminal" page (page 5), shown while the ALS option
// is on. The terminal page for the ambient light sensor: its commands carry
// the prefix "ALS-"; the command line starts empty. UI thread only.

#include "CTerminalPageBase.h"

namespace halyard {

class CALSTerminal : public CTerminalPageBase {
    Q_OBJECT
public:
    explicit CALSTerminal(QWidget* pParent = nullptr);
};

}  // namespace halyard
