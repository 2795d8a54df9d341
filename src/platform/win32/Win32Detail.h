#pragma once

// What the Win32 backend's files share: the form's class and numbers, and
// the process facts the window side asks for (Win32Process.cpp).
#include "ui/Layout.h"

#include <windows.h>

namespace abacoria::win32::detail {

inline constexpr wchar_t formClass[] = L"AbacoriaForm";
// Control ids start above IDOK (1) and IDCANCEL (2), so that nothing the
// dialog manager sends in their name can reach a control.
inline constexpr int idBase = 100;
inline constexpr UINT_PTR timerId = 1;
// destroyForm from inside the form's own message handling: done once that
// has unwound.
inline constexpr UINT destroyMessage = WM_APP + 1;
inline constexpr DWORD formStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

inline COLORREF colorOf(ui::Rgb c) { return RGB(c.r, c.g, c.b); }

// Windows gives a process a fixed number of window objects: 10,000 unless
// the registry says otherwise (Wine has no such quota).
DWORD windowObjectQuota();
// What copies of a control leave free of that quota: room for the message
// boxes still to come (a box is a handful of windows), the farewells above
// all. Without it a flood takes the last window object and the boxes after
// it fail to open.
inline constexpr DWORD windowObjectReserve = 64;
bool underWine();

} // namespace abacoria::win32::detail
