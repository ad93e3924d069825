#pragma once
// Message boxes and file dialogs, in one place so that tests can answer them.
//
// Every message box and file dialog of the program goes through here. A test
// queues the answers it wants (SetNextAnswer, SetNextFileName, SetNextCancel)
// and switches on test mode, in which a prompt without a queued answer returns
// at once with its default (IDOK, IDNO, cancel) instead of waiting for a user.
// Every message box text is recorded so that tests can read what was said.
// UI thread only.

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace halyard {

class CUiPrompts {
public:
    // A message box with the text and the style bits of IDocHost.h (MB_OK,
    // MB_YESNO, MB_ICON*); returns the button pressed (IDOK, IDYES, IDNO).
    static int MessageBox(QWidget* pParent, const QString& strText, unsigned nType);

    // A save-as dialog that asks before overwriting; filter as Qt writes it
    // ("Text Files (*.TXT)"), shown with each pattern in both cases
    // (FilterWithBothCases). The chosen path, or nothing when cancelled. A
    // chosen name without an extension gets strDefExt (when not empty). The
    // dialog suggests strInitialName (a name, or a path) when one is given.
    static std::optional<QString> GetSaveFileName(QWidget* pParent, const QString& strFilter,
                                                  const QString& strDefExt,
                                                  const QString& strInitialName = {});
    static std::optional<QString> GetOpenFileName(QWidget* pParent, const QString& strFilter,
                                                  const QString& strDefExt);

    // Test hooks.
    static void SetTestMode(bool bOn);
    static void SetNextAnswer(int nAnswer);
    static void SetNextFileName(const QString& strPath);
    static void SetNextCancel();
    static QStringList MessagesShown();
    // The filter of the last file dialog asked for, as the dialog was given it.
    static QString LastFileFilter();
    // The name the last file dialog suggested.
    static QString LastInitialName();
    static void Reset();

private:
    struct FileAnswer {
        bool bAnswered = false;  // by a test hook or test mode
        bool bChosen = false;    // a file was chosen (not cancelled)
        QString strPath;
    };
    static FileAnswer NextFile();
    static FileAnswer RunFileDialog(QWidget* pParent, const QString& strFilter, const QString& strDefExt,
                                    const QString& strInitialName, bool bSave);
};

// strFilter with every "*.ext" pattern also in the other case ("Data Log Files
// (*.TXT)" gives "Data Log Files (*.TXT *.txt)"): a desktop's own file dialog
// matches patterns case-sensitively, and files come named either way.
QString FilterWithBothCases(const QString& strFilter);

// The name with strDefExt appended when its last path component has no
// extension (and strDefExt is not empty).
QString WithDefaultExtension(const QString& strPath, const QString& strDefExt);

}  // namespace halyard
