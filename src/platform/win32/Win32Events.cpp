// The Win32 backend's message procedure and event passes: what the form's
// messages mean to the host (clicks, ticks, the close box), the keyboard
// interface and the focus, the timer, the message loops, and message boxes.
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Detail.h"

#include "platform/win32/Utf.h"

namespace abacoria::win32 {

using namespace detail;

namespace {

bool isEnterOrEscape(const MSG& m)
{
    const bool key = m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_CHAR
        || m.message == WM_SYSKEYDOWN || m.message == WM_SYSKEYUP;
    return key && (m.wParam == VK_RETURN || m.wParam == VK_ESCAPE);
}

} // namespace

void Win32Backend::startTimer(int intervalMs)
{
    timerRunning_ = SetTimer(form_, timerId, static_cast<UINT>(intervalMs), nullptr) != 0;
}

void Win32Backend::stopTimer()
{
    if (timerRunning_ && form_)
        KillTimer(form_, timerId);
    timerRunning_ = false;
}

std::optional<int> Win32Backend::messageBox(const rt::MessageBoxRequest& request)
{
    const bool yesNo = request.buttons == rt::vbYesNo;
    HWND owner = form_ && !unloaded_ ? form_ : nullptr;
    const int answer = MessageBoxW(owner, wide(request.prompt).c_str(), wide(request.title).c_str(),
                                   (yesNo ? MB_YESNO : MB_OK) | MB_DEFBUTTON1 | MB_APPLMODAL);
    if (answer == IDYES || answer == IDNO || answer == IDOK)
        return answer; // the classic codes: 6, 7 and 1
    return std::nullopt; // no box could be shown (the program is ending under it)
}

void Win32Backend::dispatch(MSG& msg)
{
    if (form_ && (msg.hwnd == form_ || IsChild(form_, msg.hwnd))) {
        // No default or cancel button: the dialog manager would turn these
        // into IDOK and IDCANCEL and make a focused push button the default.
        if (isEnterOrEscape(msg))
            return;
        if (IsDialogMessageW(form_, &msg))
            return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void Win32Backend::processEvents()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Meant for the loop outside the handler: hand it back.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        dispatch(msg);
    }
}

int Win32Backend::runMessageLoop()
{
    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1)
            return 1;
        dispatch(msg);
    }
    return static_cast<int>(msg.wParam);
}

void Win32Backend::restoreFocus()
{
    if (lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_))
        SetFocus(lastFocus_);
}

LRESULT CALLBACK Win32Backend::formProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, msg, wp, lp);
    ++self->inProc_;
    const LRESULT result = self->onMessage(hwnd, msg, wp, lp);
    --self->inProc_;
    return result;
}

LRESULT Win32Backend::onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        // An owner-drawn button reports a quick second click as a double
        // click; to the user it is a click like any other.
        if (lp && (HIWORD(wp) == BN_CLICKED || HIWORD(wp) == BN_DOUBLECLICKED)) {
            const rt::ControlId id = idOfChild(reinterpret_cast<HWND>(lp));
            if (id >= 0 && items_[static_cast<std::size_t>(id)].kind == ui::Kind::PushButton && events_)
                events_->controlClicked(id);
            return 0;
        }
        break;
    case WM_DRAWITEM: {
        const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (d->CtlType == ODT_BUTTON) {
            drawButton(*d);
            return TRUE;
        }
        break;
    }
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wp), &r, background_);
        return 1;
    }
    case WM_PAINT:
        paint();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        mouse(msg, POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
        return 0;
    case WM_CAPTURECHANGED:
        pressed_ = -1;
        break;
    case WM_TIMER:
        if (wp == timerId && timerRunning_ && events_)
            events_->timerTicked();
        return 0;
    case WM_CLOSE:
        // The host decides; Windows never closes the window by itself.
        if (events_)
            events_->closeRequested();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd, focus))
                lastFocus_ = focus;
        } else if (lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_)) {
            SetFocus(lastFocus_);
            return 0;
        }
        break;
    case WM_SETFOCUS:
        restoreFocus();
        return 0;
    case destroyMessage:
        DestroyWindow(hwnd);
        return 0;
    case WM_NCDESTROY:
        form_ = nullptr;
        items_.clear();
        items_.shrink_to_fit();
        surface_.clear();
        lastFocus_ = nullptr;
        timerRunning_ = false;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

} // namespace abacoria::win32
