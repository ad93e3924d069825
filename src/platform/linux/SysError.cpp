#include "platform/SysError.h"

#include <cerrno>
#include <cstring>

namespace halyard {

const uint32_t kUnknownSystemError = EIO;

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

uint32_t SystemErrorCode(int nErrno)
{
    return static_cast<uint32_t>(nErrno);
}

uint32_t LastSystemError()
{
    return static_cast<uint32_t>(errno);
}

}  // namespace halyard
