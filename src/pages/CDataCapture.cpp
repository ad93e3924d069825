#include "CDataCapture.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "CSpinEdit.h"
#include "document/CHalyardDoc.h"
#include "document/LogFiles.h"
#include "platform/Clock.h"
#include "resources/Resource.h"
#include "ui/DataExchange.h"
#include "ui/DialogUnits.h"
#include "ui/TextConvert.h"
#include "ui/UiPrompts.h"

namespace halyard {
namespace {

QLabel* AddLabel(QWidget* pPage, int nId, const char* szObjectName, const char* szText, QWidget* pBuddy,
                 int x, int y, int cx)
{
    auto* pLabel = new QLabel(QString::fromLatin1(szText), pPage);
    SetControlId(pLabel, nId, szObjectName);
    PlaceDlu(pLabel, x, y, cx, 8);
    // The label names its field for screen readers.
    pLabel->setBuddy(pBuddy);
    return pLabel;
}

template <typename Control>
Control* AddControl(Control* pControl, int nId, const char* szObjectName, int x, int y, int cx, int cy)
{
    SetControlId(pControl, nId, szObjectName);
    PlaceDlu(pControl, x, y, cx, cy);
    return pControl;
}

}  // namespace

CDataCapture::CDataCapture(QWidget* pParent)
    : CDocDialog(IDD_DATA_CAPTURE, pParent)
    , m_pStartLog(new QPushButton(QStringLiteral("Start"), this))
    , m_pStopLog(new QPushButton(QStringLiteral("Stop"), this))
    , m_pFilePrefix(new QLineEdit(this))
    , m_HourSpin(new CSpinEdit(0, 23, this))
    , m_MinuteSpin(new CSpinEdit(0, 59, this))
    , m_pResetAtStart(new QCheckBox(QStringLiteral("Reset at Start"), this))
    , m_pCaptureAtEnd(new QCheckBox(QStringLiteral("Capture at End"), this))
    , m_pPollText(new QLineEdit(this))
    , m_PollSpin(new CSpinEdit(0, 600, this))
    , m_pStartStopPoll(new QPushButton(QStringLiteral("Start"), this))
{
    setObjectName(QStringLiteral("dataCapturePage"));

    AddGroupBox(this, QStringLiteral("Log Data"), 7, 4, 58, 54);
    AddControl(m_pStartLog, IDC_START_LOG, "startLogButton", 14, 17, 44, 14);
    AddControl(m_pStopLog, IDC_STOP_LOG, "stopLogButton", 14, 36, 44, 14);
    connect(m_pStartLog, &QPushButton::clicked, this, &CDataCapture::OnBnClickedStartLog);
    connect(m_pStopLog, &QPushButton::clicked, this, &CDataCapture::OnBnClickedStopLog);

    AddGroupBox(this, QStringLiteral("Auto R?"), 71, 4, 52, 36);
    m_pAutoRGroup = AddYesNoGroup(IDC_AUTO_R_YES, "autoRYesRadio", "Yes", IDC_AUTO_R_NO, "autoRNoRadio", "No",
                                  78, 15, 0, 11);
    AddGroupBox(this, QStringLiteral("Timestamp"), 71, 44, 52, 36);
    m_pTimestampGroup = AddYesNoGroup(IDC_TIMESTAMP_YES, "timestampYesRadio", "Yes", IDC_TIMESTAMP_NO,
                                      "timestampNoRadio", "No", 78, 55, 0, 11);

    AddGroupBox(this, QStringLiteral("Daily Capture"), 129, 4, 176, 106);
    m_pDailyGroup = AddYesNoGroup(IDC_DAILY_ON, "dailyOnRadio", "On", IDC_DAILY_OFF, "dailyOffRadio", "Off",
                                  137, 16, 40, 0);
    connect(m_pDailyGroup, &QButtonGroup::idClicked, this,
            [this](int nId) { nId == 0 ? OnBnClickedDailyOn() : OnBnClickedDailyOff(); });
    AddLabel(this, IDC_PREFIX_LABEL, "prefixLabel", "FileName:", m_pFilePrefix, 137, 33, 36);
    AddControl(m_pFilePrefix, IDC_FILE_PREFIX, "filePrefixEdit", 175, 31, 122, 12);
    AddLabel(this, IDC_HOUR_LABEL, "hourLabel", "HH", m_HourSpin, 137, 51, 12);
    AddControl(m_HourSpin, IDC_HOUR, "hourEdit", 151, 49, 36, 12);
    AddLabel(this, IDC_MINUTE_LABEL, "minuteLabel", "MM", m_MinuteSpin, 197, 51, 14);
    AddControl(m_MinuteSpin, IDC_MINUTE, "minuteEdit", 213, 49, 36, 12);
    AddGroupBox(this, QStringLiteral("A Cmd"), 135, 66, 164, 38);
    AddControl(m_pResetAtStart, IDC_RESET_AT_START, "resetAtStartCheck", 143, 77, 90, 10);
    AddControl(m_pCaptureAtEnd, IDC_CAPTURE_AT_END, "captureAtEndCheck", 143, 89, 90, 10);

    // The polling controls stand without a frame.
    AddLabel(this, IDC_POLL_TEXT_LABEL, "pollTextLabel", "Poll Text:", m_pPollText, 313, 17, 40);
    AddControl(m_pPollText, IDC_POLL_TEXT, "pollTextEdit", 357, 15, 92, 12);
    AddLabel(this, IDC_POLL_TIME_LABEL, "pollTimeLabel", "Poll Time (Seconds):", m_PollSpin, 313, 35, 74);
    AddControl(m_PollSpin, IDC_POLL_TIME, "pollTimeEdit", 391, 33, 42, 12);
    AddControl(m_pStartStopPoll, IDC_START_STOP_POLL, "startStopPollButton", 357, 55, 50, 16);
    connect(m_pStartStopPoll, &QPushButton::clicked, this, &CDataCapture::OnBnClickedStartStopPoll);

    // "Auto M?" and "Auto XW?" are kept hidden: their "No" always applies.
    m_pAutoMGroup = AddYesNoGroup(IDC_AUTO_M_YES, "autoMYesRadio", "Yes", IDC_AUTO_M_NO, "autoMNoRadio", "No",
                                  78, 84, 0, 11);
    m_pAutoXWGroup = AddYesNoGroup(IDC_AUTO_XW_YES, "autoXWYesRadio", "Yes", IDC_AUTO_XW_NO, "autoXWNoRadio",
                                   "No", 100, 84, 0, 11);
    for (QButtonGroup* pGroup : {m_pAutoMGroup, m_pAutoXWGroup})
        for (QAbstractButton* pButton : pGroup->buttons())
            pButton->hide();
}

QButtonGroup* CDataCapture::AddYesNoGroup(int nYesId, const char* szYesName, const char* szYes, int nNoId,
                                          const char* szNoName, const char* szNo, int x, int y, int nNoDx,
                                          int nNoDy)
{
    auto* pGroup = new QButtonGroup(this);
    pGroup->addButton(
        AddControl(new QRadioButton(QString::fromLatin1(szYes), this), nYesId, szYesName, x, y, 36, 10), 0);
    pGroup->addButton(AddControl(new QRadioButton(QString::fromLatin1(szNo), this), nNoId, szNoName,
                                 x + nNoDx, y + nNoDy, 36, 10),
                      1);
    return pGroup;
}

void CDataCapture::OnInitDialog()
{
    CDocDialog::OnInitDialog();
    EnableCheckBoxes();
}

void CDataCapture::DoDataExchange(bool bSaveAndValidate)
{
    const std::initializer_list<std::pair<QButtonGroup*, int32_t*>> radios = {
        {m_pAutoRGroup, &m_nAutoR},
        {m_pTimestampGroup, &m_nTimestamp},
        {m_pDailyGroup, &m_nDailyCapture},
        {m_pAutoMGroup, &m_nAutoM},
        {m_pAutoXWGroup, &m_nAutoXW}};
    if (!bSaveAndValidate) {
        for (const auto& [pGroup, pnMember] : radios)
            if (QAbstractButton* pButton = pGroup->button(*pnMember))
                pButton->setChecked(true);
        m_pFilePrefix->setText(m_strFilePrefix);
        m_HourSpin->setValue(m_nHour);
        m_MinuteSpin->setValue(m_nMinute);
        m_pResetAtStart->setChecked(m_bResetAtStart != 0);
        m_pCaptureAtEnd->setChecked(m_bCaptureAtEnd != 0);
        m_pPollText->setText(m_strPollText);
        m_PollSpin->setValue(m_nPollTime);
        return;
    }
    for (const auto& [pGroup, pnMember] : radios)
        *pnMember = pGroup->checkedId();
    m_strFilePrefix = m_pFilePrefix->text();
    if (!ExchangeNumber(m_HourSpin, m_nHour) || !ExchangeNumber(m_MinuteSpin, m_nMinute))
        return;
    m_bResetAtStart = m_pResetAtStart->isChecked() ? 1 : 0;
    m_bCaptureAtEnd = m_pCaptureAtEnd->isChecked() ? 1 : 0;
    m_strPollText = m_pPollText->text();
    ExchangeNumber(m_PollSpin, m_nPollTime);
}

bool CDataCapture::ExchangeNumber(CSpinEdit* pEdit, int16_t& nMember)
{
    int nValue = nMember;
    if (!ExchangeInt(pEdit, pEdit->cleanText(), pEdit->RangeMin(), pEdit->RangeMax(), nValue)) {
        m_bExchangeFailed = true;
        return false;
    }
    nMember = static_cast<int16_t>(nValue);
    return true;
}

void CDataCapture::OnBnClickedStartLog()
{
    // A refused value has been shown to the user: nothing starts with the old one.
    if (!UpdateData(true) || Doc() == nullptr)
        return;
    const bool bDaily = m_nDailyCapture == 0;
    if (bDaily)
        m_strLogFile = FromFileSystemPath(LogFileStem(ToFileSystemPath(m_strFilePrefix), Clock().Now()));
    const auto chosen = CUiPrompts::GetSaveFileName(this, QStringLiteral("Log Files (*.LOG)"),
                                                    QStringLiteral("LOG"), m_strLogFile);
    if (!chosen)
        return;
    const LogFileChoice choice =
        ChooseLogFile(ToFileSystemPath(*chosen), bDaily, ToFileSystemPath(m_strFilePrefix));
    m_strLogFile = FromFileSystemPath(choice.strLogFile);
    LogSettings settings;
    settings.strPathName = choice.strLogFile;
    settings.strPrefix = choice.strPrefix;
    settings.bAutoR = m_nAutoR == 0;
    settings.bTimestamp = m_nTimestamp == 0;
    settings.bAutoM = m_nAutoM == 0;
    settings.bAutoXW = m_nAutoXW == 0;
    settings.bDailyCapture = bDaily;
    settings.bResetA = m_bResetAtStart == 1;
    settings.bCaptureA = m_bCaptureAtEnd == 1;
    settings.nHour = m_nHour;
    settings.nMinute = m_nMinute;
    Doc()->SetLogParameters(settings);
    // A file that could not be created has been reported by the document.
    EnableButtons(!Doc()->StartLogging(LogStart::Fresh));
}

void CDataCapture::OnBnClickedStopLog()
{
    UpdateData(true);
    if (Doc() != nullptr)
        Doc()->StopLogging();
    EnableButtons(true);
}

void CDataCapture::OnLogError(uint32_t, int32_t)
{
    // The document has stopped logging already; the controls are as Start left them.
    if (Doc() != nullptr)
        Doc()->StopLogging();
    EnableButtons(true);
}

void CDataCapture::OnBnClickedStartStopPoll()
{
    if (!UpdateData(true) || Doc() == nullptr)
        return;
    if (!m_bPolling) {
        m_strPollText = m_strPollText.toUpper();
        // The document says why it refuses a command or a period.
        ShowPolling(Doc()->StartPolling(ToDocText(m_strPollText), m_nPollTime));
    } else {
        ShowPolling(false);
        Doc()->StopPolling();
    }
}

void CDataCapture::OnCommsClosed()
{
    // Closing the connection stops polling.
    ShowPolling(false);
}

void CDataCapture::ShowPolling(bool bPolling)
{
    m_bPolling = bPolling;
    m_pStartStopPoll->setText(bPolling ? QStringLiteral("Stop") : QStringLiteral("Start"));
}

void CDataCapture::OnBnClickedDailyOn()
{
    UpdateData(true);
    EnableCheckBoxes();
}

void CDataCapture::OnBnClickedDailyOff()
{
    UpdateData(true);
    EnableCheckBoxes();
}

void CDataCapture::EnableCheckBoxes()
{
    const bool bDaily = m_pDailyGroup->checkedId() == 0;
    m_pResetAtStart->setEnabled(bDaily);
    m_pCaptureAtEnd->setEnabled(bDaily);
}

void CDataCapture::EnableButtons(bool bEnable)
{
    for (QWidget* pChild : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (pChild == m_pStopLog || pChild == m_pResetAtStart || pChild == m_pCaptureAtEnd ||
            ControlId(pChild) == 0)
            continue;
        pChild->setEnabled(bEnable);
    }
    if (bEnable)
        EnableCheckBoxes();
    else {
        m_pResetAtStart->setEnabled(false);
        m_pCaptureAtEnd->setEnabled(false);
    }
}

}  // namespace halyard
