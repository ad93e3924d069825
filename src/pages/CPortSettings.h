#pragma once
// CPortSettings: the "Port Settings" page (page 0). The user picks a port from
// the port table's list and a baud rate, and presses Connect; the page hands
// both to the document, which identifies the sensor and opens the port, and
// reflects the result: a green lamp, the button reading "Close" and the port
// and baud controls locked; red, "Connect" and unlocked when not connected.
// UI thread only.

#include <QString>

#include <array>
#include <cstdint>

#include "ui/CDocDialog.h"

class QButtonGroup;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace halyard {

class CDynamicLED;

class CPortSettings : public CDocDialog {
    Q_OBJECT
public:
    explicit CPortSettings(QWidget* pParent = nullptr);

    void OnInitDialog() override;
    void OnCommsClosed() override;

    void CheckAvailablePorts();
    // Selects the entry of port nPort, if listed (the simulated sensor at start).
    bool SelectPort(int nPort);
    void OnCbnSelchangePortcombo1();
    void OnBnClickedCheckportsButton1();
    void OnBnClickedConnect();
    void OnBnClickedBaud(int nIndex);
    void EnableButtons(bool bEnable);

    CDynamicLED* m_ConnectLED;
    uint32_t m_dwBaudRate = 9600;
    int m_nPort = 1;
    int m_nBaudIndex = 3;
    std::array<int, 99> m_anPortPresent;
    QComboBox* m_PortCombo;
    bool m_bConnected = false;
    int m_nPortIndex = 0;

protected:
    void DoDataExchange(bool bSaveAndValidate) override;

private:
    void ShowConnected(bool bConnected);

    QButtonGroup* m_pBaudGroup;
    std::array<QRadioButton*, 7> m_pBaudButtons{};
    QPushButton* m_pCheckPorts;
    QPushButton* m_pConnect;
};

// The list entry of a port: "COMn" followed by its device and description
// ("COM3  /dev/ttyUSB0  FTDI FT232R USB UART (A50285BI)"); an adapter that
// udev cannot describe shows its by-id name instead.
QString PortListEntry(int nPort, const QString& strDevice, const QString& strDescription,
                      const QString& strById = {});

}  // namespace halyard
