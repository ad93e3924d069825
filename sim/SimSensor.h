// CSimSensor: a simulated sensor on the master side of a pseudo-terminal.
//
// A test or the halyard-sim program constructs one, calls Start() and hands
// DevicePath() (the slave, e.g. /dev/pts/7) to whatever talks to the sensor.
// The sensor runs in its own thread: it reads command lines, answers them from
// its command table, sends automatic data messages while bit 0 of the
// operating state is set, and misbehaves on demand (named faults). Every
// public member may be called from any thread while the sensor runs.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace halyard::sim {

enum class Fault {
    Silent,
    LateAnswer,
    SplitLines,
    CrOnly,
    Noise,
    OverlongLine,
    BadLrc,
    LowerCaseLrc,
    WrongAddress,
    BadCmdFor,
    HangUp
};

struct SimOptions {
    std::string strModel = "ZRT-630";  // a model name of the model table, or "NOT SET" (refuses "JM?")
    int nAddress = 0;                  // RS485 address 0-99
    bool bRS485 = false;               // answer only addressed lines for its own address (options bit 7)
    int nDataPeriodMs =
        0;  // automatic data messages every n ms while bit 0 of the operating state is set; 0 = use 10000
    bool bStartupMessage = false;  // send "Sensor Startup" when started
    uint16_t wOpState = 0;         // operating state at construction (0: polled, NVRAM write protected)
    bool bDecimalOpState = false;  // "V9?" answers with 5 decimal digits instead of the binary form
};

class CSimEngine;
class ISimPort;

class CSimSensor {
public:
    // On pPort's line; null: a pseudo-terminal on Linux, an in-process line
    // (CSimLine) on Windows.
    explicit CSimSensor(SimOptions options = {}, std::shared_ptr<ISimPort> pPort = nullptr);
    ~CSimSensor();  // stops the thread, closes the pty
    CSimSensor(const CSimSensor&) = delete;
    CSimSensor& operator=(const CSimSensor&) = delete;

    bool Start();  // false on failure (unknown model, no pty)
    void Stop();   // joins the thread and closes the pty; Start() may follow
    bool IsRunning() const;
    const std::string& DevicePath() const;  // the slave, e.g. /dev/pts/7

    // Faults switch on and off while running. Silent still records commands.
    // OverlongLine sends its 5000 bytes once and stays off; HangUp is HangUp().
    // SetBadCmdFor also switches BadCmdFor on (off for ""): every command that
    // starts with the text gets "BAD CMD".
    void SetFault(Fault fault, bool bOn);
    bool GetFault(Fault fault) const;
    void SetLateAnswerMs(int nMs);                     // delay of LateAnswer (default 2000 ms)
    void SetBadCmdFor(const std::string& strCommand);  // "BAD CMD" for this command
    // The next command that starts with the text gets "BAD CMD", the ones
    // after it their normal answer; "" takes back one not used yet. Works
    // apart from SetBadCmdFor and the BadCmdFor fault.
    void SetBadCmdOnceFor(const std::string& strCommand);
    // Every command that starts with the text goes unanswered, though it is
    // recorded as received; this goes before any "BAD CMD". "" switches it off.
    void SetNoAnswerFor(const std::string& strCommand);
    // Once that many further commands have been answered ("BAD CMD" counts,
    // a command left unanswered does not), the sensor goes Silent as
    // SetFault(Fault::Silent, true) does: the last of them still gets its
    // answer. The count runs once; 0 stops it, a new one replaces it.
    void SetSilentAfter(size_t nCommands);
    // Once that many further commands have been received, answered or not,
    // the sensor hangs up as HangUp() does: the last one's answer goes out
    // first (the sensor waits up to 5 s for the client to read it), nothing
    // after it is read, IsRunning() turns false and GetFault(Fault::HangUp)
    // true; Start() gives a fresh terminal. The count runs once; 0 stops it,
    // a new one replaces it.
    void SetHangUpAfter(size_t nCommands);
    void SendLine(const std::string& strLine);  // unsolicited line (CR LF added; framed in RS485 mode; sent
                                                // even when Silent)
    std::vector<std::string> ReceivedCommands() const;  // commands received, unframed, in order
    void ClearReceivedCommands();
    bool WaitForCommands(size_t nCount, std::chrono::milliseconds timeout) const;  // condition-variable wait
    size_t RejectedLines() const;  // addressed lines dropped for a bad LRC or a bad frame
    void HangUp();                 // closes the master (and the kept slave fd): clients see a hang-up

    // Register, NVRAM and measurement access for tests (no write protection).
    uint16_t GetOpState() const;
    void SetOpState(uint16_t wState);
    uint16_t GetOptions() const;  // bit 7 on = RS485 addressing
    void SetOptions(uint16_t wOptions);
    int GetNvram(int nIndex) const;  // V0..V149 (V9 is the operating state); 0 outside
    bool SetNvram(int nIndex, int nValue);
    double GetTemperature() const;  // as "R?" reports it: raw less the offset in V63
    void SetRawTemperature(double dTemperature);
    bool InTestMode() const;
    bool NvramWriteEnabled() const;  // bits 15-13 of the operating state are 101
    void SetDecimalOpState(bool bDecimal);

private:
    std::unique_ptr<CSimEngine> m_pEngine;
};

// The five-digit code "JM?" gives for a model name ("ZRT-630" -> 630,
// "PQD-025" -> 25, "LMW-40" -> 40); -1 for a name not in the model table.
int ModelCode(const std::string& strModel);

}  // namespace halyard::sim
