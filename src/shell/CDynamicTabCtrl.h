#pragma once
// CDynamicTabCtrl: the tab control of the main view. It owns the eight page
// objects (fixed page indices 0 to 7: Port Settings, Terminal Window, Data
// Capture, Sensor Settings, Test Protocol, ALS Terminal, PQD Temperature
// Calibration, Data Plot), lays the shown page over its display area and routes the
// view's events to the pages by page index. Which tabs exist and where is the
// view's business: it inserts and deletes the tab items. selChange is emitted
// only when the user changes the tab, never for the view's own changes.
// UI thread only.

#include <QWidget>

#include <functional>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Clock.h"

class QFrame;
class QTabBar;

namespace halyard {

class CDocDialog;
class CHalyardDoc;

// The fixed page indices, whichever tabs are shown.
enum class PageIndex : int {
    PortSettings = 0,
    TerminalWindow = 1,
    DataCapture = 2,
    SensorSettings = 3,
    TestProtocol = 4,
    ALSTerminal = 5,
    TempCalibration = 6,
    DataPlot = 7,
};

// The index as the tab control and the view count pages.
constexpr int PageNumber(PageIndex index)
{
    return static_cast<int>(index);
}

class CDynamicTabCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int PAGE_COUNT = PageNumber(PageIndex::DataPlot) + 1;

    explicit CDynamicTabCtrl(QWidget* pParent = nullptr);
    ~CDynamicTabCtrl() override;

    // Creates the pages' windows, then gives every page the document.
    // pReport takes the pages' status lines.
    void InitDialogs(CHalyardDoc* pDoc, const std::function<void(const QString&)>& report = {});
    // Shows page nTab (-1: the page whose index equals the current selection).
    void ActivateTabDialogs(int nTab);
    void ShowFirstDialog();

    void GotCommsData(int nSel, std::string& szData);
    void OnCommsClosed();
    void OnLogError(uint32_t wParam, int32_t lParam);
    void OnFirstDataMsg(int nSel, uint32_t wParam, int32_t lParam);
    void DeleteTempFile(int nSel, bool bFailed, int nEnd);
    // A data message received at time, for the data plot whether shown or not.
    void PlotDataMessage(TimePoint time, const std::string& strMessage);

    // Tab items.
    void InsertItem(int nPos, const QString& strCaption);
    void DeleteItem(int nPos);
    int GetItemCount() const;
    QString GetItemText(int nPos) const;
    int GetCurSel() const;
    void SetCurSel(int nPos);

    CDocDialog* Page(int nIndex) const;
    CDocDialog& Page(PageIndex index) const;
    // The page shown last, or -1.
    int VisiblePage() const;
    QTabBar* TabBar() const { return m_pTabBar; }

signals:
    void selChange();

protected:
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    QTabBar* m_pTabBar;
    QFrame* m_pDisplay;
    const std::array<int, PAGE_COUNT> m_nDlgIDs;
    int m_nPageCount = PAGE_COUNT;
    std::array<std::unique_ptr<CDocDialog>, PAGE_COUNT> m_pPages;
    bool m_bProgrammatic = false;
};

}  // namespace halyard
