#pragma once
// The received-data list of the main view: every command sent and every line
// received, newest last, at most 500 lines (the oldest goes first). Its
// horizontal extent is at least the width of a full "R?" reply line and only
// ever grows, so scrolling sideways stays steady while lines come and go.
// A double-click anywhere in it is reported (the view clears the list).
// UI thread only.

#include <QListWidget>
#include <QString>
#include <QStringList>

namespace halyard {

class CReceivedDataList : public QListWidget {
    Q_OBJECT
public:
    static constexpr int MAX_LINES = 500;

    explicit CReceivedDataList(QWidget* pParent = nullptr);

    // Adds a line (line feeds become blanks), keeps the cap and the extent;
    // returns the line as added.
    QString UpdateDataList(const QString& szLine);
    void ClearLines();
    QStringList Lines() const;
    int HorizontalExtent() const { return m_nHorizontalExtent; }

signals:
    void lineDoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;

private:
    void ScrollListBox(const QString& szLine, bool bRecalcList);
    int LineWidth(const QString& strLine) const;

    int m_nHorizontalExtent = 0;
};

}  // namespace halyard
