#pragma once
// What the document needs from the program around it: somewhere to post its
// messages (every view, or the main frame), message boxes, the window title
// and the modal connect dialog. The GUI implements it with posted Qt events;
// tests implement it with a recording host.
//
// Posting is thread-safe and never blocks (the watcher thread posts to the main
// frame); everything else is called on the UI thread only.

#include <string>

#include "platform/AppMessages.h"

namespace halyard {

class CConnectLogic;

// Message box styles and answers.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class IDocHost {
public:
    virtual ~IDocHost() = default;
    // Posts to every view of the document.
    virtual IMessageTarget& Views() = 0;
    // Posts to the application's main window (the frame).
    virtual IMessageTarget& MainWindow() = 0;
    // Shows a message box and returns the button pressed once it is dismissed.
    virtual int MessageBox(const std::string& strText, unsigned nType) = 0;
    virtual void SetTitle(const std::string& strTitle) = 0;
    // Shows the connect dialog modally over the identification logic, ticking
    // it every second, and returns when the logic has finished (or was cancelled).
    virtual void RunConnectDialog(CConnectLogic& logic) = 0;
};

}  // namespace halyard
