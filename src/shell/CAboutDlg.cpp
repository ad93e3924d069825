#include "CAboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "ui/DialogUnits.h"
#include "resources/AppIcon.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

namespace halyard {

QString VersionLine(const QString& strAppName, unsigned short w1, unsigned short w2, unsigned short w3,
                    unsigned short w4)
{
    return QStringLiteral("%1, Version: %2.%3.%4.%5").arg(strAppName).arg(w1).arg(w2).arg(w3).arg(w4);
}

CAboutDlg::CAboutDlg(QWidget* pParent)
    : QDialog(pParent)
    , m_pVersion(new QLabel(this))
    , m_pProductVersion(new QLabel(this))
{
    setObjectName(QStringLiteral("aboutDlg"));
    setWindowTitle(QStringLiteral("About Halyard"));
    SetControlId(m_pVersion, IDC_VERSION, "versionText");
    SetControlId(m_pProductVersion, IDC_PRODUCT_VERSION, "productVersionText");
    auto* pIcon = new QLabel(this);
    const CDialogUnits units(font());
    pIcon->setPixmap(AppIconPixmap(units.Y(20)));
    PlaceDlu(pIcon, 14, 14, 21, 20);
    PlaceDlu(m_pVersion, 42, 15, 140, 8);
    PlaceDlu(m_pProductVersion, 58, 39, 60, 8);
    auto* pOk = new QPushButton(QStringLiteral("OK"), this);
    pOk->setObjectName(QStringLiteral("okButton"));
    pOk->setDefault(true);
    PlaceDlu(pOk, 137, 58, 50, 14);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(units.Size(194, 79));
}

void CAboutDlg::OnInitDialog()
{
    m_strVersion = VersionLine(LoadString(IDS_APP_TITLE), HALYARD_VERSION_MAJOR, HALYARD_VERSION_MINOR,
                               HALYARD_VERSION_PATCH, HALYARD_VERSION_TWEAK);
    m_strProductVersion = QStringLiteral(HALYARD_VERSION_STRING);
    m_pVersion->setText(m_strVersion);
    m_pProductVersion->setText(m_strProductVersion);
}

int CAboutDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

}  // namespace halyard
