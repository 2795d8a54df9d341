// Abacoria's web backend, compiled to WebAssembly for the page.
//
// Implemented: the window, its controls and message boxes drawn by the
// page (page*.js) at 15 twips a CSS pixel, with their geometry kept here and
// never read back; the page's event queue drained by the program's own
// loops (Asyncify suspends them on the page's waits); a frame let through at
// event passes; the close box, and the browser's own "leave this page?"
// while the window would refuse to close; the window maximized to fill the
// page; the end of the program, with a fresh start offered.
// Not implemented: a minimized window (the browser's tab is that); program
// starts (a page cannot start programs: every start fails as a missing file
// does).
#include "platform/web/WebBackend.h"

#include "platform/web/PageCalls.h"
#include "runtime/RuntimeError.h"

#include <cmath>
#include <cstdlib>
#include <string_view>

namespace abacoria::web {

namespace {

// The contract with the page, written here alone and handed to it before
// anything else (js_contract): what it queues, as kind + argScale *
// argument, and what it draws.
enum Queued { qClick = 1, qClose = 2, qTick = 3, qAnswer = 4, qRestart = 5 };
constexpr int argScale = 8; // above every kind
enum Drawn { dButton = 0, dProgress = 2, dTextBox = 3, dLabel = 4, dRectangle = 5 };

// What a caption measures in a CSS font: its advance and its line height.
ui::PixelSize measure(const std::string& font, std::string_view text)
{
    int extent[2] = {0, 0};
    js_measure(font.c_str(), text.data(), static_cast<int>(text.size()), extent);
    return {extent[0], extent[1]};
}

int packed(ui::Rgb c) { return (c.r << 16) | (c.g << 8) | c.b; }

// A CSS font for a classic face: the face itself, what stands in for it on
// other systems, and a generic family last.
std::string cssFont(const ui::Font& f)
{
    const ui::FontFallback fb = ui::fallbackFor(f.face);
    std::string family;
    for (const std::string_view face : {fb.face, fb.successor, fb.lookAlike})
        if (!face.empty())
            family += "\"" + std::string(face) + "\", ";
    family += fb.generic;
    // Points to the hundredth, as the layout gives them.
    const long hundredths = std::lround(f.points * 100);
    std::string size = std::to_string(hundredths / 100);
    if (hundredths % 100)
        size += "." + std::to_string(hundredths % 100 / 10) + (hundredths % 10 ? std::to_string(hundredths % 10) : "");
    return std::string(f.bold ? "bold " : "") + size + "pt " + family;
}

int kindCode(ui::Kind k)
{
    switch (k) {
    case ui::Kind::PushButton: return dButton;
    case ui::Kind::ProgressBar: return dProgress;
    case ui::Kind::TextBox: return dTextBox;
    case ui::Kind::Label: return dLabel;
    case ui::Kind::Rectangle: return dRectangle;
    case ui::Kind::Timer: break;
    }
    return -1;
}

// The progress bar's fill is drawn inside a 2-pixel inset (page.css).
constexpr int progressInset = 2;

} // namespace

WebBackend::WebBackend()
{
    // Once for the page, not again for each fresh start.
    static const bool handed = [] {
        js_contract(qClick, qClose, qTick, qAnswer, qRestart, argScale, rt::vbOK, rt::vbYes, rt::vbNo, dButton,
                    dProgress, dTextBox, dLabel, dRectangle);
        return true;
    }();
    (void)handed;
}

WebBackend::~WebBackend()
{
    if (formExists_) {
        js_stopTimer();
        js_destroyForm();
    }
}

WebBackend::Item* WebBackend::item(rt::ControlId id)
{
    if (id < 0 || static_cast<std::size_t>(id) >= items_.size())
        return nullptr;
    Item& it = items_[static_cast<std::size_t>(id)];
    return it.exists ? &it : nullptr;
}

void WebBackend::createForm(const ui::WindowSpec& spec)
{
    normal_ = {ui::toPixels(spec.clientWidth), ui::toPixels(spec.clientHeight)};
    js_createForm(std::string(spec.caption).c_str(), packed(spec.backColor), normal_.width, normal_.height,
                  titleBarHeight, borderWidth, cssFont(spec.font).c_str());
    formExists_ = true;
}

void WebBackend::createControl(rt::ControlId id, const ui::ControlSpec& s)
{
    const int code = kindCode(s.kind);
    if (code < 0)
        return; // the timer is the page's interval
    if (items_.size() <= static_cast<std::size_t>(id))
        items_.resize(static_cast<std::size_t>(id) + 1);
    Item& it = items_[static_cast<std::size_t>(id)];
    it.kind = s.kind;
    it.exists = true;
    const ui::PixelRect r = ui::toPixels(s);
    const int left = r.left, top = r.top;
    int width = r.width, height = r.height;
    const std::string font = s.font ? cssFont(*s.font) : std::string();
    if (s.autoSize) {
        it.font = font;
        it.designWidth = width;
        it.designHeight = height;
        const ui::PixelSize measured = measure(font, s.caption);
        it.designAdvance = measured.width;
        const ui::PixelSize fit = ui::fitToCaption(measured, it.designAdvance, {width, height});
        width = fit.width;
        height = fit.height;
    }
    if (s.kind == ui::Kind::ProgressBar) {
        it.minimum = s.minimum;
        it.maximum = s.maximum;
        it.barWidth = width - 2 * progressInset;
        it.drawnFill = 0;
    }
    const std::string caption(s.caption);
    js_createControl(id, code, caption.c_str(), left, top, width, height, s.visible ? 1 : 0,
                     s.backColor ? packed(*s.backColor) : -1, s.foreColor ? packed(*s.foreColor) : -1, font.c_str(),
                     std::string(ui::accessibleName(s)).c_str());
}

void WebBackend::copyControl(rt::ControlId id, rt::ControlId templ, int /*index: names are the host's*/)
{
    if (items_.size() <= static_cast<std::size_t>(id))
        items_.resize(static_cast<std::size_t>(id) + 1);
    Item& it = items_[static_cast<std::size_t>(id)];
    it = Item{};
    it.kind = ui::Kind::PushButton;
    it.exists = true;
    js_copyControl(id, templ);
}

void WebBackend::setTabOrder(std::span<const rt::ControlId> order)
{
    std::vector<int> ids;
    for (const rt::ControlId id : order)
        if (item(id))
            ids.push_back(id);
    js_setTabOrder(ids.data(), static_cast<int>(ids.size()));
}

void WebBackend::showForm(rt::ControlId focus) { js_showForm(focus); }

void WebBackend::hideForm()
{
    stopTimer();
    if (formExists_)
        js_hideForm();
}

void WebBackend::destroyForm()
{
    if (!formExists_)
        return;
    formExists_ = false;
    destroyed_ = true;
    items_.clear();
    items_.shrink_to_fit();
    js_destroyForm(); // the timer stopped when the window was hidden
}

std::string WebBackend::text(rt::ControlId id)
{
    if (!item(id))
        return {};
    char* p = js_text(id);
    std::string s(p);
    std::free(p);
    return s;
}

void WebBackend::setText(rt::ControlId id, std::string_view text)
{
    if (item(id))
        js_setText(id, text.data(), static_cast<int>(text.size()));
}

void WebBackend::setCaption(rt::ControlId id, std::string_view caption)
{
    Item* it = item(id);
    if (!it)
        return;
    int width = -1, height = -1;
    if (it->designAdvance > 0) {
        const ui::PixelSize fit
            = ui::fitToCaption(measure(it->font, caption), it->designAdvance, {it->designWidth, it->designHeight});
        width = fit.width;
        height = fit.height;
    }
    js_setCaption(id, caption.data(), static_cast<int>(caption.size()), width, height);
}

void WebBackend::setVisible(rt::ControlId id, bool visible)
{
    if (item(id))
        js_setVisible(id, visible ? 1 : 0);
}

void WebBackend::setValue(rt::ControlId id, float value)
{
    Item* it = item(id);
    if (!it || it->kind != ui::Kind::ProgressBar)
        return;
    // Writing the page 250000 times costs a third of a second: write it only
    // when the fill it draws changes.
    const double span = it->maximum - it->minimum;
    const double share = span > 0 ? (value - it->minimum) / span : 0;
    const int fill = static_cast<int>(share * it->barWidth);
    if (fill == it->drawnFill)
        return;
    it->drawnFill = fill;
    js_setFill(id, fill, static_cast<int>(share * 100));
}

void WebBackend::move(rt::ControlId id, int left, int top)
{
    if (item(id))
        js_move(id, left, top);
}

void WebBackend::bringToFront(rt::ControlId id)
{
    if (item(id))
        js_bringToFront(id);
}

void WebBackend::setWindowState(rt::WindowState state)
{
    // The page has no minimized window; the browser's own tab is that.
    const bool maximize = state == rt::WindowState::Maximized;
    if (!formExists_ || maximize == maximized_)
        return;
    maximized_ = maximize;
    js_setMaximized(maximize ? 1 : 0);
}

ui::PixelSize WebBackend::clientSize()
{
    // From the page's own numbers, never from its layout.
    if (!maximized_)
        return normal_;
    return {std::max(0, js_viewportWidth()), std::max(0, js_viewportHeight() - titleBarHeight)};
}

void WebBackend::startTimer(int intervalMs) { js_startTimer(intervalMs); }

void WebBackend::stopTimer() { js_stopTimer(); }

std::optional<int> WebBackend::messageBox(const rt::MessageBoxRequest& request)
{
    const bool yesNo = request.buttons == rt::vbYesNo;
    js_openBox(request.title.c_str(), request.prompt.c_str(), yesNo ? 1 : 0);
    // The box's own loop: ticks go on behind it; everything else waits.
    int answer = 0;
    while (answer == 0) {
        answer = drain(true);
        if (answer == 0)
            js_wait(1);
    }
    js_closeBox();
    paintOwed_ = true;
    return answer;
}

void WebBackend::processEvents()
{
    // The browser gets a turn (to paint, run its timers and take input) at
    // least every 8 ms; every event queued by then is handled here. The
    // first pass after a wait lets a frame reach the screen as well, so that
    // what a handler showed before it is painted before it goes on (the
    // progress area before the count); a turn alone does not always paint.
    if (paintOwed_) {
        paintOwed_ = false;
        js_yieldTurn(1);
        lastTurn_ = js_now();
    } else if (js_now() - lastTurn_ >= 8) {
        js_yieldTurn(0);
        lastTurn_ = js_now();
    }
    if (onPass_)
        onPass_();
    drain(false);
}

double WebBackend::startProgram(const std::string& /*path*/, int /*windowStyle*/)
{
    // A page cannot start programs on the user's machine.
    throw rt::RuntimeError(rt::errFileNotFound);
}

int WebBackend::drain(bool modal)
{
    while (const int code = js_next(modal ? 1 : 0)) {
        if (const int answer = dispatch(code, modal))
            return answer;
    }
    return 0;
}

int WebBackend::dispatch(int code, bool modal)
{
    const int kind = code % argScale;
    const int arg = code / argScale;
    if (kind == qAnswer)
        return modal ? arg : 0;
    if (!events_ || destroyed_)
        return 0;
    switch (kind) {
    case qClick: events_->controlClicked(arg); break;
    case qClose: events_->closeRequested(); break;
    case qTick: events_->timerTicked(); break;
    default: break; // a restart belongs to the page once the window is gone
    }
    return 0;
}

void setLeaveGuard(bool on) { js_setLeaveGuard(on ? 1 : 0); }

void waitForRestart()
{
    js_clearQueue();
    js_showEnded();
    while (true) {
        while (const int code = js_next(0))
            if (code % argScale == qRestart)
                return;
        js_wait(0);
    }
}

void WebBackend::run()
{
    lastTurn_ = js_now();
    while (!destroyed_) {
        drain(false);
        if (!destroyed_) {
            if (onPass_)
                onPass_();
            js_wait(0);
            paintOwed_ = true;
        }
    }
}

} // namespace abacoria::web
