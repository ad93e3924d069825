#include "CSensorSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

#include "document/CHalyardDoc.h"
#include "resources/Resource.h"
#include "ui/CTimeoutMsgDlg.h"
#include "ui/DialogUnits.h"
#include "ui/TextConvert.h"
#include "ui/UiPrompts.h"

namespace halyard {

namespace {

constexpr int kStepMs = 1000;

// The groups that are loaded and written back but not shown.
constexpr std::array<int, 10> kHiddenIds = {IDC_EXCO_GROUP, IDC_EXCO_LABEL, IDC_EXCO_YES,      IDC_EXCO_NO,
                                            IDC_TEMP_GROUP, IDC_TEMP_USE,   IDC_TEMP_NOT_USED, IDC_CALC_GROUP,
                                            IDC_CALC_ON_D,  IDC_CALC_AFTER};

}  // namespace

CSensorSettings::CSensorSettings(QWidget* pParent)
    : CDocDialog(IDD_SENSOR_SETTINGS, pParent)
    , m_timers([this](uint32_t nID) { OnTimer(nID); }, this)
    , m_pWriteNVRAM(new QCheckBox(QStringLiteral("Enable Write"), this))
    , m_pOpStateEdit(new QLineEdit(this))
    , m_pOptionsEdit(new QLineEdit(this))
    , m_pUpdate(new QPushButton(QStringLiteral("Update"), this))
{
    setObjectName(QStringLiteral("sensorSettingsPage"));
    m_pMsgFormat =
        AddChoices("Message", 7, 4, 124, 48, {{IDC_COMPRESSED, "Compressed"}, {IDC_EXPANDED, "Expanded"}},
                   &m_nMsgFormat, false);
    AddChoices(nullptr, 7, 28, 124, 0, {{IDC_AUTOMATIC, "Automatic"}, {IDC_POLLED, "Polled"}}, &m_nSendMode,
               false);
    AddGroupBox(this, QStringLiteral("Date / Time"), 7, 56, 124, 54);
    auto* pDateLabel = new QLabel(QStringLiteral("Add to Data Message"), this);
    PlaceDlu(pDateLabel, 14, 68, 100, 8);
    AddChoices(nullptr, 7, 70, 124, 0, {{IDC_DATETIME_YES, "Yes"}, {IDC_DATETIME_NO, "No"}}, &m_nDateTime,
               true);
    AddChoices("Window Heaters", 137, 4, 70, 62,
               {{IDC_WINDOW_ON, "On"}, {IDC_WINDOW_OFF, "Off"}, {IDC_WINDOW_AUTO, "Auto"}}, &m_nWindowHeaters,
               false);
    AddChoices("Hood Heaters", 137, 70, 70, 40, {{IDC_HOOD_AUTO, "Auto"}, {IDC_HOOD_OFF, "Off"}},
               &m_nHoodHeaters, false);
    AddChoices("Checksum", 213, 4, 62, 40, {{IDC_CHECKSUM_ON, "On"}, {IDC_CHECKSUM_OFF, "Off"}}, &m_nChecksum,
               true);
    AddChoices("RS485", 213, 48, 62, 40, {{IDC_RS485_ON, "On"}, {IDC_RS485_OFF, "Off"}}, &m_nRS485, true);

    AddHiddenChoices();
    AddRegisterControls();
}

void CSensorSettings::AddHiddenChoices()
{
    // Loaded and written back, never shown.
    SetControlId(AddGroupBox(this, QStringLiteral("EXCO"), 281, 90, 10, 10), IDC_EXCO_GROUP, "excoGroup");
    auto* pExcoLabel = new QLabel(QStringLiteral("Adjust for window contamination"), this);
    SetControlId(pExcoLabel, IDC_EXCO_LABEL, "excoLabel");
    AddChoices(nullptr, 281, 90, 10, 0, {{IDC_EXCO_YES, "Yes"}, {IDC_EXCO_NO, "No"}}, &m_nExco, true);
    SetControlId(AddGroupBox(this, QStringLiteral("Temp Sensor"), 281, 90, 10, 10), IDC_TEMP_GROUP,
                 "tempGroup");
    AddChoices(nullptr, 281, 90, 10, 0, {{IDC_TEMP_USE, "Use for PW"}, {IDC_TEMP_NOT_USED, "Do Not use"}},
               &m_nTempForPW, true);
    SetControlId(AddGroupBox(this, QStringLiteral("Calc Values"), 281, 90, 10, 10), IDC_CALC_GROUP,
                 "calcGroup");
    AddChoices(nullptr, 281, 90, 10, 0,
               {{IDC_CALC_ON_D, "On D?"}, {IDC_CALC_AFTER, "After Measurement Time"}}, &m_nCalcMode, false);
    SetControlId(m_pWriteNVRAM, IDC_WRITE_NVRAM, "writeNvramCheck");
    m_pWriteNVRAM->hide();
    connect(m_pWriteNVRAM, &QCheckBox::clicked, this, &CSensorSettings::OnOpStateChoice);
}

void CSensorSettings::AddRegisterControls()
{
    auto* pOpLabel = new QLabel(QStringLiteral("Operating State:"), this);
    PlaceDlu(pOpLabel, 285, 10, 80, 8);
    pOpLabel->setBuddy(m_pOpStateEdit);
    SetControlId(m_pOpStateEdit, IDC_OPSTATE_EDIT, "opStateEdit");
    PlaceDlu(m_pOpStateEdit, 285, 20, 110, 12);
    auto* pOptLabel = new QLabel(QStringLiteral("Options Word:"), this);
    PlaceDlu(pOptLabel, 285, 40, 80, 8);
    pOptLabel->setBuddy(m_pOptionsEdit);
    SetControlId(m_pOptionsEdit, IDC_OPTIONS_EDIT, "optionsEdit");
    PlaceDlu(m_pOptionsEdit, 285, 50, 110, 12);
    for (QLineEdit* pEdit : {m_pOpStateEdit, m_pOptionsEdit})
        pEdit->setReadOnly(true);
    SetControlId(m_pUpdate, IDC_UPDATE_SETTINGS, "updateSettingsButton");
    PlaceDlu(m_pUpdate, 305, 76, 70, 16);
    m_pUpdate->setAutoDefault(false);
    connect(m_pUpdate, &QPushButton::clicked, this, &CSensorSettings::OnBnClickedUpdateButton1);
}

QButtonGroup* CSensorSettings::AddChoices(const char* szTitle, int x, int y, int cx, int cy,
                                          std::initializer_list<std::pair<int, const char*>> buttons,
                                          int* pnMember, bool bOptions)
{
    if (szTitle != nullptr)
        AddGroupBox(this, QString::fromLatin1(szTitle), x, y, cx, cy);
    auto* pGroup = new QButtonGroup(this);
    int nIndex = 0;
    // Two buttons side by side under the title, three one under the other.
    const bool bColumn = buttons.size() > 2;
    for (const auto& [nId, szText] : buttons) {
        auto* pRadio = new QRadioButton(QString::fromLatin1(szText), this);
        SetControlId(pRadio, nId, QStringLiteral("radio%1").arg(nId).toLatin1().constData());
        PlaceDlu(pRadio, x + 7 + (bColumn ? 0 : nIndex * (cx / 2)), y + 12 + (bColumn ? nIndex * 14 : 0),
                 cx / (bColumn ? 1 : 2) - 8, 10);
        pGroup->addButton(pRadio, nIndex++);
    }
    connect(pGroup, &QButtonGroup::idClicked, this,
            [this, bOptions](int) { bOptions ? OnOptionsChoice() : OnOpStateChoice(); });
    m_groups.emplace_back(pGroup, pnMember);
    return pGroup;
}

void CSensorSettings::OnInitDialog()
{
    CDocDialog::OnInitDialog();
    for (QWidget* pChild : findChildren<QWidget*>())
        if (std::find(kHiddenIds.begin(), kHiddenIds.end(), ControlId(pChild)) != kHiddenIds.end()) {
            pChild->setEnabled(false);
            pChild->hide();
        }
}

void CSensorSettings::DoDataExchange(bool bSaveAndValidate)
{
    if (bSaveAndValidate) {
        for (const auto& [pGroup, pnMember] : m_groups)
            *pnMember = pGroup->checkedId();
        m_bWriteNVRAM = m_pWriteNVRAM->isChecked() ? 1 : 0;
        return;
    }
    for (const auto& [pGroup, pnMember] : m_groups)
        if (QAbstractButton* pButton = pGroup->button(*pnMember))
            pButton->setChecked(true);
    m_pWriteNVRAM->setChecked(m_bWriteNVRAM != 0);
    m_pOpStateEdit->setText(m_strOpState);
    m_pOptionsEdit->setText(m_strOptions);
}

void CSensorSettings::RefreshOptions()
{
    LoadOptionsSelections(*this);
    m_strOptions = FromDocText(BuildOptionsText(*this));
}

void CSensorSettings::RefreshOpState()
{
    LoadOpStateSelections(*this);
    m_strOpState = FromDocText(BuildOpStateText(*this));
}

void CSensorSettings::UpdateDataFromDoc()
{
    if (Doc() == nullptr)
        return;
    m_bOptionsKnown = false;
    Doc()->GetOptionsWord(&m_wOptions, true);
    RefreshOptions();
    m_bOpStateKnown = false;
    const bool bPQD = Doc()->IsPQDSensor();
    for (QAbstractButton* pButton : m_pMsgFormat->buttons())
        pButton->setEnabled(!bPQD);
    RestartTimer();
    UpdateData(false);
}

void CSensorSettings::GotCommsData(std::string&)
{
    if (Doc() == nullptr)
        return;
    if (m_bUpdating) {
        // The next step comes a second after the sensor's last reply.
        m_bReplySinceStep = true;
        m_nSilentTicks = 0;
        RestartTimer();
    } else if (!m_bOptionsKnown) {
        m_bOptionsKnown = Doc()->GetOptionsWord(&m_wOptions, false);
        RefreshOptions();
    } else if (!m_bOpStateKnown) {
        m_bOpStateKnown = Doc()->GetOperatingState(&m_wOpState.wValue, false);
        RefreshOpState();
    }
    UpdateData(false);
}

void CSensorSettings::OnTimer(uint32_t nIDEvent)
{
    if (nIDEvent != TIMER_SENSOR_SETTINGS || Doc() == nullptr)
        return;
    if (!m_bUpdating) {
        StopTimer();
        m_bOpStateKnown = false;
        Doc()->GetOperatingState(&m_wOpState.wValue, true);
        RefreshOpState();
        UpdateData(false);
        return;
    }
    if (m_bReplySinceStep) {
        m_bReplySinceStep = false;
        NextUpdateStep();
    } else if (++m_nSilentTicks >= UPDATE_SILENCE_TICKS) {
        // A sensor that stopped answering must not leave Update disabled.
        StopTimer();
        m_bUpdating = false;
        m_pUpdate->setEnabled(true);
        Report(QStringLiteral("Sensor settings update stopped: no reply from the sensor"));
    }
}

void CSensorSettings::NextUpdateStep()
{
    ++m_nUpdateStep;
    if (m_nUpdateStep == 1) {
        Doc()->SendCommand("CO", true);
    } else if (m_nUpdateStep == 2) {
        Doc()->SendCommand(RegisterWriteCommand("OP", ToDocText(m_strOptions)), true);
        Doc()->EnableRS485(m_nRS485 == 0);
    } else {
        StopTimer();
        m_bUpdating = false;
        m_pUpdate->setEnabled(true);
    }
}

void CSensorSettings::OnOptionsChoice()
{
    UpdateData(true);
    StoreOptionsSelections(*this);
    m_strOptions = FromDocText(BuildOptionsText(*this));
    UpdateData(false);
}

void CSensorSettings::OnOpStateChoice()
{
    UpdateData(true);
    m_strOpState = FromDocText(BuildOpStateText(*this));
    UpdateData(false);
}

void CSensorSettings::OnBnClickedUpdateButton1()
{
    UpdateData(true);
    if (Doc() == nullptr)
        return;
    // Registers built from values never read would switch the sensor's
    // output, heaters and addressing to zeros.
    if (!m_bOpStateKnown || !m_bOptionsKnown) {
        CUiPrompts::MessageBox(this, QStringLiteral("Sensor settings have not been read yet"),
                               MB_OK | MB_ICONWARNING);
        return;
    }
    CTimeoutMsgDlg confirm(this);
    confirm.m_strMessage1 = QStringLiteral("This will change the way the Sensor Operates.");
    confirm.m_strMessage2 = QStringLiteral("ARE YOU SURE?");
    if (confirm.DoModal() != IDYES)
        return;
    StoreOptionsSelections(*this);
    m_strOptions = FromDocText(BuildOptionsText(*this));
    m_strOpState = FromDocText(BuildOpStateText(*this));
    m_pUpdate->setEnabled(false);
    m_bUpdating = true;
    m_nUpdateStep = 0;
    m_bReplySinceStep = false;
    m_nSilentTicks = 0;
    Doc()->SendCommand(RegisterWriteCommand("OS", ToDocText(m_strOpState)), true);
    RestartTimer();
    UpdateData(false);
}

void CSensorSettings::RestartTimer()
{
    m_nTimerID = m_timers.SetTimerOrSay(this, TIMER_SENSOR_SETTINGS, kStepMs);
}

void CSensorSettings::StopTimer()
{
    m_timers.KillTimer(TIMER_SENSOR_SETTINGS);
    m_nTimerID = 0;
}

}  // namespace halyard
