#pragma once

#include "runtime/Runtime.h"

// The controls the handlers address, by their stored names.
namespace abacoria::app {

inline constexpr rt::Control Text1{"Text1"};
inline constexpr rt::Control calc{"calc"};
inline constexpr rt::Control Label1{"Label1"};
inline constexpr rt::Control Label2{"Label2"};
inline constexpr rt::Control Label3{"Label3"};
inline constexpr rt::Control Command1{"Command1"};
inline constexpr rt::Control Timer1{"Timer1"};
constexpr rt::Control cmdButton(int index) { return {"cmdButton", index}; }
constexpr rt::Control cmdOper(int index) { return {"cmdOper", index}; }
constexpr rt::Control Command2(int index) { return {"Command2", index}; }

} // namespace abacoria::app
