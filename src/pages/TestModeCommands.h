#pragma once
// The choices of the "Test Protocol" page and the commands it builds from
// them. The sensor's test mode runs for a number of minutes ("00": until
// stopped) and reports the chosen visibility, fault, contamination and WMO
// weather code instead of what it measures. Pure functions, any thread.

#include <QString>
#include <QStringList>

namespace halyard {

// The fixed choices of the page's five columns, in the order shown.
QStringList TestTimeChoices();
QStringList TestVisibilityChoices();  // 0.50 to 10.50 km, a point whatever the locale
QStringList TestFaultChoices();
QStringList TestContaminationChoices();
QStringList TestWeatherCodeChoices();

// The index of the last choice whose text occurs within strValue (a saved
// "10.50" holds both "0.50" and "10.50": the later one wins), or -1 when no
// choice does.
int LastChoiceWithin(const QStringList& choices, const QString& strValue);

// What the user chose: the texts of the editable columns as shown, the
// positions of the fault and contamination lists.
struct TestModeFields {
    QString strTime;
    QString strVisibility;
    int nFault = 0;
    int nContamination = 0;
    QString strWeatherCode;
};

// "TEST," and the five fields, each with a comma behind it:
// "TEST,05,4.50,0,0,00,".
QString TestModeCommand(const TestModeFields& fields);

}  // namespace halyard
