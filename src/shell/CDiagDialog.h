#pragma once
// CDiagDialog: the modeless progress dialog the view opens while a long
// sequence runs (NVRAM load, diagnostic dumps, parameter upload): a message
// line, a progress bar the view steps on each 500 ms tick, and Cancel, which
// asks the owner to end the sequence. It deletes itself
// when its window goes; Finished() tells the owner first, so the owner's
// pointer never dangles. UI thread only.

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

namespace halyard {

// The owner told when the dialog closes (the view).
class IDiagDlgOwner {
public:
    virtual ~IDiagDlgOwner() = default;
    virtual void DiagDlgDone() = 0;
    // The user pressed Cancel: the owner ends the sequence, which closes the dialog.
    virtual void DiagDlgCancel() = 0;
};

class CDiagDialog : public QDialog {
    Q_OBJECT
public:
    CDiagDialog(IDiagDlgOwner* pOwner, QWidget* pParent);

    // Shows the modeless window.
    bool Create();
    void SetProgressLimit(int nLimit);
    void SetDialogMessage(const QString& strText);
    void UpdateProgress();
    // Tells the owner, then closes; the object deletes itself afterwards.
    void Finished();

    int Progress() const;
    int ProgressLimit() const;
    QString Message() const { return m_strMessage; }

protected:
    void reject() override {}  // no close box, and Escape does not end a sequence's dialog

private:
    IDiagDlgOwner* m_pView;
    unsigned m_nTemplateID = 318;
    QProgressBar* m_ctrlProgress;
    QLabel* m_pMessageLabel;
    QPushButton* m_pCancel;
    QString m_strMessage = QStringLiteral("Downloading Diagnostic Data");
};

}  // namespace halyard
