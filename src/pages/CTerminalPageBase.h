#pragma once
// The part the terminal page and the ALS terminal page share: command buttons
// (caption = command, tooltip = the string under the button's id), the command
// line with its Send button (the page's default button), and the
// "Save Diagnostic Data" and "Load Parameter File" buttons. A command button
// puts its command into the command line and asks the document to send it
// with CR LF; the document adds RS485 framing and decides whether it can be
// sent. Replies are shown by the view's received-data list, not here.
// UI thread only.

#include <QString>

#include <string>

#include "ui/CDocDialog.h"

class QLineEdit;
class QPushButton;

namespace halyard {

// One command button: its control id, object name, and the command it sends
// (also its caption).
struct CommandButtonDef {
    int nId;
    const char* szObjectName;
    const char* szCommand;
};

class CTerminalPageBase : public CDocDialog {
    Q_OBJECT
public:
    CTerminalPageBase(int nIDTemplate, const QString& strInitialCommand, QWidget* pParent);

    QString m_strCommand;

    // Button handlers (public so the view's keyboard and tests reach them).
    void OnCommandButton(const QString& strCommand);
    void OnBnClickedSendCommand();
    // "Save Diagnostic Data": a dump into a text file chosen by the user.
    void OnBnClickedDumpAll2();
    // "Load Parameter File": after a confirmation, an NVRAM file into the sensor.
    void OnBnClickedLoadParams();

protected:
    void DoDataExchange(bool bSaveAndValidate) override;
    QPushButton* AddCommandButton(const CommandButtonDef& def, int x, int y, int cx, int cy);
    // A group box frame behind a set of controls (a sibling, as on the forms).
    void AddGroup(const char* szTitle, int x, int y, int cx, int cy);
    // The right-hand column: diagnostics, command line, parameter update.
    void AddCommonControls();
    // Asks the document to send m_strCommand with CR LF.
    void SendCommandLine();
    // The page's own dump and load: the sensor's here, the ALS's on its page.
    // Paths are in the file system's encoding.
    virtual void StartDump(const std::string& strPath);
    virtual void StartLoad(const std::string& strPath);

    QLineEdit* m_pCommandEdit = nullptr;
    QPushButton* m_pSend = nullptr;
    QPushButton* m_pDumpAll = nullptr;
    QPushButton* m_pLoadParams = nullptr;
};

}  // namespace halyard
