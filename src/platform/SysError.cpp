#include "SysError.h"

#include <cerrno>

namespace halyard {

SysResult SysResult::Failure(uint32_t dwError)
{
    SysResult result;
    result.m_dwError = dwError != 0 ? dwError : kUnknownSystemError;
    return result;
}

SysResult SysResult::FromErrno()
{
    return Failure(SystemErrorCode(errno));
}

std::string SysResult::Message() const
{
    return Ok() ? std::string() : SystemErrorText(m_dwError);
}

}  // namespace halyard
