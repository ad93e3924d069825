#pragma once
// One serial port with its comm watch thread: the real ISerialLink.
//
// The owner (the document, or the connect dialog's identification) calls
// Initialise, EnableCommThread, SendData, ReceiveData and Close on its own
// thread. The comm watch thread alone touches the port: it writes what SendData
// queued in the transmit ring, reads what arrives into the receive ring, cuts
// it into lines (ParseData) into the 40-slot packet buffer and signals the
// named data-in event "QRM_EVENT_COMMS_DATA_IN<n>" when a line is complete.
// It sleeps until there is work: the port readable (or hung up), the write
// event (SendData), the read event (EnableCommThread, or room made in a full
// packet buffer by ReceiveData) or the kill event. Nothing wakes it on a
// silent line.
//
// When the other end hangs up (a pulled USB adapter, a closed pseudo-terminal)
// the thread stops watching the port and signals the named hang-up event
// "QRM_HANGUP_EVENT_<n>", on which the document's watcher thread ends.
//
// Every wait of the thread, including a write to a stalled port, also watches
// the kill event, so Close can always join it before it frees the buffers.
//
// Port names are "COM%d:" or "\\.\COM%d"; CPortTable turns them into devices
// (ENOENT in m_dwLastError for a name it does not know). Errors are errno values.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "CCircularBuffer.h"
#include "CPacketBuffer.h"
#include "ISerialLink.h"
#include "platform/AutoResetEvent.h"
#include "platform/SerialDevice.h"
#include "platform/SysError.h"

namespace halyard {

// Base of the data-in event name (the port number follows) and the byte that
// ends a received line; every owner passes these to Initialise.
constexpr const char* DATA_IN_EVENT_BASE = "QRM_EVENT_COMMS_DATA_IN";
constexpr uint8_t LINE_END_CHAR = 10;
constexpr uint32_t SERIAL_BUFFER_SIZE = 40960;
constexpr uint32_t SERIAL_PACKET_SLOTS = 40;
constexpr uint32_t SERIAL_CHUNK_SIZE = 4096;
constexpr int COMM_WATCH_PASS_MS = 50;
constexpr int THREAD_STOP_WAIT_MS = 5000;
constexpr uint32_t MAXDWORD = 0xFFFFFFFFu;
// Access codes kept from the original open call; the device is always opened
// for reading and writing.
constexpr uint32_t GENERIC_READ = 0x80000000u;
constexpr uint32_t GENERIC_WRITE = 0x40000000u;

struct COMMTIMEOUTS {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

class CSerial_IF : public ISerialLink {
public:
    CSerial_IF();
    ~CSerial_IF() override;
    CSerial_IF(const CSerial_IF&) = delete;
    CSerial_IF& operator=(const CSerial_IF&) = delete;

    // Takes the oldest complete line into pbyBuffer, which must hold a whole
    // slot: dwMaxBytes below 4096 gets nothing (the line stays queued).
    uint32_t ReceiveData(uint8_t* pbyBuffer, uint32_t* pdwBytesReceived, uint32_t dwMaxBytes) override;
    void Close() override;
    bool Initialise(const std::string& lpszPortName, int nPort, const std::string& szEventName,
                    uint8_t byEndChar) override;

    bool ConfigPort(const std::string& lpszPortName, uint32_t dwBaudRate, uint8_t byByteSize,
                    uint8_t byParity, uint8_t byStopBits, uint32_t dwDesiredAccess);
    bool SetCommunicationTimeouts(uint32_t dwReadIntervalTimeout, uint32_t dwReadTotalTimeoutMultiplier,
                                  uint32_t dwReadTotalTimeoutConstant, uint32_t dwWriteTotalTimeoutMultiplier,
                                  uint32_t dwWriteTotalTimeoutConstant);
    uint32_t SendData(const uint8_t* pbyBuffer, uint32_t dwBytesToSend) override;
    void EnableCommThread(bool bEnable) override;
    void SetBaudRate(uint32_t dwBaud) override;
    bool StartStopThreads(bool bStart);

    // The comm watch thread's work (CSerial_IFThread.cpp). WriteData and
    // ReadData give the bytes moved, or fail (EBADF) without an open port and
    // its buffer; ReadData also fails with the device's error, which
    // m_dwLastError keeps as well.
    uint32_t DevCommWatchThreadProc();
    Result<uint32_t> WriteData();
    Result<uint32_t> ReadData();
    void ParseData();

    bool IsPortOpen() const { return m_bPortOpen; }
    bool IsHungUp() const override { return m_bHungUp; }
    uint32_t GetLastError() const override { return m_dwLastError; }
    // The named data-in and hang-up events of the open port (null once closed).
    EventHandle DataInEvent() const override { return m_hDataInEvent; }
    EventHandle HangUpEvent() const override { return m_hHangUpEvent; }
    const std::string& GetDataInEventName() const { return m_szDataInEventName; }
    // Passes of the comm watch loop so far, each counted as its wait ends;
    // lets tests see that an idle or hung-up port does not wake the thread.
    uint64_t GetPassCount() const { return m_nPassCount; }

protected:
    // One pass of the comm watch loop; false when the kill event ended it.
    bool WatchPass(bool& bSkipPortFd);
    // The thread's last act: the bytes still queued go out while the port
    // takes them (a write and the kill signalled together end in the kill).
    void FinishWriting();
    // Whether the next wait includes the port: enabled, not hung up, and room
    // in the receive ring for a whole chunk.
    bool WatchingPort() const;
    uint32_t RxRoom() const;
    // The end of every pass: lines left in the receive ring, bytes left in
    // the transmit ring.
    void FinishPass();
    // Called by the thread when the device reports that the other end hung up.
    void OnHangUp();
    // For a device that cannot wake the thread (Windows): asks the driver for
    // waiting input before the pass's wait and signals the read event when
    // there is some; a driver that no longer answers is a hang-up.
    void AskForWaitingInput();
    bool CreateEvents();

    COMMTIMEOUTS m_Timeouts;
    bool m_bTimeoutsRead = false;
    std::mutex m_csPort;
    EventHandle m_hDataInEvent;
    CSerialDevice m_hPort;
    std::string m_szPortName = "COM1:";
    uint32_t m_dwBaudRate = 9600;
    uint8_t m_byParity = NOPARITY;
    uint8_t m_byByteSize = 8;
    uint8_t m_byStopBits = ONESTOPBIT;
    std::atomic<uint32_t> m_dwLastError{0};
    std::atomic<bool> m_bPortOpen{false};
    int m_nPort = 0;
    std::thread m_hThread;
    std::atomic<bool> m_bCommThreadEnabled{false};
    EventHandle m_hKillEvent;
    EventHandle m_hWriteEvent;
    EventHandle m_hReadEvent;
    EventHandle m_hExitEvent;
    EventHandle m_hHangUpEvent;
    std::atomic<bool> m_bHungUp{false};
    std::unique_ptr<CCircularBuffer> m_pTxBuffer;
    std::unique_ptr<CCircularBuffer> m_pRxBuffer;
    std::array<uint8_t, SERIAL_CHUNK_SIZE> m_byTxChunk{};
    std::array<uint8_t, SERIAL_CHUNK_SIZE> m_byRxChunk{};
    std::unique_ptr<CPacketBuffer> m_pPacketBuffer;
    std::string m_szDataInEventName = DATA_IN_EVENT_BASE;
    uint8_t m_byEndChar = LINE_END_CHAR;
    std::atomic<uint64_t> m_nPassCount{0};
};

// Entry of the comm watch thread (run by std::thread): pDev's DevCommWatchThreadProc.
uint32_t CommWatchThread(CSerial_IF* pDev);

// Name of a per-port event: "%s%d" for the data-in event, "QRM_..._%d" for the others.
std::string SerialEventName(const char* szBase, int nPort);
std::string DataInEventName(int nPort);
std::string HangUpEventName(int nPort);

}  // namespace halyard
