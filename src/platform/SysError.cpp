#include "SysError.h"

#include <cerrno>
#include <cstring>

namespace halyard {

std::string SystemErrorText(uint32_t dwError)
{
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be in buffer.
    return strerror_r(static_cast<int>(dwError), buffer, sizeof buffer);
}

std::string PortOpenErrorText(uint32_t dwError)
{
    std::string text = SystemErrorText(dwError);
    if (dwError == EACCES || dwError == EPERM)
        text += ". To use serial ports, add your user to the dialout group and log in again.";
    return text;
}

SysResult SysResult::Failure(uint32_t dwError)
{
    SysResult result;
    result.m_dwError = dwError != 0 ? dwError : uint32_t{EIO};
    return result;
}

SysResult SysResult::FromErrno()
{
    return Failure(static_cast<uint32_t>(errno));
}

std::string SysResult::Message() const
{
    return Ok() ? std::string() : SystemErrorText(m_dwError);
}

}  // namespace halyard
