#pragma once
// CDocDialog: the base of every tab page. A page is a child form that knows
// the document, gives each of its controls the tooltip stored under the
// control's id, and never closes on Enter or Escape (Enter presses the page's
// default button when it has one, else only reads the controls). The view and
// the tab control tell a page about received lines, activation and a few
// document events through the virtual operations below, which do nothing here.
// Pages collect values and call the document; the document decides.
// UI thread only.

#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

class QPushButton;

namespace halyard {

class CHalyardDoc;

class CDocDialog : public QWidget {
    Q_OBJECT
public:
    CDocDialog(int nIDTemplate, QWidget* pParent = nullptr);

    void SetDoc(CHalyardDoc* pDoc) { m_pDoc = pDoc; }
    // Where the page's own status lines go: the received-data list.
    void SetReporter(std::function<void(const QString&)> report) { m_report = std::move(report); }
    CHalyardDoc* Doc() const { return m_pDoc; }
    int TemplateId() const { return m_nIDTemplate; }

    // Creation of the page's window: tooltips, then the page's own start.
    virtual void OnInitDialog();

    // Moves values between the controls and the members; false when a value
    // read from the controls is refused.
    bool UpdateData(bool bSaveAndValidate = true);

    virtual void GotCommsData(std::string& /*szData*/) {}
    virtual void UpdateDataFromDoc() {}
    virtual void OnCommsClosed() {}
    virtual void OnLogError(uint32_t /*wParam*/, int32_t /*lParam*/) {}
    virtual void OnFirstDataMsg(uint32_t /*wParam*/, int32_t /*lParam*/) {}
    // A parameter upload has ended; bFailed with how (a SequenceEnd).
    virtual void DeleteTempFile(bool /*bFailed*/, int /*nEnd*/) {}

protected:
    virtual void DoDataExchange(bool /*bSaveAndValidate*/) {}
    virtual void OnOK();
    virtual void OnCancel();
    void SetDefaultButton(QPushButton* pButton) { m_pDefaultButton = pButton; }
    void Report(const QString& strLine)
    {
        if (m_report)
            m_report(strLine);
    }
    void keyPressEvent(QKeyEvent* pEvent) override;

    // Set by DoDataExchange when a value read from the controls is refused.
    bool m_bExchangeFailed = false;

private:
    CHalyardDoc* m_pDoc = nullptr;
    int m_nIDTemplate;
    QPushButton* m_pDefaultButton = nullptr;
    std::function<void(const QString&)> m_report;
};

}  // namespace halyard
