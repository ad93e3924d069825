#pragma once
// What the system waits on: a file descriptor on Linux, a HANDLE on Windows.
// The one place that names the difference; the platform files of each system
// know what is behind it.

namespace halyard {

#ifdef _WIN32
using NativeHandle = void*;
// No handle (a HANDLE that failed to open is turned into this).
inline const NativeHandle kNoHandle = nullptr;
#else
using NativeHandle = int;
inline constexpr NativeHandle kNoHandle = -1;
#endif

}  // namespace halyard
