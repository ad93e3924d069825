#pragma once
// How the platform and serial layers report: an operation returns a SysResult
// (or a Result<T> when it also gives a value), which is either success or the
// system's error code (an errno value on Linux, a GetLastError code on
// Windows) that made it fail; Message() is the text
// a message box shows for it. Callers above these layers turn a failure into
// their own report (a flag, a posted message, a message box); nothing here
// throws.

#include <cstdint>
#include <string>
#include <utility>

namespace halyard {

// The system's text alone for a failed file, thread or timer call: strerror's,
// or on Windows FormatMessage's (in UTF-8, without its closing full stop).
std::string SystemErrorText(uint32_t dwError);

// The text for a serial port that would not open: the system's text and, for
// a refused open (EACCES, EPERM), how to get permission (the dialout group);
// on Windows, for a port denied or shared, that another program may hold it.
std::string PortOpenErrorText(uint32_t dwError);

// The code of this system for an errno value that a C runtime call left: the
// errno itself on Linux, the matching system error code on Windows.
uint32_t SystemErrorCode(int nErrno);

// The code the last failed system call of this thread left: errno on Linux,
// GetLastError() on Windows.
uint32_t LastSystemError();

// The code a failure gets when the system gave none (EIO, ERROR_GEN_FAILURE).
extern const uint32_t kUnknownSystemError;

class [[nodiscard]] SysResult {
public:
    // Success.
    SysResult() = default;
    // A failure with the system's error code; 0 (no code known) becomes
    // kUnknownSystemError, so that a failure never reads as success.
    static SysResult Failure(uint32_t dwError);
    // A failure with the errno the last system or C runtime call left
    // (as SystemErrorCode gives it).
    static SysResult FromErrno();

    bool Ok() const { return m_dwError == 0; }
    explicit operator bool() const { return Ok(); }
    // 0 on success.
    uint32_t Error() const { return m_dwError; }
    // SystemErrorText of the error; empty on success.
    std::string Message() const;

private:
    uint32_t m_dwError = 0;
};

// A value, or the failure that left the operation without one. Ok() is asked
// by name: a Result<bool> must not be read as its value.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value)
        : m_value(std::move(value))
    {}
    Result(SysResult failure)
        : m_status(failure)
    {}

    bool Ok() const { return m_status.Ok(); }
    // The value; T{} after a failure.
    const T& Value() const { return m_value; }
    const SysResult& Status() const { return m_status; }
    uint32_t Error() const { return m_status.Error(); }
    std::string Message() const { return m_status.Message(); }

private:
    T m_value{};
    SysResult m_status;
};

}  // namespace halyard
