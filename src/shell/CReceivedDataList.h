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
// an empty list in between). The screen follows at most one picture a frame
// (FRAME_MS): a line that comes after a quiet frame is shown at once, those
// that come within a frame after it are shown together at its end, and a
// screen reader hears of them together too. UI thread only.

#include <QListView>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace halyard {

class CReceivedDataModel;

class CReceivedDataList : public QListView {
    Q_OBJECT
public:
    static constexpr int MAX_LINES = 500;
    static constexpr int FRAME_MS = 100;

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
    // A picture is on the screen for its frame: a line now waits for its end.
    bool InFrame() const { return m_frame.isActive(); }

signals:
    void lineDoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    void ScrollListBox(qreal dLineWidth);
    // Draws (and tells) the last nRows lines of a full list shifted in; at
    // once with bNow, else at the next pass of the event loop.
    void ShowShift(const QModelIndex& topLeft, const QModelIndex& bottomRight, int nRows, bool bNow);
    void OnFrameEnd();

    CReceivedDataModel* m_pModel;  // owned by this widget (Qt parent)
    bool m_bShifting = false;      // inside the append of a full list
    bool m_bPaintPending = false;  // a shifted picture waits for its new row
    QTimer m_frame;                // runs while a picture is on the screen for its frame
    bool m_bHolding = false;       // inside the append of a line that came within a frame
    int m_nHeldShifts = 0;         // lines shifted in within the frame, shown at its end
    bool m_bHeldPictureStale = false;  // painted since: the held shifts cannot just move it
    int m_nSampleWidth = 0;
    int m_nHorizontalExtent = 0;
};

}  // namespace halyard
