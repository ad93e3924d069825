#pragma once
// The lines of the received-data list, at most a fixed number of them, the
// oldest first. Appending to a full model drops the oldest line and reports
// every row as changed (the rows stay, their contents shift up by one), so a
// view over it keeps its layout. Each line keeps its shaped text for painting,
// made the first time it is drawn. UI thread only.

#include <QAbstractListModel>
#include <QFont>
#include <QStaticText>
#include <QString>

#include <deque>

namespace halyard {

class CReceivedDataModel : public QAbstractListModel {
    Q_OBJECT
public:
    CReceivedDataModel(int nMaxLines, QObject* pParent = nullptr);

    // True when the oldest line was dropped to make room.
    bool Append(const QString& strLine);
    void Clear();
    int Count() const { return static_cast<int>(m_lines.size()); }
    const QString& Line(int nRow) const { return m_lines[static_cast<size_t>(nRow)].strText; }
    // The line shaped for drawing with font: laid out once, the first time
    // it is asked for (its size then measures the line).
    const QStaticText& Shaped(int nRow, const QFont& font) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole) const override;

private:
    struct StoredLine {
        QString strText;
        mutable QStaticText shaped;
        mutable bool bShaped = false;
    };

    int m_nMaxLines;
    std::deque<StoredLine> m_lines;
};

}  // namespace halyard
