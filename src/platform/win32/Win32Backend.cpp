// Abacoria's Win32 backend: the runtime's primitives on plain Win32, for
// 32-bit Windows (built with mingw-w64, tested under Wine).
//
// Implemented: the form as one top-level window with a fixed single border
// and a close box; buttons, the display and the progress bar as the
// system's own child windows, coloured keys drawn by the form; labels and
// rectangles painted on the form's surface and hit-tested by it
// (Win32Surface.cpp); the keyboard interface of a dialog without default or
// cancel buttons, the focus kept across activations, the timer, message
// boxes and event passes (Win32Events.cpp); program starts by absolute
// path, the per-process quota of window objects (Win32Process.cpp); system
// dpi, with the layout at 1440/dpi twips a pixel.
// Not implemented: per-monitor dpi (the manifest asks for system dpi); a
// minimize box (the window can still be minimized from code).
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Detail.h"

#include "platform/win32/Utf.h"
#include "runtime/RuntimeError.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace abacoria::win32 {

using namespace detail;

Win32Backend::Win32Backend()
    : instance_(GetModuleHandleW(nullptr))
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    outline_ = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
    windowQuota_ = windowObjectQuota();
}

Win32Backend::~Win32Backend()
{
    if (form_)
        DestroyWindow(form_);
    for (auto& f : fonts_)
        DeleteObject(f.second);
    for (auto& b : brushes_)
        DeleteObject(b.second);
    if (background_)
        DeleteObject(background_);
    DeleteObject(outline_);
}


Win32Backend::Item* Win32Backend::item(rt::ControlId id)
{
    return id >= 0 && id < static_cast<rt::ControlId>(items_.size()) ? &items_[static_cast<std::size_t>(id)] : nullptr;
}

const Win32Backend::Item* Win32Backend::item(rt::ControlId id) const
{
    return const_cast<Win32Backend*>(this)->item(id);
}

Win32Backend::Item& Win32Backend::store(rt::ControlId id)
{
    if (items_.size() <= static_cast<std::size_t>(id))
        items_.resize(static_cast<std::size_t>(id) + 1);
    return items_[static_cast<std::size_t>(id)];
}

HWND Win32Backend::handle(rt::ControlId id) const
{
    const Item* it = item(id);
    return it ? it->hwnd : nullptr;
}

rt::ControlId Win32Backend::idOfChild(HWND child) const
{
    const rt::ControlId id = GetDlgCtrlID(child) - idBase;
    const Item* it = item(id);
    return it && it->hwnd == child ? id : -1;
}

void Win32Backend::createForm(const ui::WindowSpec& spec)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = formProc;
    wc.hInstance = instance_;
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(1));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = formClass;
    // No CS_DBLCLKS: a quick second click on a label is a click like the first.
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("cannot register the window class");

    background_ = CreateSolidBrush(colorOf(spec.backColor));
    defaultFont_ = fontFor(spec.font);
    const int tpp = twipsPerPixel();
    RECT r{0, 0, ui::toPixels(spec.clientWidth, tpp), ui::toPixels(spec.clientHeight, tpp)};
    AdjustWindowRectEx(&r, formStyle, FALSE, 0);
    form_ = CreateWindowExW(0, formClass, wide(spec.caption).c_str(), formStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance_, this);
    if (!form_)
        throw std::runtime_error("cannot create the window");
}

void Win32Backend::createControl(rt::ControlId id, const ui::ControlSpec& s)
{
    const ui::PixelRect p = ui::toPixels(s, twipsPerPixel());
    const RECT r{p.left, p.top, p.left + p.width, p.top + p.height};
    Item& it = store(id);
    it.kind = s.kind;
    it.font = s.font ? fontFor(*s.font) : defaultFont_;
    if (s.backColor)
        it.fill = colorOf(*s.backColor);

    if (ui::paintsOnSurface(s.kind)) {
        it.rect = r;
        it.visible = s.visible;
        it.caption = wide(s.caption);
        it.autoSize = s.autoSize;
        it.design = {r.right - r.left, r.bottom - r.top};
        it.designCaption = it.caption;
        it.textColor = s.foreColor ? colorOf(*s.foreColor) : GetSysColor(COLOR_BTNTEXT);
        if (it.autoSize)
            fitLabel(it);
        // Created last, painted last: in front of the surface made before.
        surface_.push_back(id);
        invalidate(it.rect);
        return;
    }

    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (s.visible ? WS_VISIBLE : 0);
    DWORD exStyle = 0;
    const wchar_t* cls = L"BUTTON";
    switch (s.kind) {
    case ui::Kind::PushButton:
        // A push button's face cannot be coloured (WM_CTLCOLORBTN does not
        // reach it): coloured keys draw themselves.
        style |= WS_TABSTOP | (it.fill ? BS_OWNERDRAW : BS_PUSHBUTTON);
        break;
    case ui::Kind::TextBox:
        cls = L"EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT;
        exStyle = WS_EX_CLIENTEDGE;
        break;
    case ui::Kind::ProgressBar:
        cls = PROGRESS_CLASSW;
        break;
    default:
        return; // the timer is the form's own
    }
    const std::wstring text = wide(s.caption);
    it.hwnd = CreateWindowExW(exStyle, cls, text.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                              form_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id + idBase)), instance_, nullptr);
    if (!it.hwnd)
        throw std::runtime_error("cannot create a control");
    SendMessageW(it.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(it.font), FALSE);
    if (s.kind == ui::Kind::TextBox)
        SendMessageW(it.hwnd, EM_SETLIMITTEXT, 0, 0); // no length limit
    if (s.kind == ui::Kind::ProgressBar) {
        it.minimum = s.minimum;
        it.maximum = s.maximum;
        SendMessageW(it.hwnd, PBM_SETRANGE32, static_cast<WPARAM>(s.minimum), static_cast<LPARAM>(s.maximum));
        SendMessageW(it.hwnd, PBM_SETPOS, static_cast<WPARAM>(s.minimum), 0);
        RECT client;
        GetClientRect(it.hwnd, &client);
        it.barWidth = client.right;
        it.drawnFill = 0;
        it.sentPos = s.minimum;
    }
    // In front of the controls made before it: a new child starts at the back.
    SetWindowPos(it.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32Backend::copyControl(rt::ControlId id, rt::ControlId templ, int /*index: names are the host's*/)
{
    const Item* source = item(templ);
    // Under Wine this count is always 0.
    if (GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS) + windowObjectReserve >= windowQuota_)
        throw rt::RuntimeError(rt::errOutOfMemory);
    const RECT r = rect(templ);
    // The template's own style, hidden; never the default-button look the
    // dialog manager may have given it.
    DWORD style = static_cast<DWORD>(GetWindowLongW(source->hwnd, GWL_STYLE)) & ~WS_VISIBLE;
    if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        style = (style & ~BS_TYPEMASK) | BS_PUSHBUTTON;
    const std::wstring text = windowText(source->hwnd);
    const HFONT font = source->font;
    const std::optional<COLORREF> fill = source->fill;
    // No parent notification: a flood would send the form 20000 of them.
    HWND b = CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"BUTTON", text.c_str(), style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, form_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id + idBase)),
                             instance_, nullptr);
    if (!b) // on Windows: past the per-process quota of window objects
        throw rt::RuntimeError(rt::errOutOfMemory);
    SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Item& it = store(id);
    it.kind = ui::Kind::PushButton;
    it.hwnd = b;
    it.font = font;
    it.fill = fill;
    // A new child starts at the back. It belongs in front of every other
    // control, which nobody can see while it is hidden: it goes there when
    // it is first shown or raised, in the same call. Under Wine, restacking
    // a hidden child costs time in proportion to its siblings, restacking it
    // as it is shown does not: a flood stays as fast at its 10000th button
    // as at its first.
    it.pendingFront = true;
}

void Win32Backend::setTabOrder(std::span<const rt::ControlId> order)
{
    // The dialog manager walks the children front to back: stack the
    // controls that take the focus in tab order, first in front. Run-time
    // buttons go in front of them all later, which leaves this order intact.
    HWND after = HWND_TOP;
    for (const rt::ControlId id : order) {
        HWND h = handle(id);
        if (!h)
            continue;
        SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = h;
    }
}

void Win32Backend::showForm(rt::ControlId focus)
{
    ShowWindow(form_, SW_SHOWNORMAL);
    UpdateWindow(form_);
    if (HWND h = handle(focus)) {
        SetFocus(h);
        lastFocus_ = h;
    }
}

void Win32Backend::hideForm()
{
    unloaded_ = true;
    stopTimer();
    if (form_)
        ShowWindow(form_, SW_HIDE);
}

void Win32Backend::destroyForm()
{
    if (!form_)
        return;
    if (inProc_ > 0)
        PostMessageW(form_, destroyMessage, 0, 0);
    else
        DestroyWindow(form_);
}

std::string Win32Backend::text(rt::ControlId id) { return utf8(windowText(handle(id))); }

void Win32Backend::setText(rt::ControlId id, std::string_view text)
{
    SetWindowTextW(handle(id), wide(text).c_str());
}

void Win32Backend::setCaption(rt::ControlId id, std::string_view caption)
{
    Item* it = item(id);
    if (!it)
        return;
    if (it->hwnd) {
        SetWindowTextW(it->hwnd, wide(caption).c_str());
        return;
    }
    std::wstring text = wide(caption);
    if (text == it->caption)
        return;
    invalidate(it->rect);
    it->caption = std::move(text);
    if (it->autoSize)
        fitLabel(*it);
    invalidate(it->rect);
}

void Win32Backend::setVisible(rt::ControlId id, bool visible)
{
    Item* it = item(id);
    if (!it)
        return;
    if (it->hwnd) {
        if (visible && it->pendingFront) {
            it->pendingFront = false;
            SetWindowPos(it->hwnd, HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        } else {
            ShowWindow(it->hwnd, visible ? SW_SHOWNA : SW_HIDE);
        }
        return;
    }
    if (it->visible != visible) {
        it->visible = visible;
        invalidate(it->rect);
    }
}

void Win32Backend::setValue(rt::ControlId id, float value)
{
    Item* it = item(id);
    if (!it || !it->hwnd)
        return;
    // Each new position repaints the bar there and then (0.7 ms under Wine):
    // send one only when the fill it draws changes.
    // The ends of the range are sent as well, so that the control itself
    // reads full (or empty) when the count is done.
    const int pos = static_cast<int>(std::lround(value));
    const int span = it->maximum - it->minimum;
    const int fill = span > 0 ? MulDiv(pos - it->minimum, it->barWidth, span) : 0;
    const bool end = pos == it->minimum || pos == it->maximum;
    if (fill == it->drawnFill && !(end && pos != it->sentPos))
        return;
    it->drawnFill = fill;
    it->sentPos = pos;
    SendMessageW(it->hwnd, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

void Win32Backend::move(rt::ControlId id, int left, int top)
{
    Item* it = item(id);
    if (!it)
        return;
    if (it->hwnd) {
        SetWindowPos(it->hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    invalidate(it->rect);
    OffsetRect(&it->rect, left - it->rect.left, top - it->rect.top);
    invalidate(it->rect);
}

void Win32Backend::bringToFront(rt::ControlId id)
{
    Item* it = item(id);
    if (!it)
        return;
    if (it->hwnd) {
        // A new button of a flood is in front already.
        const bool front = std::exchange(it->pendingFront, false);
        if (front || GetWindow(form_, GW_CHILD) != it->hwnd)
            SetWindowPos(it->hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    // A surface control only comes to the front of the surface.
    surface_.erase(std::remove(surface_.begin(), surface_.end(), id), surface_.end());
    surface_.push_back(id);
    invalidate(it->rect);
}

void Win32Backend::setWindowState(rt::WindowState state)
{
    // The frame has no maximize box, but code may still maximize it.
    switch (state) {
    case rt::WindowState::Maximized:
        if (underWine()) {
            // Wine leaves maximizing to the X window manager, and tells it
            // the window may be maximized only if it has a maximize box and
            // a sizing border; one that honours that (openbox does) would
            // leave the window small while Windows' side of it thinks it
            // maximized. Windows itself needs neither.
            const LONG style = GetWindowLongW(form_, GWL_STYLE);
            const LONG sizable = WS_MAXIMIZEBOX | WS_THICKFRAME;
            if ((style & sizable) != sizable) {
                SetWindowLongW(form_, GWL_STYLE, style | sizable);
                SetWindowPos(form_, nullptr, 0, 0, 0, 0,
                             SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
        ShowWindow(form_, SW_MAXIMIZE);
        break;
    case rt::WindowState::Minimized: ShowWindow(form_, SW_MINIMIZE); break;
    case rt::WindowState::Normal: ShowWindow(form_, SW_RESTORE); break;
    }
}

ui::PixelSize Win32Backend::clientSize()
{
    RECT r{};
    GetClientRect(form_, &r);
    return {r.right, r.bottom};
}

} // namespace abacoria::win32
