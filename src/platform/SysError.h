#pragma once
// The text a message box shows for a system error code (an errno value).

#include <cstdint>
#include <string>

namespace halyard {

// strerror's text; for a refused port open it adds how to get permission
// (the dialout group).
std::string SystemErrorText(uint32_t dwError);

}  // namespace halyard
