#include "CHalyardView.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/CDocDialog.h"
#include "CDynamicTabCtrl.h"
#include "CReceivedDataList.h"
#include "ui/DataExchange.h"
#include "ui/DialogUnits.h"
#include "ui/FocusChange.h"
#include "ui/TextConvert.h"
#include "ui/UiPrompts.h"
#include "document/CHalyardDoc.h"
#include "document/DocMessages.h"
#include "document/Framing.h"
#include "document/LogFiles.h"
#include "platform/TextFile.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

namespace halyard {

// ---------------------------------------------------------------------------
// Pure helpers

int PageIndexOfTab(int nSel, int nTempCalTab, int nALSTab, int nTestTab, int nPlotTab)
{
    if (nSel == nPlotTab)
        return PageNumber(PageIndex::DataPlot);
    if (nSel == nTempCalTab)
        return PageNumber(PageIndex::TempCalibration);
    if (nSel == nALSTab)
        return PageNumber(PageIndex::ALSTerminal);
    if (nSel == nTestTab)
        return PageNumber(PageIndex::TestProtocol);
    return nSel;
}

// ---------------------------------------------------------------------------
// Message map

const CMessageMap<CHalyardView>& CHalyardView::MessageMap()
{
    static const CMessageMap<CHalyardView> map = {
        {WM_COMMS_TIMEOUT, &CHalyardView::OnCommsTimeout},
        {WM_COMMS_DATA, &CHalyardView::OnCommsData},
        {WM_COMMS_COMMAND, &CHalyardView::OnCommsCommand},
        {WM_COMMS_OPEN, &CHalyardView::OnCommsOpen},
        {WM_COMMS_NO_CONNECT, &CHalyardView::OnCommsNoConnect},
        {WM_POLL_START, &CHalyardView::OnPollStart},
        {WM_POLL_STOP, &CHalyardView::OnPollStop},
        {WM_ACCUM_START, &CHalyardView::OnAccumStart},
        {WM_AUTO_R_START, &CHalyardView::OnAutoRStart},
        {WM_AUTO_M_START, &CHalyardView::OnAutoMStart},
        {WM_AUTO_XW_START, &CHalyardView::OnAutoXWStart},
        {WM_INIT_START, &CHalyardView::OnInitStart},
        {WM_START_SEQ, &CHalyardView::OnStartSeq},
        {WM_ALS_DUMP, &CHalyardView::OnALSDump},
        {WM_PARAM_LOAD, &CHalyardView::OnParamLoad},
        {WM_RS485_ENABLE, &CHalyardView::OnRS485Enable},
        {WM_LOG_ERROR, &CHalyardView::OnLogError},
        {WM_FIRST_DATA_MSG, &CHalyardView::OnFirstDataMsg},
    };
    return map;
}

// ---------------------------------------------------------------------------
// The form

CHalyardView::CHalyardView(QWidget* pParent)
    : QWidget(pParent)
    , m_timers([this](uint32_t nID) { OnTimer(nID); })
    , m_schedule(m_timers, [this](uint32_t nID) { OnTimerExpired(nID); })
    , m_tabCtrl(new CDynamicTabCtrl(this))
    , m_listData(new CReceivedDataList(this))
    , m_pAddressLabel(new QLabel(QStringLiteral("Sensor Address: "), this))
    , m_pSensorAddress(new QLineEdit(this))
    , m_pRS485Check(new QCheckBox(QStringLiteral("RS485 Enabled"), this))
    , m_pSave(new QPushButton(QStringLiteral("Save"), this))
    , m_pClear(new QPushButton(QStringLiteral("Clear"), this))
{
    setObjectName(QStringLiteral("halyardView"));
    BuildForm();
}

CHalyardView::~CHalyardView() = default;

void CHalyardView::BuildForm()
{
    SetControlId(m_pAddressLabel, IDC_ADDRESS_LABEL, "addressLabel");
    SetControlId(m_pSensorAddress, IDC_SENSOR_ADDRESS, "sensorAddress");
    SetControlId(m_pRS485Check, IDC_RS485_CHECK, "rs485Check");
    SetControlId(m_pSave, IDC_SAVE_DATA, "saveDataButton");
    SetControlId(m_pClear, IDC_CLEAR_DATA, "clearDataButton");
    PlaceDlu(m_pAddressLabel, 192, 10, 54, 8);
    PlaceDlu(m_pSensorAddress, 246, 7, 40, 14);
    PlaceDlu(m_pRS485Check, 303, 9, 63, 10);
    PlaceDlu(m_tabCtrl, 7, 25, 464, 129);
    auto* pGroup = new QGroupBox(QStringLiteral("Received Data"), this);
    PlaceDlu(pGroup, 7, 159, 464, 198);
    pGroup->lower();
    PlaceDlu(m_listData, 9, 170, 460, 181);
    PlaceDlu(m_pSave, 140, 359, 50, 14);
    PlaceDlu(m_pClear, 286, 360, 50, 14);
    setFixedSize(CDialogUnits(font()).Size(478, 377));

    for (QWidget* pControl : findChildren<QWidget*>()) {
        const int nId = ControlId(pControl);
        if (nId != 0 && HasString(nId))
            pControl->setToolTip(LoadString(nId));
    }

    connect(m_tabCtrl, &CDynamicTabCtrl::selChange, this, &CHalyardView::OnTcnSelchangeTab1);
    connect(m_listData, &CReceivedDataList::lineDoubleClicked, this,
            &CHalyardView::OnBnClickedClearDataButton2);
    // Outside a dialog Qt's buttons ignore Enter: with the focus, they take it as a click.
    m_pSave->setAutoDefault(true);
    m_pClear->setAutoDefault(true);
    connect(m_pSave, &QPushButton::clicked, this, &CHalyardView::OnBnClickedSaveDataButton1);
    connect(m_pClear, &QPushButton::clicked, this, &CHalyardView::OnBnClickedClearDataButton2);
    connect(m_pRS485Check, &QCheckBox::clicked, this, &CHalyardView::OnBnClickedCheck1);
    m_pSensorAddress->installEventFilter(this);
}

void CHalyardView::OnInitialUpdate()
{
    UpdateData(false);
    m_tabCtrl->InitDialogs(m_pDoc, [this](const QString& strLine) { UpdateDataList(strLine); });
    m_tabCtrl->InsertItem(0, QStringLiteral("Port Settings"));
    m_tabCtrl->InsertItem(1, QStringLiteral("Terminal Window"));
    m_tabCtrl->InsertItem(2, QStringLiteral("Data Capture"));
    m_tabCtrl->InsertItem(3, QStringLiteral("Sensor Settings"));
    m_nLastTab = PageNumber(PageIndex::SensorSettings);
    m_tabCtrl->ActivateTabDialogs(-1);
    m_nSensorAddress = m_pDoc->GetAddress();
    ShowRS485Controls();
    if (parentWidget() != nullptr)
        parentWidget()->adjustSize();
    CheckTimerStarted(m_schedule.Start());
    if (m_pDoc != nullptr)
        m_pDoc->Host().MainWindow().PostMessage(WM_INIT_EVENT, 0, 0);
    UpdateData(false);
}

bool CHalyardView::event(QEvent* pEvent)
{
    if (MessageMap().Dispatch(*this, pEvent))
        return true;
    return QWidget::event(pEvent);
}

bool CHalyardView::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pSensorAddress && pEvent->type() == QEvent::FocusOut &&
        IsRealFocusChange(static_cast<const QFocusEvent&>(*pEvent)))
        OnEnKillfocusSensorAddress();
    return QWidget::eventFilter(pWatched, pEvent);
}

bool CHalyardView::UpdateData(bool bSaveAndValidate)
{
    if (!bSaveAndValidate) {
        m_pSensorAddress->setText(QString::number(m_nSensorAddress));
        m_pRS485Check->setChecked(m_bRS485Enabled);
        return true;
    }
    if (!ExchangeInt(m_pSensorAddress, m_pSensorAddress->text(), 0, 99, m_nSensorAddress))
        return false;
    m_bRS485Enabled = m_pRS485Check->isChecked();
    return true;
}

void CHalyardView::ShowRS485Controls()
{
    for (QWidget* pControl :
         std::initializer_list<QWidget*>{m_pAddressLabel, m_pSensorAddress, m_pRS485Check}) {
        pControl->setEnabled(m_bRS485Option);
        pControl->setVisible(m_bRS485Option);
    }
}

int CHalyardView::CurrentPage() const
{
    return PageIndexOfTab(m_tabCtrl->GetCurSel(), m_nTempCalTab, m_nALSTab, m_nTestTab, m_nPlotTab);
}

// ---------------------------------------------------------------------------
// The received-data list

QString CHalyardView::UpdateDataList(const QString& szLine)
{
    return m_listData->UpdateDataList(szLine);
}

void CHalyardView::OnBnClickedClearDataButton2()
{
    m_listData->ClearLines();
    UpdateData(false);
}

void CHalyardView::OnBnClickedSaveDataButton1()
{
    const auto path = CUiPrompts::GetSaveFileName(this, QStringLiteral("Data Log Files (*.TXT)"), QString());
    if (!path)
        return;
    QString strPath = *path;
    if (!strPath.contains(QStringLiteral(".txt")))
        strPath += QStringLiteral(".txt");
    CTextFile file;
    SysResult saved = file.Open(ToFileSystemPath(strPath), CTextFile::modeCreate | CTextFile::modeWrite);
    for (const QString& strLine : m_listData->Lines()) {
        if (!saved)
            break;
        saved = file.WriteString(ToDocText(strLine) + "\n");
    }
    if (saved)
        saved = file.Close();
    // The message names the file: its path is in the file system's encoding.
    if (!saved)
        CUiPrompts::MessageBox(this, FromFileSystemPath(file.LastError().ErrorMessage()), MB_OK | MB_ICONERROR);
}

// ---------------------------------------------------------------------------
// Application messages

intptr_t CHalyardView::OnCommsTimeout(uintptr_t, intptr_t)
{
    if (m_pDoc != nullptr)
        UpdateDataList(FromDocText(NoResponseText(*m_pDoc)));
    return 0;
}

intptr_t CHalyardView::OnCommsNoConnect(uintptr_t, intptr_t)
{
    UpdateDataList(QStringLiteral("Failed to connect to sensor, check Port and baud rate"));
    return 0;
}

intptr_t CHalyardView::OnCommsData(uintptr_t wParam, intptr_t)
{
    for (const std::string& strLine : TakeReceivedLines(*m_pDoc, wParam)) {
        std::string szData = ToDocText(UpdateDataList(FromDocText(strLine)));
        CheckTimerStarted(m_schedule.DataLineReceived(szData));
        if (ClassifyDataMessage(szData).bDataMessage)
            m_tabCtrl->PlotDataMessage(Clock().Now(), szData);
        m_tabCtrl->GotCommsData(CurrentPage(), szData);
    }
    // Lines lost after these are told in the list, where they would have been.
    const std::string strNotice = TakeLinesDroppedNotice(*m_pDoc);
    if (!strNotice.empty())
        UpdateDataList(FromDocText(strNotice));
    return 0;
}

intptr_t CHalyardView::OnCommsCommand(uintptr_t wParam, intptr_t)
{
    std::string strCommand;
    m_pDoc->GetCommsCommand(strCommand, static_cast<uint32_t>(wParam));
    UpdateDataList(FromDocText(strCommand));
    return 0;
}

intptr_t CHalyardView::OnCommsOpen(uintptr_t wParam, intptr_t)
{
    if (wParam == COMMS_CLOSED) {
        UpdateDataList(QStringLiteral("Connection Closed"));
        if (m_bTempCalOption)
            OnOptionsTempcaloption();
        m_tabCtrl->OnCommsClosed();
    } else {
        UpdateDataList(QStringLiteral("Connected to Sensor"));
    }
    return 0;
}

intptr_t CHalyardView::OnPollStart(uintptr_t wParam, intptr_t)
{
    CheckTimerStarted(m_schedule.OnPollStart(wParam));
    return 0;
}

intptr_t CHalyardView::OnPollStop(uintptr_t, intptr_t)
{
    m_schedule.OnPollStop();
    return 0;
}

intptr_t CHalyardView::OnAccumStart(uintptr_t wParam, intptr_t)
{
    CheckTimerStarted(m_schedule.OnAccumStart(wParam));
    return 0;
}

intptr_t CHalyardView::OnAutoRStart(uintptr_t wParam, intptr_t)
{
    m_schedule.OnAutoRStart(wParam);
    return 0;
}

intptr_t CHalyardView::OnAutoMStart(uintptr_t wParam, intptr_t)
{
    m_schedule.OnAutoMStart(wParam);
    return 0;
}

intptr_t CHalyardView::OnAutoXWStart(uintptr_t wParam, intptr_t)
{
    m_schedule.OnAutoXWStart(wParam);
    return 0;
}

intptr_t CHalyardView::OnRS485Enable(uintptr_t wParam, intptr_t lParam)
{
    if (m_bRS485Option) {
        m_bRS485Enabled = wParam != 0;
        m_nSensorAddress = static_cast<int>(lParam);
    }
    UpdateData(false);
    return 0;
}

intptr_t CHalyardView::OnLogError(uintptr_t wParam, intptr_t lParam)
{
    // The document has ended logging (or could not start it): the page goes
    // back to idle, the list says why, and a file failure is shown with the
    // file and the system's reason.
    const auto nReason = static_cast<int32_t>(lParam);
    m_tabCtrl->OnLogError(static_cast<uint32_t>(wParam), nReason);
    UpdateDataList(FromDocText(LogStopText(nReason)));
    if (IsLogFileFailure(nReason))
        CUiPrompts::MessageBox(this, FromFileSystemPath(LogFailureMessage(nReason, m_pDoc->GetLogError())),
                               MB_OK | MB_ICONERROR);
    return 0;
}

intptr_t CHalyardView::OnFirstDataMsg(uintptr_t wParam, intptr_t lParam)
{
    m_tabCtrl->OnFirstDataMsg(CurrentPage(), static_cast<uint32_t>(wParam), static_cast<int32_t>(lParam));
    return 0;
}

}  // namespace halyard
