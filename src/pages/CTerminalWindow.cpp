#include "CTerminalWindow.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>

#include <array>

#include "document/CHalyardDoc.h"
#include "resources/Resource.h"
#include "ui/FocusChange.h"

namespace halyard {
namespace {

// Quick commands, four to a row; the last row has a gap before "RST".
constexpr std::array<CommandButtonDef, 19> kQuickCommands = {{
    {IDC_A_QUESTION, "aQuestionButton", "A?"},
    {IDC_AC, "acButton", "AC"},
    {IDC_GETADDRESS, "getAddressButton", "ADR?"},
    {IDC_D_QUESTION, "dQuestionButton", "D?"},
    {IDC_BB_QUESTION, "bbQuestionButton", "BB?"},
    {IDC_BT_QUESTION, "btQuestionButton", "BT?"},
    {IDC_DHO, "dhoButton", "DHO"},
    {IDC_DHX, "dhxButton", "DHX"},
    {IDC_M_QUESTION, "mQuestionButton", "M?"},
    {IDC_P_QUESTION, "pQuestionButton", "P?"},
    {IDC_PV_QUESTION, "pvQuestionButton", "PV?"},
    {IDC_R_QUESTION, "rQuestionButton", "R?"},
    {IDC_SN_QUESTION, "snQuestionButton", "SN?"},
    {IDC_T_QUESTION, "tQuestionButton", "T?"},
    {IDC_TM30, "tm30Button", "TM30"},
    {IDC_TM60, "tm60Button", "TM60"},
    {IDC_OP_QUESTION, "opQuestionButton", "OP?"},
    {IDC_OS_QUESTION, "osQuestionButton", "OS?"},
    {IDC_RESET, "resetButton", "RST"},
}};

// Calibration commands, three to a row.
constexpr std::array<CommandButtonDef, 6> kCalibrationCommands = {{
    {IDC_C_QUESTION, "cQuestionButton", "C?"},
    {IDC_CO, "coButton", "CO"},
    {IDC_CE, "ceButton", "CE"},
    {IDC_CT, "ctButton", "CT"},
    {IDC_CA, "caButton", "CA"},
    {IDC_CX, "cxButton", "CX"},
}};

constexpr int kButtonWidth = 36;
constexpr int kButtonHeight = 14;
constexpr int kColumnStep = 40;
constexpr int kRowStep = 18;

}  // namespace

CTerminalWindow::CTerminalWindow(QWidget* pParent)
    : CTerminalPageBase(IDD_TERMINAL, QStringLiteral("Type Command to send here"), pParent)
{
    setObjectName(QStringLiteral("terminalPage"));
    AddGroup("Quick Commands", 7, 4, 170, 106);
    for (size_t i = 0; i < kQuickCommands.size(); ++i) {
        // "RST" closes the last row after a gap.
        const size_t nSlot = kQuickCommands[i].nId == IDC_RESET ? i + 1 : i;
        AddCommandButton(kQuickCommands[i], 14 + static_cast<int>(nSlot % 4) * kColumnStep,
                         15 + static_cast<int>(nSlot / 4) * kRowStep, kButtonWidth, kButtonHeight);
    }
    AddGroup("Calibration Commands", 183, 4, 126, 52);
    for (size_t i = 0; i < kCalibrationCommands.size(); ++i) {
        QPushButton* pButton =
            AddCommandButton(kCalibrationCommands[i], 190 + static_cast<int>(i % 3) * kColumnStep,
                             15 + static_cast<int>(i / 3) * kRowStep, kButtonWidth, kButtonHeight);
        if (kCalibrationCommands[i].nId == IDC_CT)
            m_pCT = pButton;
    }
    AddCommonControls();
    m_pCommandEdit->installEventFilter(this);
}

bool CTerminalWindow::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pCommandEdit && pEvent->type() == QEvent::FocusIn &&
        IsRealFocusChange(static_cast<const QFocusEvent&>(*pEvent)))
        OnEnSetfocusCommandEdit1();
    return CTerminalPageBase::eventFilter(pWatched, pEvent);
}

void CTerminalWindow::OnEnSetfocusCommandEdit1()
{
    m_strCommand.clear();
    UpdateData(false);
}

void CTerminalWindow::OnCancel()
{
    CTerminalPageBase::OnCancel();
}

void CTerminalWindow::UpdateDataFromDoc()
{
    if (Doc() != nullptr)
        m_bPQDSensor = Doc()->IsPQDSensor();
    // Sensors of the LMW-40 / PQD series calibrate their temperature elsewhere.
    m_pCT->setEnabled(!m_bPQDSensor);
    m_pCT->setVisible(!m_bPQDSensor);
    UpdateData(false);
}

}  // namespace halyard
