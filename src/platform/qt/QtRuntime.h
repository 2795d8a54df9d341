#pragma once

#include "platform/qt/QtBackend.h"
#include "runtime/Host.h"

namespace abacoria::qtbackend {

// The runtime the program runs on: the host over the Qt backend, with the
// widgets at hand for tests and benchmarks.
class QtRuntime final : public rt::HostOver<QtBackend> {
public:
    // Null once the window is gone.
    QWidget* window() const { return formLoaded() ? backend().window() : nullptr; }
    QWidget* widget(rt::Control c) const
    {
        const auto id = idOf(c);
        return id ? backend().widget(*id) : nullptr;
    }
    QTimer* timer() const { return backend().timer(); }
};

} // namespace abacoria::qtbackend
