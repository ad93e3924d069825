#pragma once
// The text a message box shows for a system error code (an errno value).

#include <cstdint>
#include <string>

namespace halyard {

// strerror's text alone: a failed file, thread or timer call.
std::string SystemErrorText(uint32_t dwError);

// The text for a serial port that would not open: the system's text and, for
// a refused open (EACCES, EPERM), how to get permission (the dialout group).
std::string PortOpenErrorText(uint32_t dwError);

}  // namespace halyard
