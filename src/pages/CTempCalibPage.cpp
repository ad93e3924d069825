#include "CTempCalibPage.h"

#include "resources/Resource.h"

namespace halyard {

CTempCalibPage::CTempCalibPage(QWidget* pParent)
    : CDocDialog(IDD_TEMP_CALIB, pParent)
{
    setObjectName(QStringLiteral("CTempCalibPagePage"));
}

}  // namespace halyard
