#pragma once
// A Windows handle that closes itself (CloseHandle) when it goes: owned by
// one object, moved, never copied; null means none.

#include <windows.h>

#include <memory>

namespace halyard {

struct HandleCloser {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};

using UniqueHandle = std::unique_ptr<void, HandleCloser>;

}  // namespace halyard
