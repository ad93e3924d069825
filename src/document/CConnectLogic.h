#pragma once
// Identification of the sensor before the document opens its port: the logic
// of the "Connect to Sensor" dialog without the window. The dialog (or a test)
// sets the port, baud rate and RS485 settings, calls OnInitDialog once, then
// OnTimer(TIMER_CONNECT_DLG) once a second (TimerPeriod()) until IsFinished(),
// showing Status() and Timeout() after each call. Cancel and closing the window
// call OnCancel / OnClose; results gathered so far are kept.
// It opens its own serial link (a CPortLink unless it is given one) on the
// chosen port, sends "OK" and then "JM?" on every tick, and maps the model code
// to a model name and the PQD flag. Every call runs on the UI thread; the
// serial object's comm watch thread runs while the port is open, and the port
// is always closed once IsFinished() is true.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/AppMessages.h"
#include "serial/CSerial_IF.h"
#include "serial/ISerialLink.h"

namespace halyard {

// The model table: the "JM?" code to a model name and the PQD-family flag.
struct SensorModel {
    std::string strName;
    bool bPQDSensor = false;
};
SensorModel LookUpSensorModel(int nModelNumber);

// The port name the serial layer is given: "COM%d:" below 10, "\\.\COM%d" from 10.
std::string ComPortName(int nPort);

class CConnectLogic {
public:
    // pSerial replaces the logic's own serial object (tests pass a fake).
    explicit CConnectLogic(std::unique_ptr<ISerialLink> pSerial = nullptr);
    ~CConnectLogic();
    CConnectLogic(const CConnectLogic&) = delete;
    CConnectLogic& operator=(const CConnectLogic&) = delete;

    // Replaces the serial object before OnInitDialog (tests pass a fake).
    void UseSerial(std::unique_ptr<ISerialLink> pSerial);
    // Set by the caller before OnInitDialog.
    void SetUp(int nPort, uint32_t dwBaudRate, bool bRS485, uint16_t wRS485Address);

    // Opens the port and sends the wake-up line. Always true (the dialog then
    // starts its timer, id TIMER_CONNECT_DLG, period TimerPeriod()).
    bool OnInitDialog();
    // One identification step; ids other than TIMER_CONNECT_DLG do nothing.
    void OnTimer(uint32_t nIDEvent);
    // Cancel button and window close: closes the port and finishes.
    void OnCancel();
    void OnClose();

    // What the window shows.
    const std::string& Status() const { return m_strStatus; }
    int Timeout() const { return m_nTimeout; }
    int TimerPeriod() const { return m_nTimerPeriod; }
    bool IsFinished() const { return m_bFinished; }

    // Results.
    bool IsIdentified() const { return m_bIdentified; }
    bool PortFailed() const { return m_bPortFailed; }
    int Port() const { return m_nPort; }
    const std::string& ModelName() const { return m_strModelName; }
    int ModelNumber() const { return m_nModelNumber; }
    bool IsPQDSensor() const { return m_bPQDSensor; }
    // The system's error code when the port could not be opened, else 0.
    uint32_t PortError() const { return m_dwPortError; }

private:
    void BuildCommandLine(const char* szCommand);
    void SendCommandLine();
    void DrainReplies();
    void TakeReply(const std::string& strText);
    void ClosePort();
    void Finish();
    ISerialLink& Serial() { return *m_pSerial; }

    std::string m_strStatus;
    int m_nTimeout = 5;
    int m_nPort = -1;
    bool m_bPortFailed = true;
    std::array<uint8_t, 20> m_abyTxBuffer{};
    int m_nTxLength = 0;
    std::array<uint8_t, SERIAL_CHUNK_SIZE> m_abyRxBuffer{};
    bool m_bIdentified = false;
    uint32_t m_dwBaudRate = 0xFFFFFFFFu;
    std::string m_strModelName;
    int m_nTimerPeriod = 1000;
    int m_nRetries = 5;
    std::unique_ptr<ISerialLink> m_pSerial;
    int m_nModelNumber = -1;
    int16_t m_nTriesLeft = 5;
    bool m_bPQDSensor = false;
    int m_nRS485Mode = 0;
    uint16_t m_wRS485Address = 0;
    int m_nReplyStage = 0;
    bool m_bPortOpen = false;
    bool m_bFinished = false;
    uint32_t m_dwPortError = 0;
};

}  // namespace halyard
