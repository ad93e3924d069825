#include "TestModeCommands.h"

namespace halyard {

QStringList TestTimeChoices()
{
    return {"00", "05", "10", "30", "60"};
}

QStringList TestVisibilityChoices()
{
    // QString::number always writes a point; printf would take the locale's separator.
    QStringList choices;
    for (int n = 0; n <= 10; ++n)
        choices << QString::number(n + 0.5, 'f', 2);
    return choices;
}

QStringList TestFaultChoices()
{
    return {"No Fault", "Fault"};
}

QStringList TestContaminationChoices()
{
    return {"None", "Warning", "Fault"};
}

QStringList TestWeatherCodeChoices()
{
    return {"00", "04", "30", "52", "62", "72"};
}

int LastChoiceWithin(const QStringList& choices, const QString& strValue)
{
    for (qsizetype n = choices.size() - 1; n >= 0; --n)
        if (strValue.contains(choices[n]))
            return static_cast<int>(n);
    return -1;
}

QString TestModeCommand(const TestModeFields& fields)
{
    QString strCommand = QStringLiteral("TEST,");
    for (const QString& strField : {fields.strTime, fields.strVisibility, QString::number(fields.nFault),
                                    QString::number(fields.nContamination), fields.strWeatherCode})
        strCommand += strField + QLatin1Char(',');
    return strCommand;
}

}  // namespace halyard
