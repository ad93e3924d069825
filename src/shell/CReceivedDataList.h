#pragma once
// The received-data list of the main view: every command sent and every line
// received, newest last, at most 500 lines (the oldest goes first). Its
// horizontal extent is at least the width of a full "R?" reply line and only
// ever grows, so scrolling sideways stays steady while lines come and go.
// A double-click anywhere in it is reported (the view clears the list).
//
// It keeps up with a sensor streaming at its fastest: a line is measured once,
// when it is added, and shaped once, when it is first painted; once the list
// is full a new line shifts the rows' contents instead of removing and
// inserting rows, so the view never lays itself out again (and never paints
// an empty list in between). UI thread only.

#include <QListView>
#include <QString>
#include <QStringList>

namespace halyard {

class CReceivedDataModel;

class CReceivedDataList : public QListView {
    Q_OBJECT
public:
    static constexpr int MAX_LINES = 500;

    explicit CReceivedDataList(QWidget* pParent = nullptr);
    ~CReceivedDataList() override;

    // Adds a line (line feeds become blanks), keeps the cap and the extent;
    // returns the line as added.
    QString UpdateDataList(const QString& szLine);
    void ClearLines();
    int count() const;
    QString Line(int nRow) const;
    QStringList Lines() const;
    int currentRow() const { return currentIndex().row(); }
    int HorizontalExtent() const { return m_nHorizontalExtent; }

signals:
    void lineDoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    void ScrollListBox(qreal dLineWidth);

    CReceivedDataModel* m_pModel;  // owned by this widget (Qt parent)
    bool m_bShifting = false;      // inside the append of a full list
    bool m_bPaintPending = false;  // a shifted picture waits for its new row
    int m_nSampleWidth = 0;
    int m_nHorizontalExtent = 0;
};

}  // namespace halyard
