#include "DataExchange.h"

#include <QWidget>

#include "UiPrompts.h"
#include "document/IDocHost.h"

namespace halyard {

bool ExchangeInt(QWidget* pControl, const QString& strText, int nMin, int nMax, int& nValue)
{
    bool bOk = false;
    const int nNumber = strText.trimmed().toInt(&bOk);
    if (bOk && nNumber >= nMin && nNumber <= nMax) {
        nValue = nNumber;
        return true;
    }
    CUiPrompts::MessageBox(
        pControl,
        bOk ? QStringLiteral("Please enter an integer between %1 and %2.").arg(nMin).arg(nMax)
            : QStringLiteral("Please enter an integer."),
        MB_OK | MB_ICONWARNING);
    pControl->setFocus(Qt::OtherFocusReason);
    return false;
}

}  // namespace halyard
