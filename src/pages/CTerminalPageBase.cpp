#include "CTerminalPageBase.h"

#include <QLineEdit>
#include <QPushButton>

#include "document/CHalyardDoc.h"
#include "document/IDocHost.h"
#include "resources/Resource.h"
#include "ui/CTimeoutMsgDlg.h"
#include "ui/DialogUnits.h"
#include "ui/TextConvert.h"
#include "ui/UiPrompts.h"

namespace halyard {

CTerminalPageBase::CTerminalPageBase(int nIDTemplate, const QString& strInitialCommand, QWidget* pParent)
    : CDocDialog(nIDTemplate, pParent)
    , m_strCommand(strInitialCommand)
{}

void CTerminalPageBase::AddGroup(const char* szTitle, int x, int y, int cx, int cy)
{
    AddGroupBox(this, QString::fromLatin1(szTitle), x, y, cx, cy);
}

QPushButton* CTerminalPageBase::AddCommandButton(const CommandButtonDef& def, int x, int y, int cx, int cy)
{
    const QString strCommand = QString::fromLatin1(def.szCommand);
    auto* pButton = new QPushButton(strCommand, this);
    pButton->setAutoDefault(false);
    SetControlId(pButton, def.nId, def.szObjectName);
    PlaceDlu(pButton, x, y, cx, cy);
    connect(pButton, &QPushButton::clicked, this, [this, strCommand] { OnCommandButton(strCommand); });
    return pButton;
}

void CTerminalPageBase::AddCommonControls()
{
    AddGroup("Diagnostics", 183, 60, 126, 50);
    m_pDumpAll = new QPushButton(QStringLiteral("Save Diagnostic Data"), this);
    SetControlId(m_pDumpAll, IDC_DUMP_ALL, "dumpAllButton");
    PlaceDlu(m_pDumpAll, 196, 78, 100, 16);

    AddGroup("Command Line Window", 315, 4, 139, 52);
    m_pCommandEdit = new QLineEdit(this);
    SetControlId(m_pCommandEdit, IDC_COMMAND_EDIT, "commandEdit");
    PlaceDlu(m_pCommandEdit, 321, 16, 127, 14);
    m_pSend = new QPushButton(QStringLiteral("Send"), this);
    SetControlId(m_pSend, IDC_SEND_COMMAND, "sendButton");
    m_pSend->setDefault(true);
    PlaceDlu(m_pSend, 360, 35, 50, 14);
    SetDefaultButton(m_pSend);
    connect(m_pSend, &QPushButton::clicked, this, &CTerminalPageBase::OnBnClickedSendCommand);

    AddGroup("Parameter Update", 315, 60, 139, 50);
    m_pLoadParams = new QPushButton(QStringLiteral("Load Parameter File"), this);
    SetControlId(m_pLoadParams, IDC_LOAD_PARAMS, "loadParamsButton");
    PlaceDlu(m_pLoadParams, 334, 78, 100, 16);
    m_pDumpAll->setAutoDefault(false);
    m_pLoadParams->setAutoDefault(false);
    connect(m_pDumpAll, &QPushButton::clicked, this, &CTerminalPageBase::OnBnClickedDumpAll2);
    connect(m_pLoadParams, &QPushButton::clicked, this, &CTerminalPageBase::OnBnClickedLoadParams);
}

void CTerminalPageBase::OnBnClickedDumpAll2()
{
    const auto path =
        CUiPrompts::GetSaveFileName(this, QStringLiteral("Text Files (*.TXT)"), QStringLiteral("TXT"));
    if (path && Doc() != nullptr)
        StartDump(ToFileSystemPath(*path));
}

void CTerminalPageBase::OnBnClickedLoadParams()
{
    CTimeoutMsgDlg confirm(this);
    confirm.m_strMessage1 = QStringLiteral("This will Overwrite Sensor settings. ARE YOU SURE?");
    if (confirm.DoModal() != IDYES)
        return;
    const auto path = CUiPrompts::GetOpenFileName(
        this, QStringLiteral("NVRAM Files (*.NVM);;All Files (*.*)"), QStringLiteral("NVM"));
    if (path && Doc() != nullptr)
        StartLoad(ToFileSystemPath(*path));
}

void CTerminalPageBase::StartDump(const std::string& strPath)
{
    Doc()->DumpAll(strPath);
}

void CTerminalPageBase::StartLoad(const std::string& strPath)
{
    Doc()->LoadNVRAM(strPath);
}

void CTerminalPageBase::DoDataExchange(bool bSaveAndValidate)
{
    if (bSaveAndValidate)
        m_strCommand = m_pCommandEdit->text();
    else if (m_pCommandEdit->text() != m_strCommand)
        m_pCommandEdit->setText(m_strCommand);
}

void CTerminalPageBase::SendCommandLine()
{
    if (Doc() == nullptr)
        return;
    // The page stays on screen when the line drops under it; a command that
    // cannot go out says why instead of vanishing.
    if (!Doc()->SendCommand(ToDocText(m_strCommand), true) && !Doc()->IsConnected())
        CUiPrompts::MessageBox(this, QStringLiteral("Sensor Not Connected"), MB_OK | MB_ICONWARNING);
}

void CTerminalPageBase::OnCommandButton(const QString& strCommand)
{
    m_strCommand = strCommand;
    UpdateData(false);
    SendCommandLine();
}

void CTerminalPageBase::OnBnClickedSendCommand()
{
    UpdateData(true);
    m_strCommand = FromDocText(UpperCaseCommand(ToDocText(m_strCommand)));
    if (!m_strCommand.isEmpty()) {
        SendCommandLine();
        m_strCommand.clear();
    }
    UpdateData(false);
}

}  // namespace halyard
