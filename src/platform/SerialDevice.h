#pragma once
// One serial device: the system's side of the port that CSerial_IF drives.
// Only the comm watch thread reads and writes it; the owner opens and closes it
// while that thread is not running.
//
// On Linux the device goes through termios. Opening is exclusive (TIOCEXCL and
// flock together, since TIOCEXCL alone does not stop root), raw, no flow
// control, RTS on and DTR off; modem-line calls a pseudo-terminal refuses are
// ignored. Every operation returns its result, with the errno of a failure.
//
// On Windows the device is a COM port ("\\.\COM12") opened exclusively (no
// sharing, and the port's name claimed in the session, as flock backs up
// TIOCEXCL on Linux) for synchronous I/O with the Win32 communications calls: the same line settings,
// reads that return at once with what the driver holds, writes bounded by a
// time-out, DTR and RTS through EscapeCommFunction (a refusal is ignored), and
// failures with the system's last error. A read or write that fails ends the
// connection as a hang-up does on Linux.

#include <cstddef>
#include <cstdint>
#include <string>

#include "NativeHandle.h"
#include "SysError.h"

namespace halyard {

// DCB codes kept from the original line settings.
constexpr uint8_t NOPARITY = 0;
constexpr uint8_t ODDPARITY = 1;
constexpr uint8_t EVENPARITY = 2;
constexpr uint8_t ONESTOPBIT = 0;
constexpr uint8_t TWOSTOPBITS = 2;

class CSerialDevice {
public:
    CSerialDevice() = default;
    ~CSerialDevice();
    CSerialDevice(const CSerialDevice&) = delete;
    CSerialDevice& operator=(const CSerialDevice&) = delete;

    // Opens strPath and sets the line: dwBaudRate, byByteSize (5-8), byParity and
    // byStopBits as DCB codes. Unsupported baud rates fail with EINVAL.
    SysResult Open(const std::string& strPath, uint32_t dwBaudRate, uint8_t byByteSize, uint8_t byParity,
                   uint8_t byStopBits);
    void Close();
    bool IsOpen() const { return m_fd != kNoHandle; }
    NativeHandle Fd() const { return m_fd; }
    // What wakes a wait when input arrives or the line hangs up: the
    // descriptor on Linux; none on Windows, where the comm watch thread asks
    // for waiting input on each pass instead.
    NativeHandle WaitHandle() const;

    SysResult SetDtr(bool bOn);
    // Throws away what is queued in both directions.
    SysResult Purge();
    // Throws away what came in and was not read; what was written still goes.
    SysResult PurgeInput();
    // Bytes waiting in the driver's input queue.
    SysResult BytesWaiting(uint32_t& dwCount);
    // Reads up to nMax bytes without blocking. A hang-up (a read of 0 bytes from
    // a readable port, EIO, ENXIO; on Windows any failure) sets HungUp() and fails.
    SysResult Read(uint8_t* pData, size_t nMax, size_t& nRead);
    // Writes all of the block within nTimeoutMs, waiting while the driver is
    // full; a partial write goes on with the rest. Returns early (false, with
    // ECANCELED) when nAbortFd becomes readable (Linux; a synchronous write on
    // Windows ends at its time-out). nWritten tells how far it got.
    SysResult Write(const uint8_t* pData, size_t nLength, size_t& nWritten, int nTimeoutMs,
                    NativeHandle nAbortFd = kNoHandle);
    // True once the other end has hung up (see Read); cleared by Open.
    bool HungUp() const { return m_bHungUp; }
    // Checks the descriptor for POLLHUP/POLLERR without reading (on Windows,
    // whether the driver still answers); sets HungUp().
    bool CheckHangUp();

    // Baud rates the device layer knows (1200 to 57600 and the usual higher ones).
    static bool IsSupportedBaudRate(uint32_t dwBaudRate);
    // How long the comm watch thread may wait when nothing is pending, in ms;
    // -1 for ever. On Linux the descriptor itself wakes a wait for input and
    // for a hang-up (POLLIN, POLLHUP, POLLERR), so the thread needs no pass of
    // its own; on Windows the thread makes a pass every 50 ms.
    static const int IDLE_WAIT_MS;

private:
    // Closes the half-opened port and hands back the failure that stopped it.
    SysResult CloseAfter(const SysResult& failure);
    // Claims the port's name for this object (Windows); refused while another
    // object, in this program or another, holds it.
    SysResult Claim(const std::string& strPath);

    NativeHandle m_fd = kNoHandle;
    bool m_bHungUp = false;
    // The write time-out last given to the driver (Windows); -1 for none yet.
    int m_nWriteTimeoutMs = -1;
    // The port's claim among the programs of this session (Windows): a named
    // object alive while the port is open, for drivers that let a second
    // opener in despite an exclusive open (Wine's, on a pseudo-terminal).
    NativeHandle m_hClaim = kNoHandle;
};

}  // namespace halyard
