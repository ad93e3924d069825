#include "CALSTerminal.h"

#include <array>

#include "document/CHalyardDoc.h"
#include "resources/Resource.h"

namespace halyard {
namespace {

// The ids (and so the tooltips) are those of the terminal page's buttons
// with the same role.
constexpr std::array<CommandButtonDef, 6> kALSCommands = {{
    {IDC_GETADDRESS, "alsGetAddressButton", "ALS-ADR?"},
    {IDC_D_QUESTION, "alsDQuestionButton", "ALS-D?"},
    {IDC_R_QUESTION, "alsRQuestionButton", "ALS-R?"},
    {IDC_SN_QUESTION, "alsSnQuestionButton", "ALS-SN?"},
    {IDC_PV_QUESTION, "alsPvQuestionButton", "ALS-PV?"},
    {IDC_RESET, "alsResetButton", "ALS-RST"},
}};

}  // namespace

CALSTerminal::CALSTerminal(QWidget* pParent)
    : CTerminalPageBase(IDD_ALS_TERMINAL, QString(), pParent)
{
    setObjectName(QStringLiteral("alsTerminalPage"));
    AddGroup("ALS Commands", 7, 4, 170, 106);
    for (size_t i = 0; i < kALSCommands.size(); ++i)
        AddCommandButton(kALSCommands[i], 16 + static_cast<int>(i % 2) * 80,
                         18 + static_cast<int>(i / 2) * 26, 70, 16);
    AddCommonControls();
}

void CALSTerminal::StartDump(const std::string& strPath)
{
    Doc()->DumpALS(strPath);
}

void CALSTerminal::StartLoad(const std::string& strPath)
{
    Doc()->LoadALSNVRAM(strPath);
}

}  // namespace halyard
