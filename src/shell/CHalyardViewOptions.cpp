// CHalyardView, continued: the tabs, the Options menu commands and the
// RS485 address controls.
#include "CHalyardView.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <array>

#include "CDynamicTabCtrl.h"
#include "ui/UiPrompts.h"
#include "document/CHalyardDoc.h"

namespace halyard {

struct CHalyardView::OptionalTab {
    bool CHalyardView::*pbFlag;
    int CHalyardView::*pnTab;
    const char* szCaption;
    PageIndex page;
};

// ---------------------------------------------------------------------------
// Tabs and options

void CHalyardView::OnTcnSelchangeTab1()
{
    // The data plot also shows logs, with or without a sensor.
    if ((m_pDoc != nullptr && m_pDoc->IsConnected()) || CurrentPage() == PageNumber(PageIndex::DataPlot)) {
        m_tabCtrl->ActivateTabDialogs(CurrentPage());
        return;
    }
    m_tabCtrl->ShowFirstDialog();
    CUiPrompts::MessageBox(this, QStringLiteral("Sensor Not Connected"), MB_OK | MB_ICONWARNING);
}

void CHalyardView::ToggleOptionalTab(size_t nIndex)
{
    // The optional tabs: flag, position, caption, page index.
    static const std::array<OptionalTab, 4> kTabs = {{
        {&CHalyardView::m_bTestOption, &CHalyardView::m_nTestTab, "Test Protocol", PageIndex::TestProtocol},
        {&CHalyardView::m_bALSOption, &CHalyardView::m_nALSTab, "ALS Terminal", PageIndex::ALSTerminal},
        {&CHalyardView::m_bTempCalOption, &CHalyardView::m_nTempCalTab, "PQD Temperature Calibration",
         PageIndex::TempCalibration},
        {&CHalyardView::m_bPlotOption, &CHalyardView::m_nPlotTab, "Data Plot", PageIndex::DataPlot},
    }};
    const OptionalTab& tab = kTabs[nIndex];
    bool& bFlag = this->*tab.pbFlag;
    int& nPos = this->*tab.pnTab;
    bFlag = !bFlag;
    if (bFlag && nPos == -1) {
        // A new optional tab goes to the end; the selection stays.
        nPos = ++m_nLastTab;
        m_tabCtrl->InsertItem(nPos, QString::fromLatin1(tab.szCaption));
    } else if (!bFlag && nPos != -1) {
        const int nSel = m_tabCtrl->GetCurSel();
        int nTab = 0;
        if (nSel == nPos)
            m_tabCtrl->SetCurSel(0);
        else
            nTab = CurrentPage();
        m_tabCtrl->DeleteItem(nPos);
        for (const OptionalTab& other : kTabs) {
            int& nOther = this->*other.pnTab;
            if (other.pnTab != tab.pnTab && nOther > nPos)
                --nOther;
        }
        nPos = -1;
        --m_nLastTab;
        m_tabCtrl->ActivateTabDialogs(nTab);
    }
}

void CHalyardView::OnOptionsTestoption()
{
    ToggleOptionalTab(0);
}

void CHalyardView::OnOptionsALSoption()
{
    ToggleOptionalTab(1);
}

void CHalyardView::OnOptionsTempcaloption()
{
    ToggleOptionalTab(2);
}

void CHalyardView::OnViewDataplot()
{
    ToggleOptionalTab(3);
}

void CHalyardView::OnOptionsRs485option()
{
    // Shows or hides the address controls; the document's mode stays as it is.
    m_bRS485Option = !m_bRS485Option;
    ShowRS485Controls();
}

void CHalyardView::OnBnClickedCheck1()
{
    if (!UpdateData(true)) {
        UpdateData(false);
        return;
    }
    // The address goes first, so the document's confirmation carries it.
    m_pDoc->SetAddress(static_cast<uint16_t>(m_nSensorAddress));
    m_pDoc->EnableRS485(m_bRS485Enabled);
    UpdateData(false);
}

void CHalyardView::OnEnKillfocusSensorAddress()
{
    if (!UpdateData(true)) {
        UpdateData(false);
        return;
    }
    m_pDoc->SetAddress(static_cast<uint16_t>(m_nSensorAddress));
    UpdateData(false);
}

}  // namespace halyard
