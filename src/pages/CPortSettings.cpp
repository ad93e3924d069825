#include "CPortSettings.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "CDynamicLED.h"
#include "document/CHalyardDoc.h"
#include "platform/PortTable.h"
#include "resources/Resource.h"
#include "ui/DialogUnits.h"
#include "ui/TextConvert.h"
#include "ui/UiPrompts.h"

namespace halyard {
namespace {

struct BaudButton {
    int nId;
    const char* szObjectName;
    const char* szText;
    uint32_t dwBaud;
};

// One radio group, in this order (index 0 to 6).
constexpr std::array<BaudButton, 7> kBaudButtons = {{
    {IDC_1200BAUD, "baud1200Radio", "1200", 1200},
    {IDC_2400BAUD, "baud2400Radio", "2400", 2400},
    {IDC_4800BAUD, "baud4800Radio", "4800", 4800},
    {IDC_9600BAUD, "baud9600Radio", "9600", 9600},
    {IDC_19K2BAUD, "baud19k2Radio", "19K2", 19200},
    {IDC_38K4BAUD, "baud38k4Radio", "38K4", 38400},
    {IDC_57K6BAUD, "baud57k6Radio", "57K6", 57600},
}};

}  // namespace

QString PortListEntry(int nPort, const QString& strDevice, const QString& strDescription,
                      const QString& strById)
{
    QString strEntry = QStringLiteral("COM%1  %2").arg(nPort).arg(strDevice);
    const QString strName =
        !strDescription.isEmpty() ? strDescription : strById.section(QLatin1Char('/'), -1);
    if (!strName.isEmpty())
        strEntry += QStringLiteral("  ") + strName;
    return strEntry;
}

CPortSettings::CPortSettings(QWidget* pParent)
    : CDocDialog(IDD_PORT_SETTINGS, pParent)
    , m_ConnectLED(new CDynamicLED(this))
    , m_PortCombo(new QComboBox(this))
    , m_pBaudGroup(new QButtonGroup(this))
    , m_pCheckPorts(new QPushButton(QStringLiteral("Check For Ports"), this))
    , m_pConnect(new QPushButton(QStringLiteral("Connect"), this))
{
    setObjectName(QStringLiteral("portSettingsPage"));
    m_anPortPresent.fill(1);

    AddGroupBox(this, QStringLiteral("Baud Rate"), 7, 4, 62, 106);
    for (size_t i = 0; i < kBaudButtons.size(); ++i) {
        auto* pRadio = new QRadioButton(QString::fromLatin1(kBaudButtons[i].szText), this);
        SetControlId(pRadio, kBaudButtons[i].nId, kBaudButtons[i].szObjectName);
        PlaceDlu(pRadio, 16, 16 + static_cast<int>(i) * 13, 45, 10);
        m_pBaudGroup->addButton(pRadio, static_cast<int>(i));
        m_pBaudButtons[i] = pRadio;
    }
    connect(m_pBaudGroup, &QButtonGroup::idClicked, this, &CPortSettings::OnBnClickedBaud);

    AddGroupBox(this, QStringLiteral("Com Port"), 76, 4, 288, 106);
    auto* pPortLabel = new QLabel(QStringLiteral("Port:"), this);
    PlaceDlu(pPortLabel, 86, 24, 20, 8);
    SetControlId(m_PortCombo, IDC_PORTCOMBO, "portCombo");
    PlaceDlu(m_PortCombo, 108, 21, 248, 14);
    SetControlId(m_pCheckPorts, IDC_CHECKPORTS, "checkPortsButton");
    PlaceDlu(m_pCheckPorts, 108, 44, 70, 16);
    connect(m_PortCombo, &QComboBox::activated, this, [this](int) { OnCbnSelchangePortcombo1(); });
    connect(m_pCheckPorts, &QPushButton::clicked, this, &CPortSettings::OnBnClickedCheckportsButton1);

    AddGroupBox(this, QStringLiteral("Connect"), 371, 4, 83, 106);
    SetControlId(m_ConnectLED, IDC_CONNECT_LED, "connectLed");
    const CDialogUnits units(font());
    const int nLamp = units.Y(18);
    m_ConnectLED->setGeometry(units.X(412) - nLamp / 2, units.Y(24), nLamp, nLamp);
    SetControlId(m_pConnect, IDC_CONNECT, "connectButton");
    PlaceDlu(m_pConnect, 382, 60, 60, 18);
    connect(m_pConnect, &QPushButton::clicked, this, &CPortSettings::OnBnClickedConnect);
}

void CPortSettings::OnInitDialog()
{
    CDocDialog::OnInitDialog();
    m_ConnectLED->SetLED(CDynamicLED::ID_LED_RED, CDynamicLED::ID_SHAPE_ROUND, 0, false, true);
    CheckAvailablePorts();
    UpdateData(false);
}

void CPortSettings::DoDataExchange(bool bSaveAndValidate)
{
    if (bSaveAndValidate) {
        m_nBaudIndex = m_pBaudGroup->checkedId();
    } else if (m_nBaudIndex >= 0 && m_nBaudIndex < static_cast<int>(m_pBaudButtons.size())) {
        m_pBaudButtons[static_cast<size_t>(m_nBaudIndex)]->setChecked(true);
    }
}

void CPortSettings::OnBnClickedBaud(int nIndex)
{
    UpdateData(true);
    if (nIndex >= 0 && nIndex < static_cast<int>(kBaudButtons.size()))
        m_dwBaudRate = kBaudButtons[static_cast<size_t>(nIndex)].dwBaud;
    UpdateData(false);
}

void CPortSettings::CheckAvailablePorts()
{
    m_PortCombo->clear();
    m_anPortPresent.fill(0);
    CPortTable& table = CPortTable::Instance();
    table.Scan();
    // The table lists its ports by number; numbers 99 and up are left out.
    for (const PortEntry& entry : table.Ports()) {
        if (entry.nPort < 0 || entry.nPort >= static_cast<int>(m_anPortPresent.size()))
            continue;
        m_anPortPresent[static_cast<size_t>(entry.nPort)] = 1;
        // Descriptions come from udev's database, which keeps UTF-8.
        const QString strById = FromFileSystemPath(entry.strById);
        m_PortCombo->addItem(PortListEntry(entry.nPort, FromFileSystemPath(entry.strDevice),
                                           QString::fromStdString(entry.strDescription), strById),
                             entry.nPort);
        // The by-id name tells two adapters of one make apart.
        if (!strById.isEmpty())
            m_PortCombo->setItemData(m_PortCombo->count() - 1, strById, Qt::ToolTipRole);
    }
    if (m_nPortIndex < 0 || m_nPortIndex >= m_PortCombo->count())
        m_nPortIndex = 0;
    m_PortCombo->setCurrentIndex(m_PortCombo->count() > 0 ? m_nPortIndex : -1);
    UpdateData(false);
}

bool CPortSettings::SelectPort(int nPort)
{
    const int nIndex = m_PortCombo->findData(nPort);
    if (nIndex < 0)
        return false;
    m_PortCombo->setCurrentIndex(nIndex);
    OnCbnSelchangePortcombo1();
    return true;
}

void CPortSettings::OnCbnSelchangePortcombo1()
{
    const int nIndex = m_PortCombo->currentIndex();
    if (nIndex < 0)
        return;
    // The number is read from the text after "COM".
    m_nPort = PortNumberFromName(ToDocText(m_PortCombo->itemText(nIndex)));
    m_nPortIndex = nIndex;
}

void CPortSettings::OnBnClickedCheckportsButton1()
{
    CheckAvailablePorts();
}

void CPortSettings::OnBnClickedConnect()
{
    UpdateData(true);
    if (Doc() == nullptr)
        return;
    if (m_bConnected) {
        Doc()->CloseConnection(false);
        m_bConnected = Doc()->IsConnected();
        if (!m_bConnected)
            ShowConnected(false);
    } else {
        if (m_PortCombo->currentIndex() < 0) {
            // Nothing to connect to: say so rather than try a port that is not there.
            CUiPrompts::MessageBox(
                this, QStringLiteral("No Com Port selected. Connect the adapter and press Check For Ports."),
                MB_OK | MB_ICONWARNING);
            return;
        }
        OnCbnSelchangePortcombo1();
        Doc()->SetUpPortAndBaudRate(m_nPort, m_dwBaudRate);
        m_bConnected = Doc()->ConnectToSensor();
        if (m_bConnected)
            ShowConnected(true);
    }
    UpdateData(false);
}

void CPortSettings::ShowConnected(bool bConnected)
{
    m_ConnectLED->ChangeColour(bConnected ? CDynamicLED::ID_LED_GREEN : CDynamicLED::ID_LED_RED, true);
    m_pConnect->setText(bConnected ? QStringLiteral("Close") : QStringLiteral("Connect"));
    EnableButtons(!bConnected);
}

void CPortSettings::EnableButtons(bool bEnable)
{
    for (QRadioButton* pRadio : m_pBaudButtons)
        pRadio->setEnabled(bEnable);
    m_PortCombo->setEnabled(bEnable);
}

void CPortSettings::OnCommsClosed()
{
    if (Doc() != nullptr)
        m_bConnected = Doc()->IsConnected();
    if (!m_bConnected)
        ShowConnected(false);
}

}  // namespace halyard
