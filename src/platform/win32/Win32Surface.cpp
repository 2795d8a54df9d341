// The Win32 backend's painting: the form's surface (labels and
// rectangles, which have no window of their own, in their stacking order),
// the look of coloured keys, the fonts, which label a press lands on, and
// where each control is drawn.
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Detail.h"

#include "platform/win32/Utf.h"

#include <cmath>
#include <utility>

namespace abacoria::win32 {

using detail::colorOf;

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
    const ui::PixelSize size = ui::fitToCaption({static_cast<int>(width), static_cast<int>(tm.tmHeight)},
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

// What the window shows, for tests and benchmarks.
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

} // namespace abacoria::win32
