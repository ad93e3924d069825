#include "platform/SysError.h"

#include <windows.h>

#include <cerrno>
#include <memory>

#include "platform/windows/WideText.h"

namespace halyard {

const uint32_t kUnknownSystemError = ERROR_GEN_FAILURE;

std::string SystemErrorText(uint32_t dwError)
{
    wchar_t* pText = nullptr;
    const DWORD nLength = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        dwError, 0, reinterpret_cast<wchar_t*>(&pText), 0, nullptr);
    const std::unique_ptr<wchar_t, HLOCAL (*)(HLOCAL)> freeText(pText, ::LocalFree);
    if (nLength == 0)
        return "Unknown error " + std::to_string(dwError);
    // The system's sentence ends with a full stop and a line break; the text
    // is used inside sentences of the program's own, as strerror's is.
    std::string text = Utf8Text(std::wstring_view(pText, nLength));
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

std::string PortOpenErrorText(uint32_t dwError)
{
    std::string text = SystemErrorText(dwError);
    if (dwError == ERROR_ACCESS_DENIED || dwError == ERROR_SHARING_VIOLATION)
        text += ". The port may be open in another program.";
    return text;
}

uint32_t SystemErrorCode(int nErrno)
{
    switch (nErrno) {
    case 0:
        return 0;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC:
    case EFBIG:
        return ERROR_DISK_FULL;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EBUSY:
        return ERROR_BUSY;
    default:
        return ERROR_GEN_FAILURE;
    }
}

uint32_t LastSystemError()
{
    return ::GetLastError();
}

}  // namespace halyard
