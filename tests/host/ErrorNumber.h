#pragma once

#include "runtime/RuntimeError.h"

#include <functional>

namespace abacoria::testing {

// The classic error number a call raises, 0 when it raises none.
inline int errorNumberOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const rt::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

} // namespace abacoria::testing
