#include "CReceivedDataList.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cmath>

#include "CReceivedDataModel.h"
#include "ui/DialogUnits.h"
#include "resources/Resource.h"

namespace halyard {
namespace {

// The least width the list scrolls to: a full "R?" reply.
const char* const kSampleLine =
    " 108,2.474,27.2,11.8,5.00,11.9,00.01,00.00,099,100,100,00,00,00,+023.5,4040,00000,03,"
    "09472,0000,1203,1232,-126.4,+023.5,01792";

// Draws a row from the line's shaped text: no measuring, no layout per paint.
// Every row is as wide as the list's horizontal extent.
class CLineDelegate : public QStyledItemDelegate {
public:
    CLineDelegate(const CReceivedDataModel& model, const int& nExtent, QObject* pParent)
        : QStyledItemDelegate(pParent)
        , m_model(model)
        , m_nExtent(nExtent)
    {}

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        if (index.row() >= m_model.Count())
            return;
        const QStyle* pStyle = option.widget != nullptr ? option.widget->style() : nullptr;
        const int nMargin = pStyle != nullptr ? pStyle->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1 : 3;
        const QFontMetrics metrics(option.font);
        pPainter->save();
        pPainter->setFont(option.font);
        pPainter->setPen(option.palette.color(QPalette::Text));
        const QPoint topLeft(option.rect.left() + nMargin,
                             option.rect.top() + (option.rect.height() - metrics.height()) / 2);
        pPainter->drawStaticText(topLeft, m_model.Shaped(index.row(), option.font));
        pPainter->restore();
        if ((option.state & QStyle::State_HasFocus) != 0 && pStyle != nullptr) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor = option.palette.color(QPalette::Base);
            pStyle->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, pPainter, option.widget);
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return {m_nExtent, QFontMetrics(option.font).height() + 2};
    }

private:
    const CReceivedDataModel& m_model;
    const int& m_nExtent;
};

}  // namespace

CReceivedDataList::CReceivedDataList(QWidget* pParent)
    : QListView(pParent)
    , m_pModel(new CReceivedDataModel(MAX_LINES, this))
{
    SetControlId(this, IDC_LIST_DATA, "listData");
    setModel(m_pModel);
    setItemDelegate(new CLineDelegate(*m_pModel, m_nHorizontalExtent, this));
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::StrongFocus);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setUniformItemSizes(true);
    // The lines are the sensor's 8-bit text: no script among them needs
    // shaping, and shaping every line was most of what adding one cost.
    QFont listFont = font();
    listFont.setStyleStrategy(QFont::PreferNoShaping);
    setFont(listFont);
    const QFontMetrics metrics(font());
    m_nSampleWidth = metrics.horizontalAdvance(QString::fromLatin1(kSampleLine)) + metrics.averageCharWidth();
    m_frame.setSingleShot(true);
    m_frame.setInterval(FRAME_MS);
    connect(&m_frame, &QTimer::timeout, this, &CReceivedDataList::OnFrameEnd);
}

CReceivedDataList::~CReceivedDataList() = default;

QString CReceivedDataList::UpdateDataList(const QString& szLine)
{
    QString strLine = szLine;
    strLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // Shown at once after a quiet frame; within a frame, at its end.
    m_bHolding = m_frame.isActive();
    if (!m_bHolding)
        m_frame.start();
    m_bShifting = true;
    m_pModel->Append(strLine);  // a full list drops its oldest line here
    m_bShifting = false;
    ScrollListBox(m_pModel->Shaped(m_pModel->Count() - 1, font()).size().width());
    const QModelIndex newest = m_pModel->index(m_pModel->Count() - 1);
    setCurrentIndex(newest);
    scrollTo(newest);
    // Lay out now rather than at the next pass of the event loop, so that no
    // paint comes between the change and its layout.
    executeDelayedItemsLayout();
    return strLine;
}

void CReceivedDataList::ScrollListBox(qreal dLineWidth)
{
    // Every line still in the list was measured when it was added and the
    // extent never shrinks, so dropping the oldest line cannot change it:
    // only the new line counts. It is measured as it is laid out for drawing.
    const int nWidth =
        std::max(m_nSampleWidth, static_cast<int>(std::ceil(dLineWidth)) + fontMetrics().averageCharWidth());
    if (m_nHorizontalExtent < nWidth) {
        m_nHorizontalExtent = nWidth;
        scheduleDelayedItemsLayout();  // the rows' width is the extent
    }
}

void CReceivedDataList::OnFrameEnd()
{
    if (m_nHeldShifts == 0)
        return;  // a quiet frame: the next line is shown at once
    // A picture painted since the lines were held is no longer theirs to
    // move: the rows are all drawn again.
    ShowShift(m_pModel->index(0), m_pModel->index(count() - 1), m_bHeldPictureStale ? count() : m_nHeldShifts,
              true);
    m_nHeldShifts = 0;
    m_bHeldPictureStale = false;
    m_frame.start();
}

void CReceivedDataList::ClearLines()
{
    // The extent stays as it was; the empty list is drawn at once.
    m_nHeldShifts = 0;
    m_bHeldPictureStale = false;
    m_pModel->Clear();
}

int CReceivedDataList::count() const
{
    return m_pModel->Count();
}

QString CReceivedDataList::Line(int nRow) const
{
    return m_pModel->Line(nRow);
}

QStringList CReceivedDataList::Lines() const
{
    QStringList lines;
    lines.reserve(count());
    for (int i = 0; i < count(); ++i)
        lines.append(m_pModel->Line(i));
    return lines;
}

void CReceivedDataList::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                    const QList<int>& roles)
{
    if (!m_bShifting) {
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    // A full list shifts every row's text up by one: within a frame the
    // shifts are counted and shown together at its end.
    if (m_bHolding) {
        ++m_nHeldShifts;
        return;
    }
    ShowShift(topLeft, bottomRight, 1, false);
}

void CReceivedDataList::ShowShift(const QModelIndex& topLeft, const QModelIndex& bottomRight, int nRows, bool bNow)
{
    // The rows keep their size, so the list view's own handler (which lays
    // out every row again and repaints the scroll bars) and the item view's
    // (which measures every row) are not needed: the picture moves up and
    // only the new rows at the bottom are drawn (the window system moves the
    // rest). With the focus frame on the newest row, or a screen reader
    // listening, everything is redrawn and reported the usual way, in one
    // event for the lines of a frame.
    if (hasFocus() || QAccessible::isActive()) {
        QAbstractItemView::dataChanged(topLeft, bottomRight, {Qt::DisplayRole});
        return;
    }
    const int nRowHeight = sizeHintForRow(0);
    if (m_bPaintPending || nRows * nRowHeight >= viewport()->height()) {
        // A shift not yet painted (its exposed rows would be moved
        // unpainted), or nothing of the picture left to keep.
        viewport()->update();
        return;
    }
    viewport()->scroll(0, -nRows * nRowHeight);
    // The rows need not end at the bottom edge: the new rows are drawn
    // wherever they are, not only the strip the shift uncovered.
    const int nNewest = bottomRight.row();
    const QRect newRows = visualRect(m_pModel->index(nNewest - nRows + 1)).united(visualRect(bottomRight));
    if (bNow) {
        // At a frame's end: drawn before the next line can come, so that
        // line never finds the picture half painted.
        viewport()->repaint(newRows);
        return;
    }
    viewport()->update(newRows);
    m_bPaintPending = true;
}

void CReceivedDataList::paintEvent(QPaintEvent* pEvent)
{
    m_bPaintPending = false;
    if (m_nHeldShifts > 0)
        m_bHeldPictureStale = true;
    QListView::paintEvent(pEvent);
}

void CReceivedDataList::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    emit lineDoubleClicked();
    pEvent->accept();
}

}  // namespace halyard
