#include "ProgramSettings.h"

#include "platform/SettingsFile.h"

namespace halyard {

QSettings ProgramSettings()
{
    return QSettings(QString::fromStdString(CSettingsFile::DefaultPath()), QSettings::IniFormat);
}

}  // namespace halyard
