#pragma once
// CAboutDlg: the About box, opened modally from Help > About. It shows the
// application name with the program's four version numbers, and the product
// version string; both come from the build (the project version, set once in
// the top-level CMakeLists.txt). UI thread only.

#include <QDialog>
#include <QString>

class QLabel;

namespace halyard {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    int DoModal();
    // Fills the two members and shows them (what opening the box does).
    void OnInitDialog();

    QString m_strVersion;
    QString m_strProductVersion;

private:
    QLabel* m_pVersion;
    QLabel* m_pProductVersion;
};

// "%s, Version: %hu.%hu.%hu.%hu" with the name and the four numbers.
QString VersionLine(const QString& strAppName, unsigned short w1, unsigned short w2, unsigned short w3,
                    unsigned short w4);

}  // namespace halyard
