#include "CTestProtocolPage.h"

#include "resources/Resource.h"

namespace halyard {

CTestProtocolPage::CTestProtocolPage(QWidget* pParent)
    : CDocDialog(IDD_TEST_PROTOCOL, pParent)
{
    setObjectName(QStringLiteral("CTestProtocolPagePage"));
}

}  // namespace halyard
