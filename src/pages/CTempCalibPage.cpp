#include "CTempCalibPage.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryFile>

#include <optional>

#include "document/CHalyardDoc.h"
#include "document/Framing.h"
#include "document/TempCalibration.h"
#include "resources/Resource.h"
#include "ui/DialogUnits.h"
#include "ui/TextConvert.h"
#include "ui/UiPrompts.h"

namespace halyard {

namespace {

int g_nSettleTickMs = 1000;
const QString kEnterReference = QStringLiteral("Enter Reference Temperature and Press the Calibrate button");

QLineEdit* AddField(QWidget* pPage, const char* szLabel, int nId, const char* szName, int y,
                    QLabel** ppLabel = nullptr)
{
    auto* pLabel = new QLabel(QString::fromUtf8(szLabel), pPage);
    PlaceDlu(pLabel, 14, y + 2, 110, 8);
    auto* pEdit = new QLineEdit(pPage);
    SetControlId(pEdit, nId, szName);
    PlaceDlu(pEdit, 126, y, 50, 12);
    pLabel->setBuddy(pEdit);
    if (ppLabel != nullptr)
        *ppLabel = pLabel;
    return pEdit;
}

}  // namespace

void CTempCalibPage::SetSettleTickMsForTests(int nMs)
{
    g_nSettleTickMs = nMs;
}

CTempCalibPage::CTempCalibPage(QWidget* pParent)
    : CDocDialog(IDD_TEMP_CALIB, pParent)
    , m_Progress(new QProgressBar(this))
    , m_timers([this](uint32_t nID) { OnTimer(nID); }, this)
    , m_pStatus(new QLabel(this))
    , m_pCalibrate(new QPushButton(QStringLiteral("Calibrate"), this))
{
    setObjectName(QStringLiteral("tempCalibPage"));
    AddGroupBox(this, QStringLiteral("PQD Temperature Calibration Procedure"), 7, 4, 447, 106);
    m_pSensorTemp = AddField(this, "Sensor Temperature (\u00B0C):", IDC_SENSOR_TEMP, "sensorTempEdit", 18);
    m_pRefTemp = AddField(this, "Reference Temperature (\u00B0C):", IDC_REF_TEMP, "refTempEdit", 36);
    QLabel* pOffsetLabel = nullptr;
    m_pOffset =
        AddField(this, "Temperature Offset (\u00B0C):", IDC_OFFSET_EDIT, "offsetEdit", 54, &pOffsetLabel);
    SetControlId(pOffsetLabel, IDC_OFFSET_LABEL, "offsetLabel");
    m_pSensorTemp->setReadOnly(true);
    m_pOffset->setReadOnly(true);
    SetControlId(m_pCalibrate, IDC_CALIBRATE, "calibrateButton");
    PlaceDlu(m_pCalibrate, 200, 34, 70, 16);
    m_pCalibrate->setAutoDefault(false);
    connect(m_pCalibrate, &QPushButton::clicked, this, &CTempCalibPage::OnBnClickedTempcalButton);
    auto* pRead = new QPushButton(QStringLiteral("Read Values"), this);
    SetControlId(pRead, IDC_READ_VALUES, "readValuesButton");
    PlaceDlu(pRead, 290, 34, 70, 16);
    SetControlId(m_pStatus, IDC_CAL_STATUS, "calStatus");
    PlaceDlu(m_pStatus, 14, 74, 430, 10);
    auto* pDelayLabel = new QLabel(QStringLiteral("Temperature stability delay:"), this);
    PlaceDlu(pDelayLabel, 14, 92, 110, 8);
    SetControlId(m_Progress, IDC_SETTLE_PROGRESS, "settleProgress");
    PlaceDlu(m_Progress, 126, 90, 200, 12);
    pDelayLabel->setBuddy(m_Progress);
    connect(m_pRefTemp, &QLineEdit::editingFinished, this, [this] { UpdateData(true); });
}

CTempCalibPage::~CTempCalibPage()
{
    RemoveTempFile();
}

void CTempCalibPage::OnInitDialog()
{
    CDocDialog::OnInitDialog();
    m_strStatus = kEnterReference;
    for (int nId : {IDC_OFFSET_LABEL, IDC_OFFSET_EDIT, IDC_READ_VALUES})
        for (QWidget* pChild : findChildren<QWidget*>())
            if (ControlId(pChild) == nId) {
                pChild->setEnabled(false);
                pChild->hide();
            }
    m_Progress->setRange(0, SETTLE_SECONDS);
    m_Progress->setValue(0);
    UpdateData(false);
}

void CTempCalibPage::DoDataExchange(bool bSaveAndValidate)
{
    if (bSaveAndValidate) {
        m_strRefTemp = m_pRefTemp->text();
        return;
    }
    m_pRefTemp->setText(m_strRefTemp);
    ShowReadings();
}

void CTempCalibPage::ShowReadings()
{
    m_pSensorTemp->setText(m_strSensorTemp);
    m_pOffset->setText(m_strOffset);
    m_pStatus->setText(m_strStatus);
}

void CTempCalibPage::UpdateDataFromDoc()
{
    m_strStatus = kEnterReference;
    StartReadOut();
    RestartTimer();
    ShowReadings();
}

void CTempCalibPage::StartReadOut()
{
    if (Doc() != nullptr)
        Doc()->SendCommand("V63?", true);
    m_nReadStage = 0;
    m_bReading = true;
}

void CTempCalibPage::GotCommsData(std::string& szData)
{
    if (!m_bReading)
        return;
    StopTimer();
    if (!DataMessageReceived(szData)) {
        if (m_nReadStage == 0)
            ReadOffset(szData);
        else if (m_nReadStage == 1)
            ReadTemperature(szData);
    }
    RestartTimer();
    ShowReadings();
}

void CTempCalibPage::ReadOffset(const std::string& strLine)
{
    const std::optional<std::string> field = OffsetReplyField(strLine);
    if (!field)
        return;
    const std::optional<int> tenths = OffsetTenthsValue(*field);
    if (!tenths) {
        m_strOffset.clear();
        SayUnreadable("Could not read the temperature offset", *field);
        return;
    }
    m_nOffsetTenths = static_cast<int16_t>(*tenths);
    m_dOffset = *tenths / 10.0;
    m_strOffset = QString::number(m_dOffset, 'f', 1);
    m_nReadStage = 1;
}

void CTempCalibPage::ReadTemperature(const std::string& strLine)
{
    const std::optional<std::string> field = MaintenanceTemperatureField(strLine);
    if (!field)
        return;
    const std::optional<double> temp = TemperatureValue(*field);
    if (!temp) {
        m_strSensorTemp.clear();
        SayUnreadable("Could not read the sensor temperature", *field);
        return;
    }
    m_dSensorTemp = *temp;
    m_strSensorTemp = QString::number(m_dSensorTemp, 'f', 1);
    m_nReadStage = 2;
}

void CTempCalibPage::SayUnreadable(const char* szWhat, const std::string& strField)
{
    // The stage stays: no offset is computed until a value was read.
    m_strStatus = QString::fromLatin1(szWhat) + QStringLiteral(": the sensor answered \"") +
                  FromDocText(strField).trimmed() + QLatin1Char('"');
}

void CTempCalibPage::OnTimer(uint32_t nIDEvent)
{
    if (nIDEvent != TIMER_TEMP_CAL)
        return;
    if (m_bReading) {
        StopTimer();
        if (m_nReadStage == 1 && Doc() != nullptr)
            Doc()->SendCommand("R?", true);
        else if (m_nReadStage == 2)
            m_bReading = false;
        return;
    }
    if (!m_bSettling)
        return;
    m_Progress->setValue(++m_nSettleTicks);
    if (m_nSettleTicks < SETTLE_SECONDS)
        return;
    m_bSettling = false;
    m_nSettleTicks = 0;
    m_Progress->setValue(0);
    m_strStatus = QStringLiteral("Temperature Calibration Finished");
    StartReadOut();
    RestartTimer();
    ShowReadings();
}

void CTempCalibPage::OnBnClickedTempcalButton()
{
    UpdateData(true);
    if (Doc() == nullptr)
        return;
    // Computed from values never read, the offset would be about minus the
    // reference.
    if (m_nReadStage < 2) {
        CUiPrompts::MessageBox(this, QStringLiteral("Sensor values have not been read yet"),
                               MB_OK | MB_ICONERROR);
        return;
    }
    const CalibrationResult result = CalibrateOffset(ToDocText(m_strRefTemp), m_dSensorTemp, m_dOffset);
    if (result.nError != CAL_OK) {
        CUiPrompts::MessageBox(this, FromDocText(CalibrationErrorText(result.nError)), MB_OK | MB_ICONERROR);
        return;
    }
    // The upload's replies are no read-out.
    m_bReading = false;
    StopTimer();
    m_dOffset = result.dNewOffset;
    m_nOffsetTenths = static_cast<int16_t>(result.nOffsetTenths);
    if (!WriteTempFile(result.nOffsetTenths))
        return;
    Doc()->LoadParamFile(ToFileSystemPath(m_strTempFile));
}

bool CTempCalibPage::WriteTempFile(int nOffsetTenths)
{
    RemoveTempFile();
    // A file of its own, created exclusively: no name another program can
    // have placed there first.
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/DEMOXXXXXX"));
    file.setAutoRemove(false);
    QByteArray text = QByteArray::fromStdString(CalibrationFileText(nOffsetTenths));
    text.replace("\n", "\r\n");
    if (!file.open() || file.write(text) != text.size() || !file.flush()) {
        CUiPrompts::MessageBox(
            this, QStringLiteral("The calibration file could not be written: ") + file.errorString(),
            MB_OK | MB_ICONERROR);
        file.remove();
        return false;
    }
    m_strTempFile = file.fileName();
    return true;
}

void CTempCalibPage::RemoveTempFile()
{
    if (!m_strTempFile.isEmpty())
        QFile::remove(m_strTempFile);
    m_strTempFile.clear();
}

void CTempCalibPage::DeleteTempFile(bool bFailed, int nEnd)
{
    RemoveTempFile();
    m_nSettleTicks = 0;
    m_Progress->setValue(0);
    if (bFailed) {
        // Not known to be written: no settle delay, no "Finished", and the
        // values the sensor holds now are read again while it can be asked.
        m_bSettling = false;
        m_strStatus = FromDocText(CalibrationFailedText(nEnd));
        if (Doc() != nullptr && Doc()->IsConnected()) {
            StartReadOut();
            RestartTimer();
        } else {
            StopTimer();
            m_bReading = false;
            m_nReadStage = 0;
        }
        ShowReadings();
        return;
    }
    m_strStatus = QStringLiteral(
        "Calibration Values updated, please wait 25 seconds for temperature to settle before reading");
    RestartTimer(g_nSettleTickMs);
    m_bSettling = true;
    ShowReadings();
}

void CTempCalibPage::RestartTimer(int nMs)
{
    m_nTimerID = m_timers.SetTimerOrSay(this, TIMER_TEMP_CAL, nMs);
}

void CTempCalibPage::StopTimer()
{
    m_timers.KillTimer(TIMER_TEMP_CAL);
    m_nTimerID = 0;
}

}  // namespace halyard
