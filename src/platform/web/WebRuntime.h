#pragma once

#include "platform/web/WebBackend.h"
#include "runtime/Host.h"

namespace abacoria::web {

// The runtime the page runs on: the host over the web backend.
class WebRuntime final : public rt::HostOver<WebBackend> {
};

} // namespace abacoria::web
