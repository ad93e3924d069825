#pragma once
// CALSTerminal: the "ALS Terminal" page (page 5), shown while the ALS option
// is on. The terminal page for the ambient light sensor: its commands carry
// the prefix "ALS-"; the command line starts empty; its diagnostic save and
// parameter load are the ALS's. UI thread only.

#include "CTerminalPageBase.h"

namespace halyard {

class CALSTerminal : public CTerminalPageBase {
    Q_OBJECT
public:
    explicit CALSTerminal(QWidget* pParent = nullptr);

protected:
    void StartDump(const std::string& strPath) override;
    void StartLoad(const std::string& strPath) override;
};

}  // namespace halyard
