#pragma once

#include "platform/win32/Win32Backend.h"
#include "runtime/Host.h"

namespace abacoria::win32 {

// The runtime the program runs on: the host over the Win32 backend, with the
// windows at hand for tests and benchmarks.
class Win32Runtime final : public rt::HostOver<Win32Backend> {
public:
    // Null once the window is gone.
    HWND window() const { return formLoaded() ? backend().window() : nullptr; }
};

} // namespace abacoria::win32
