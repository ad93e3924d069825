#include "CQtPortMemory.h"

#include "platform/SettingsPortMemory.h"
#include "ui/ProgramSettings.h"

namespace halyard {

std::map<std::string, int> CQtPortMemory::Load()
{
    QSettings settings = ProgramSettings();
    settings.beginGroup(QLatin1String(kPortMemoryGroup));
    std::map<std::string, int> numbers;
    for (const QString& strKey : settings.childKeys()) {
        bool bNumber = false;
        const int nPort = settings.value(strKey).toInt(&bNumber);
        if (bNumber && nPort >= 1)
            numbers[strKey.toStdString()] = nPort;
    }
    return numbers;
}

void CQtPortMemory::Save(const std::map<std::string, int>& numbers)
{
    QSettings settings = ProgramSettings();
    settings.beginGroup(QLatin1String(kPortMemoryGroup));
    settings.remove(QString());
    for (const auto& [strKey, nPort] : numbers)
        settings.setValue(QString::fromStdString(strKey), nPort);
    settings.endGroup();
    settings.sync();
}

}  // namespace halyard
