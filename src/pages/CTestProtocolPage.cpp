#include "CTestProtocolPage.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>

#include "document/CHalyardDoc.h"
#include "document/IDocHost.h"
#include "resources/Resource.h"
#include "ui/DialogUnits.h"
#include "ui/ProgramSettings.h"
#include "ui/TextConvert.h"
#include "ui/UiPrompts.h"

namespace halyard {
namespace {

// Rows of the layout, in dialog units; each column is as wide as its caption.
constexpr int kLabelY = 24;
constexpr int kComboY = 36;
constexpr int kButtonY = 70;

QString ProfileText(const char* szKey, const char* szDefault)
{
    QSettings settings = ProgramSettings();
    settings.beginGroup(QStringLiteral("Test Protocol"));
    return settings.value(QString::fromLatin1(szKey), QString::fromLatin1(szDefault)).toString();
}

void Fill(QComboBox* pCombo, const QStringList& choices)
{
    pCombo->clear();
    pCombo->addItems(choices);
}

// The choices, with the last one the profile's value holds selected; a value
// that holds none is added as a choice of its own.
void FillForProfile(QComboBox* pCombo, const QStringList& choices, const QString& strProfile)
{
    Fill(pCombo, choices);
    int nIndex = LastChoiceWithin(choices, strProfile);
    if (nIndex < 0) {
        pCombo->addItem(strProfile);
        nIndex = pCombo->count() - 1;
    }
    pCombo->setCurrentIndex(nIndex);
}

void FillWithFirstSelected(QComboBox* pCombo, const QStringList& choices)
{
    Fill(pCombo, choices);
    pCombo->setCurrentIndex(0);
}

}  // namespace

CTestProtocolPage::CTestProtocolPage(QWidget* pParent)
    : CDocDialog(IDD_TEST_PROTOCOL, pParent)
    , m_cbTime(AddColumn({"Time (minutes)", IDC_TEST_TIME, "testTimeCombo", "testTimeLabel", 18, 64, true}))
    , m_cbVisibility(AddColumn({"Visibility (KM)", IDC_TEST_VISIBILITY, "testVisibilityCombo",
                                "testVisibilityLabel", 96, 64, true}))
    , m_cbFault(
          AddColumn({"Fault Condition", IDC_TEST_FAULT, "testFaultCombo", "testFaultLabel", 174, 72, false}))
    , m_cbContamination(AddColumn({"Contamination Condition", IDC_TEST_CONTAMINATION,
                                   "testContaminationCombo", "testContaminationLabel", 260, 92, false}))
    , m_cbWeatherCode(AddColumn({"WMO Weather Code", IDC_TEST_WEATHER_CODE, "testWeatherCodeCombo",
                                 "testWeatherCodeLabel", 366, 76, true}))
{
    setObjectName(QStringLiteral("testProtocolPage"));
    AddGroupBox(this, QStringLiteral("Sensor Test Mode Procedure"), 7, 4, 447, 100)
        ->setObjectName(QStringLiteral("testProcedureGroup"));
    connect(AddButton("Start Test Mode", IDC_START_TEST, "startTestButton", 146), &QPushButton::clicked, this,
            &CTestProtocolPage::OnBnClickedStartTest);
    connect(AddButton("Stop Test Mode", IDC_STOP_TEST, "stopTestButton", 246), &QPushButton::clicked, this,
            &CTestProtocolPage::OnBnClickedStopTest);
}

QComboBox* CTestProtocolPage::AddColumn(const ColumnDef& def)
{
    auto* pCombo = new QComboBox(this);
    pCombo->setEditable(def.bEditable);
    // A typed value is sent as typed; it does not become a choice.
    pCombo->setInsertPolicy(QComboBox::NoInsert);
    pCombo->setMaxVisibleItems(12);
    SetControlId(pCombo, def.nId, def.szComboName);
    PlaceDlu(pCombo, def.x, kComboY, def.cx, 14);

    auto* pLabel = new QLabel(QString::fromLatin1(def.szCaption), this);
    pLabel->setObjectName(QString::fromLatin1(def.szLabelName));
    PlaceDlu(pLabel, def.x, kLabelY, def.cx, 10);
    // The label names its list for screen readers.
    pLabel->setBuddy(pCombo);
    return pCombo;
}

QPushButton* CTestProtocolPage::AddButton(const char* szCaption, int nId, const char* szObjectName, int x)
{
    auto* pButton = new QPushButton(QString::fromLatin1(szCaption), this);
    pButton->setAutoDefault(false);
    SetControlId(pButton, nId, szObjectName);
    PlaceDlu(pButton, x, kButtonY, 70, 16);
    return pButton;
}

void CTestProtocolPage::OnInitDialog()
{
    CDocDialog::OnInitDialog();
    // These controls have no tooltips of their own; the entries under their
    // ids describe other pages' controls (the "AC" button, the RS485 box).
    for (QWidget* pChild : findChildren<QWidget*>())
        pChild->setToolTip(QString());
    FillForProfile(m_cbTime, TestTimeChoices(), ProfileText("Time", "05"));
    FillForProfile(m_cbVisibility, TestVisibilityChoices(), ProfileText("Viz", "4.50"));
    FillWithFirstSelected(m_cbFault, TestFaultChoices());
    FillWithFirstSelected(m_cbContamination, TestContaminationChoices());
    FillWithFirstSelected(m_cbWeatherCode, TestWeatherCodeChoices());
}

TestModeFields CTestProtocolPage::ChosenFields() const
{
    // An editable list shows the selected choice's text until the user types
    // over it (or types with nothing selected): what it shows is what is sent.
    return {.strTime = m_cbTime->currentText(),
            .strVisibility = m_cbVisibility->currentText(),
            .nFault = m_cbFault->currentIndex(),
            .nContamination = m_cbContamination->currentIndex(),
            .strWeatherCode = m_cbWeatherCode->currentText()};
}

void CTestProtocolPage::OnBnClickedStartTest()
{
    // The document queues the second command behind the first.
    if (SendToSensor(QStringLiteral("CO")))
        SendToSensor(TestModeCommand(ChosenFields()));
}

void CTestProtocolPage::OnBnClickedStopTest()
{
    SendToSensor(QStringLiteral("TEST,0"));
}

bool CTestProtocolPage::SendToSensor(const QString& strCommand)
{
    if (Doc() == nullptr)
        return false;
    if (Doc()->SendCommand(ToDocText(strCommand), true))
        return true;
    if (!Doc()->IsConnected())
        CUiPrompts::MessageBox(this, QStringLiteral("Sensor Not Connected"), MB_OK | MB_ICONWARNING);
    return false;
}

}  // namespace halyard
