#pragma once
// CMainFrame: the main window. Menu bar (File, View, Options, Help), the
// toolbar "Standard" (About; hidden once start-up is done, shown again from
// View), and the four-pane status bar (port settings, log time, records,
// clock). It takes the application messages addressed to the frame through
// its message map and hands them to the document (data arrived, time-out,
// watcher thread ended) or copies the document's texts into the panes.
// The Options commands and their check marks belong to the view. UI thread only.

#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <cstdint>

#include "MessageMap.h"

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace halyard {

class CHalyardDoc;
class CHalyardView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* pParent = nullptr);

    void SetDocument(CHalyardDoc* pDoc) { m_pDoc = pDoc; }
    CHalyardView& View() { return *m_pView; }
    // The document's title in the window title ("" shows the application's alone).
    void SetDocumentTitle(const QString& strTitle);

    QToolBar* ToolBar() const { return m_wndToolBar; }
    QLabel* Pane(int nIndex) const;
    QMenu* OptionsMenu() const { return m_pOptionsMenu; }
    QAction* TempCalAction() const { return m_pTempCalAction; }

    QString m_strSettings;
    QString m_strLogTime;
    QString m_strTime;
    uint32_t m_nRecords = 0;
    bool m_bPQDSensor = false;

signals:
    void aboutRequested();

protected:
    bool event(QEvent* pEvent) override;

private:
    intptr_t OnCommsEvent(uintptr_t wParam, intptr_t lParam);
    intptr_t OnCommsOpen(uintptr_t wParam, intptr_t lParam);
    intptr_t OnRecordUpdate(uintptr_t wParam, intptr_t lParam);
    intptr_t OnLogTimeUpdate(uintptr_t wParam, intptr_t lParam);
    intptr_t OnTimeUpdate(uintptr_t wParam, intptr_t lParam);
    intptr_t OnThreadEnd(uintptr_t wParam, intptr_t lParam);
    intptr_t OnInitEvent(uintptr_t wParam, intptr_t lParam);
    static const CMessageMap<CMainFrame>& MessageMap();

    // The frame's handlers need the document; without one they say so.
    bool HaveDocument();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void UpdatePanes();
    void OnShowOptionsMenu();

    CHalyardDoc* m_pDoc = nullptr;
    CHalyardView* m_pView;
    QToolBar* m_wndToolBar = nullptr;
    QLabel* m_pPanes[4] = {};
    // The record count changes with every line logged; its pane is redrawn
    // at most five times a second.
    QTimer m_recordsRefresh;
    QMenu* m_pOptionsMenu = nullptr;
    QAction* m_pTestAction = nullptr;
    QAction* m_pALSAction = nullptr;
    QAction* m_pRS485Action = nullptr;
    QAction* m_pTempCalAction = nullptr;
    QAction* m_pPlotAction = nullptr;
};

}  // namespace halyard
