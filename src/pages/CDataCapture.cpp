#include "CDataCapture.h"

#include "resources/Resource.h"

namespace halyard {

CDataCapture::CDataCapture(QWidget* pParent)
    : CDocDialog(IDD_DATA_CAPTURE, pParent)
{
    setObjectName(QStringLiteral("CDataCapturePage"));
}

}  // namespace halyard
