#include "DialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QVariant>
#include <QWidget>

namespace halyard {
namespace {

constexpr const char* kControlIdProperty = "halyardControlId";

int MulDiv(int nValue, int nMul, int nDiv)
{
    return (nValue * nMul + nDiv / 2) / nDiv;
}

}  // namespace

CDialogUnits::CDialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    static const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_nBaseX = std::max(1, (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2);
    m_nBaseY = std::max(1, metrics.height());
}

int CDialogUnits::X(int nDluX) const
{
    return MulDiv(nDluX, m_nBaseX, 4);
}
int CDialogUnits::Y(int nDluY) const
{
    return MulDiv(nDluY, m_nBaseY, 8);
}

QRect CDialogUnits::Rect(int x, int y, int cx, int cy) const
{
    return {X(x), Y(y), X(cx), Y(cy)};
}

QSize CDialogUnits::Size(int cx, int cy) const
{
    return {X(cx), Y(cy)};
}

void PlaceDlu(QWidget* pWidget, int x, int y, int cx, int cy)
{
    const QWidget* pParent = pWidget->parentWidget();
    const CDialogUnits units(pParent != nullptr ? pParent->font() : pWidget->font());
    pWidget->setGeometry(units.Rect(x, y, cx, cy));
}

void ResizeDlu(QWidget* pWidget, int cx, int cy)
{
    const CDialogUnits units(pWidget->font());
    pWidget->resize(units.Size(cx, cy));
}

QGroupBox* AddGroupBox(QWidget* pParent, const QString& strTitle, int x, int y, int cx, int cy)
{
    auto* pGroup = new QGroupBox(strTitle, pParent);
    PlaceDlu(pGroup, x, y, cx, cy);
    pGroup->lower();
    return pGroup;
}

void SetControlId(QWidget* pWidget, int nId, const char* szObjectName)
{
    pWidget->setProperty(kControlIdProperty, nId);
    pWidget->setObjectName(QString::fromLatin1(szObjectName));
}

int ControlId(const QWidget* pWidget)
{
    const QVariant id = pWidget->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : 0;
}

}  // namespace halyard
