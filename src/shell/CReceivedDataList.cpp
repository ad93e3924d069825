#include "CReceivedDataList.h"

#include <QFontMetrics>
#include <QMouseEvent>

#include <algorithm>

#include "DialogUnits.h"
#include "resources/Resource.h"

namespace halyard {
namespace {

// The least width the list scrolls to: a full "R?" reply.
const char* const kSampleLine =
    " 108,2.474,27.2,11.8,5.00,11.9,00.01,00.00,099,100,100,00,00,00,+023.5,4040,00000,03,"
    "09472,0000,1203,1232,-126.4,+023.5,01792";

}  // namespace

CReceivedDataList::CReceivedDataList(QWidget* pParent)
    : QListWidget(pParent)
{
    SetControlId(this, IDC_LIST_DATA, "listData");
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setUniformItemSizes(true);
}

int CReceivedDataList::LineWidth(const QString& strLine) const
{
    const QFontMetrics metrics(font());
    return metrics.horizontalAdvance(strLine) + metrics.averageCharWidth();
}

QString CReceivedDataList::UpdateDataList(const QString& szLine)
{
    QString strLine = szLine;
    strLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    auto* pItem = new QListWidgetItem(strLine);
    addItem(pItem);
    const int n = count();
    if (n > 0) {
        setCurrentRow(n - 1);
        scrollToItem(item(n - 1));
    }
    bool bRecalc = false;
    if (n > MAX_LINES) {
        delete takeItem(0);
        bRecalc = true;
    }
    ScrollListBox(strLine, bRecalc);
    return strLine;
}

void CReceivedDataList::ScrollListBox(const QString& szLine, bool bRecalcList)
{
    int nWidth = LineWidth(QString::fromLatin1(kSampleLine));
    if (bRecalcList) {
        for (int i = 0; i < count(); ++i)
            nWidth = std::max(nWidth, LineWidth(item(i)->text()));
    } else {
        nWidth = std::max(nWidth, LineWidth(szLine));
    }
    const int nHeight = QFontMetrics(font()).height() + 2;
    if (m_nHorizontalExtent < nWidth) {
        // The extent only grows: every row is made as wide as it.
        m_nHorizontalExtent = nWidth;
        for (int i = 0; i < count(); ++i)
            item(i)->setSizeHint(QSize(m_nHorizontalExtent, nHeight));
    } else {
        item(count() - 1)->setSizeHint(QSize(m_nHorizontalExtent, nHeight));
    }
}

void CReceivedDataList::ClearLines()
{
    // The extent stays as it was.
    clear();
}

QStringList CReceivedDataList::Lines() const
{
    QStringList lines;
    lines.reserve(count());
    for (int i = 0; i < count(); ++i)
        lines.append(item(i)->text());
    return lines;
}

void CReceivedDataList::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    emit lineDoubleClicked();
    pEvent->accept();
}

}  // namespace halyard
