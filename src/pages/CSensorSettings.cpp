#include "CSensorSettings.h"

#include "resources/Resource.h"

namespace halyard {

CSensorSettings::CSensorSettings(QWidget* pParent)
    : CDocDialog(IDD_SENSOR_SETTINGS, pParent)
{
    setObjectName(QStringLiteral("CSensorSettingsPage"));
}

}  // namespace halyard
