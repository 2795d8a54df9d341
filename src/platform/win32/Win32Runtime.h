#pragma once

#include "platform/win32/Win32Backend.h"
#include "runtime/Host.h"

namespace abacoria::win32 {

// The Win32 backend, held for the host that serves the handlers over it.
struct Win32BackendHolder {
    Win32Backend backend;
};

// The runtime the program runs on: the host over the Win32 backend, with the
// windows at hand for tests and benchmarks.
class Win32Runtime final : private Win32BackendHolder, public rt::Host {
public:
    Win32Runtime()
        : rt::Host(backend)
    {
    }

    Win32Backend& win32() { return backend; }
    // Null once the window is gone.
    HWND window() const { return formLoaded() ? backend.window() : nullptr; }
    std::optional<rt::ControlId> id(rt::Control c) const { return idOf(c); }
};

} // namespace abacoria::win32
