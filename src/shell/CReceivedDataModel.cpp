#include "CReceivedDataModel.h"

#include <QTransform>

namespace halyard {

CReceivedDataModel::CReceivedDataModel(int nMaxLines, QObject* pParent)
    : QAbstractListModel(pParent)
    , m_nMaxLines(nMaxLines)
{}

bool CReceivedDataModel::Append(const QString& strLine)
{
    if (Count() < m_nMaxLines) {
        beginInsertRows(QModelIndex(), Count(), Count());
        m_lines.push_back({strLine, {}, false});
        endInsertRows();
        return false;
    }
    m_lines.pop_front();
    m_lines.push_back({strLine, {}, false});
    emit dataChanged(index(0), index(Count() - 1), {Qt::DisplayRole});
    return true;
}

void CReceivedDataModel::Clear()
{
    if (m_lines.empty())
        return;
    beginResetModel();
    m_lines.clear();
    endResetModel();
}

const QStaticText& CReceivedDataModel::Shaped(int nRow, const QFont& font) const
{
    const StoredLine& line = m_lines[static_cast<size_t>(nRow)];
    if (!line.bShaped) {
        line.shaped.setText(line.strText);
        line.shaped.setTextFormat(Qt::PlainText);
        line.shaped.setPerformanceHint(QStaticText::AggressiveCaching);
        line.shaped.prepare(QTransform(), font);
        line.bShaped = true;
    }
    return line.shaped;
}

int CReceivedDataModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant CReceivedDataModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    if (nRole == Qt::DisplayRole || nRole == Qt::AccessibleTextRole)
        return Line(index.row());
    return {};
}

}  // namespace halyard
