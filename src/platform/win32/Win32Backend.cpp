#include "platform/win32/Win32Backend.h"

#include "platform/win32/Utf.h"
#include "runtime/RuntimeError.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace abacoria::win32 {

namespace {

constexpr wchar_t formClass[] = L"AbacoriaForm";
// Control ids start above IDOK (1) and IDCANCEL (2), so that nothing the
// dialog manager sends in their name can reach a control.
constexpr int idBase = 100;
constexpr UINT_PTR timerId = 1;
// destroyForm from inside the form's own message handling: done once that
// has unwound.
constexpr UINT destroyMessage = WM_APP + 1;
constexpr DWORD formStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

COLORREF colorOf(ui::Rgb c) { return RGB(c.r, c.g, c.b); }

bool isEnterOrEscape(const MSG& m)
{
    const bool key = m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_CHAR
        || m.message == WM_SYSKEYDOWN || m.message == WM_SYSKEYUP;
    return key && (m.wParam == VK_RETURN || m.wParam == VK_ESCAPE);
}

// The show command for a classic window style; none for an invalid style.
std::optional<WORD> showCommand(int windowStyle)
{
    switch (windowStyle) {
    case 0: return SW_HIDE;
    case 1: return SW_SHOWNORMAL;
    case 2: return SW_SHOWMINIMIZED;
    case 3: return SW_SHOWMAXIMIZED;
    case 4: return SW_SHOWNOACTIVATE;
    case 6: return SW_SHOWMINNOACTIVE;
    default: return std::nullopt;
    }
}

// Windows gives a process a fixed number of window objects: 10,000 unless
// the registry says otherwise (Wine has no such quota).
DWORD windowObjectQuota()
{
    DWORD quota = 0;
    DWORD size = sizeof quota;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                     L"USERProcessHandleQuota", RRF_RT_REG_DWORD, nullptr, &quota, &size)
            != ERROR_SUCCESS
        || quota == 0)
        quota = 10000;
    return quota;
}

// What copies of a control leave free of that quota: room for the message
// boxes still to come (a box is a handful of windows), the farewells above
// all. Without it a flood takes the last window object and the boxes after
// it fail to open.
constexpr DWORD windowObjectReserve = 64;

bool underWine()
{
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

bool notFound(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_DRIVE
        || error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME;
}

} // namespace

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

HFONT Win32Backend::fontFor(const ui::Font& f)
{
    const auto hundredths = std::lround(f.points * 100);
    auto key = std::make_tuple(wide(f.face), hundredths, f.bold);
    if (auto it = fonts_.find(key); it != fonts_.end())
        return it->second;
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(static_cast<int>(hundredths), dpi_, 7200);
    lf.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, std::get<0>(key).c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    fonts_.emplace(std::move(key), font);
    return font;
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

RECT Win32Backend::rect(rt::ControlId id) const
{
    const Item* it = item(id);
    if (!it)
        return {};
    if (!it->hwnd)
        return it->rect;
    RECT r;
    GetWindowRect(it->hwnd, &r);
    MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Win32Backend::shown(rt::ControlId id) const
{
    const Item* it = item(id);
    if (!it)
        return false;
    return it->hwnd ? (GetWindowLongW(it->hwnd, GWL_STYLE) & WS_VISIBLE) != 0 : it->visible;
}

std::string Win32Backend::caption(rt::ControlId id) const
{
    const Item* it = item(id);
    if (!it)
        return {};
    return utf8(it->hwnd ? windowText(it->hwnd) : it->caption);
}

HFONT Win32Backend::font(rt::ControlId id) const
{
    const Item* it = item(id);
    return it ? it->font : nullptr;
}

rt::ControlId Win32Backend::labelAt(POINT p) const
{
    // Front to back; rectangles let clicks through to what lies beneath.
    for (auto it = surface_.rbegin(); it != surface_.rend(); ++it) {
        const Item& s = items_[static_cast<std::size_t>(*it)];
        if (s.kind == ui::Kind::Label && s.visible && PtInRect(&s.rect, p))
            return *it;
    }
    return -1;
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
    const int tpp = twipsPerPixel();
    // Position and size convert separately, as the classic runtime does.
    const int left = ui::toPixels(s.left, tpp);
    const int top = ui::toPixels(s.top, tpp);
    const RECT r{left, top, left + ui::toPixels(s.width, tpp), top + ui::toPixels(s.height, tpp)};
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

void Win32Backend::fitLabel(Item& label)
{
    // The real extent, trailing blanks included.
    HDC dc = GetDC(form_);
    HGDIOBJ old = SelectObject(dc, label.font);
    auto advance = [dc](const std::wstring& s) {
        SIZE size{};
        GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size);
        return size.cx;
    };
    const LONG width = advance(label.caption);
    const LONG designWidth = advance(label.designCaption);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(form_, dc);
    // With the fonts it was designed for this is the extent itself; a
    // stand-in that runs narrower (Wine's, for Arial) keeps the stored look.
    const ui::PixelExtent size = ui::fitToCaption({static_cast<int>(width), static_cast<int>(tm.tmHeight)},
                                                  static_cast<int>(designWidth),
                                                  {static_cast<int>(label.design.cx), static_cast<int>(label.design.cy)});
    label.rect.right = label.rect.left + size.width;
    label.rect.bottom = label.rect.top + size.height;
}

void Win32Backend::invalidate(const RECT& r)
{
    if (form_)
        InvalidateRect(form_, &r, TRUE);
}

void Win32Backend::copyControl(rt::ControlId id, rt::ControlId templ, int /*index: names are the host's*/)
{
    const Item* source = item(templ);
    if (!source || !source->hwnd || source->kind != ui::Kind::PushButton)
        throw rt::RuntimeError(rt::errInvalidCall);
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

rt::PixelSize Win32Backend::clientSize()
{
    RECT r{};
    GetClientRect(form_, &r);
    return {r.right, r.bottom};
}

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

int Win32Backend::messageBox(const rt::MessageBoxRequest& request)
{
    const bool yesNo = request.buttons == rt::vbYesNo;
    HWND owner = form_ && !unloaded_ ? form_ : nullptr;
    const int answer = MessageBoxW(owner, wide(request.prompt).c_str(), wide(request.title).c_str(),
                                   (yesNo ? MB_YESNO : MB_OK) | MB_DEFBUTTON1 | MB_APPLMODAL);
    if (answer == IDYES || answer == IDNO || answer == IDOK)
        return answer; // the classic codes: 6, 7 and 1
    // No box could be shown (the program is ending under it).
    return yesNo ? rt::vbNo : rt::vbOK;
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

double Win32Backend::startProgram(const std::string& path, int windowStyle)
{
    const std::optional<WORD> show = showCommand(windowStyle);
    if (!show)
        throw rt::RuntimeError(rt::errInvalidCall);
    // The file itself, by its absolute path: never searched for, no shell.
    const std::wstring file = wide(path);
    std::wstring commandLine = L"\"" + file + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = *show;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(file.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        throw rt::RuntimeError(notFound(GetLastError()) ? rt::errFileNotFound : rt::errInvalidCall);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<double>(pi.dwProcessId);
}

void Win32Backend::restoreFocus()
{
    if (lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_))
        SetFocus(lastFocus_);
}

void Win32Backend::paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(form_, &ps);
    SetBkMode(dc, TRANSPARENT);
    const HGDIOBJ oldFont = SelectObject(dc, defaultFont_);
    const HGDIOBJ oldPen = SelectObject(dc, outline_);
    const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    // Back to front, beneath the child windows (the form clips them out).
    for (const rt::ControlId id : surface_) {
        const Item& s = items_[static_cast<std::size_t>(id)];
        RECT overlap;
        if (!s.visible || !IntersectRect(&overlap, &s.rect, &ps.rcPaint))
            continue;
        if (s.kind == ui::Kind::Rectangle) {
            HBRUSH fill = nullptr;
            if (s.fill) {
                auto [pos, added] = brushes_.try_emplace(*s.fill, nullptr);
                if (added)
                    pos->second = CreateSolidBrush(*s.fill);
                fill = pos->second;
            }
            SelectObject(dc, fill ? static_cast<HGDIOBJ>(fill) : GetStockObject(NULL_BRUSH));
            Rectangle(dc, s.rect.left, s.rect.top, s.rect.right, s.rect.bottom);
            continue;
        }
        RECT r = s.rect;
        SelectObject(dc, s.font);
        SetTextColor(dc, s.textColor);
        DrawTextW(dc, s.caption.c_str(), static_cast<int>(s.caption.size()), &r,
                  DT_LEFT | DT_TOP | DT_NOPREFIX | (s.autoSize ? DT_SINGLELINE : DT_WORDBREAK));
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
    EndPaint(form_, &ps);
}

void Win32Backend::drawButton(const DRAWITEMSTRUCT& d)
{
    const rt::ControlId id = idOfChild(d.hwndItem);
    const Item* it = item(id);
    if (!it)
        return;
    HDC dc = d.hDC;
    RECT r = d.rcItem;
    const bool pushed = (d.itemState & ODS_SELECTED) != 0;
    auto [pos, added] = brushes_.try_emplace(it->fill.value_or(GetSysColor(COLOR_BTNFACE)), nullptr);
    if (added)
        pos->second = CreateSolidBrush(pos->first);
    FillRect(dc, &r, pos->second);
    // The classic push button: a raised edge, a sunken one while pressed with
    // the caption one pixel down and right, a dotted focus rectangle.
    DrawEdge(dc, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    const std::wstring text = windowText(d.hwndItem);
    RECT t = r;
    if (pushed)
        OffsetRect(&t, 1, 1);
    const HGDIOBJ oldFont = SelectObject(dc, it->font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor((d.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    if (d.itemState & ODS_FOCUS) {
        RECT f = r;
        InflateRect(&f, -4, -4);
        DrawFocusRect(dc, &f);
    }
}

void Win32Backend::mouse(UINT msg, POINT at)
{
    if (msg == WM_LBUTTONDOWN) {
        pressed_ = labelAt(at);
        if (pressed_ >= 0)
            SetCapture(form_);
        return;
    }
    // A click: pressed and released over the same label.
    const rt::ControlId id = pressed_;
    pressed_ = -1;
    if (id < 0)
        return;
    ReleaseCapture();
    if (labelAt(at) == id)
        events_->controlClicked(id);
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
