#include "runtime/Host.h"

#include "runtime/ProgramPath.h"
#include "runtime/RuntimeError.h"

#include <algorithm>
#include <new>
#include <utility>

namespace abacoria::rt {

namespace {

// Labels, rectangles, the timer and the progress bar never take the focus.
bool takesFocus(ui::Kind kind) { return kind == ui::Kind::PushButton || kind == ui::Kind::TextBox; }

std::string_view applicationTitle() { return ui::window().caption; }

bool isWindowStyle(int style)
{
    switch (style) {
    case vbHide:
    case vbNormalFocus:
    case vbMinimizedFocus:
    case vbMaximizedFocus:
    case vbNormalNoFocus:
    case vbMinimizedNoFocus: return true;
    default: return false;
    }
}

// A box's answer, if it is one of the box's own buttons.
bool answers(int buttons, int answer)
{
    return buttons == vbYesNo ? answer == vbYes || answer == vbNo : answer == vbOK;
}

} // namespace

Host::Host(Backend& backend)
    : backend_(backend)
{
    backend_.attach(*this);
    build();
}

Host::~Host() = default;

void Host::build()
{
    backend_.createForm(ui::window());
    std::vector<std::pair<int, ControlId>> tabs;
    for (const ui::ControlSpec* s : ui::creationOrder()) {
        const ControlId id = add(*s, s->index);
        if (s->kind == ui::Kind::Timer)
            timer_ = s;
        backend_.createControl(id, *s);
        if (takesFocus(s->kind) && s->tabIndex >= 0)
            tabs.emplace_back(s->tabIndex, id);
    }
    std::sort(tabs.begin(), tabs.end());
    for (const auto& t : tabs)
        tabOrder_.push_back(t.second);
    backend_.setTabOrder(tabOrder_);
}

ControlId Host::add(const ui::ControlSpec& spec, int index)
{
    const auto id = static_cast<ControlId>(entries_.size());
    entries_.push_back(Entry{&spec, index, std::string(spec.caption), spec.visible});
    names_[std::string(spec.name)][index] = id;
    return id;
}

void Host::start(EventTarget& target)
{
    target_ = &target;
    raise(Event{EventKind::Load, {}, -1});
    if (formGone_)
        return;
    // The focus starts on the first control in tab order that is shown.
    ControlId focus = -1;
    for (const ControlId id : tabOrder_)
        if (at(id).visible) {
            focus = id;
            break;
        }
    backend_.showForm(focus);
    if (timer_ && timer_->interval > 0) {
        backend_.startTimer(timer_->interval);
        timerRunning_ = true;
    }
}

void Host::raise(const Event& event, std::int16_t* cancel)
{
    if (formGone_ || !target_)
        return;
    ++depth_;
    try {
        target_->onEvent(event, cancel);
    } catch (const RuntimeError& e) {
        reportError(e.number());
    } catch (const FormUnloaded&) {
        // The handler outlived its window; it has stopped, nothing to report.
    } catch (const std::bad_alloc&) {
        reportError(errOutOfMemory);
    }
    --depth_;
    if (depth_ == 0 && formGone_ && !formDestroyed_) {
        // No handler is running any more: nothing can touch the window now.
        formDestroyed_ = true;
        backend_.destroyForm();
    }
}

void Host::reportError(int number)
{
    // The classic runtime ended the program here; we report and go on.
    if (!formGone_)
        msgBox(runTimeErrorMessage(number), vbOKOnly, applicationTitle());
}

void Host::controlClicked(ControlId id)
{
    if (formGone_ || id < 0 || id >= static_cast<ControlId>(entries_.size()))
        return;
    const Entry& e = at(id);
    raise(Event{EventKind::Click, e.spec->name, e.index});
}

void Host::timerTicked()
{
    // Never two ticks at once, even if a tick's error box lets events run.
    if (tickRunning_ || formGone_ || !timer_)
        return;
    tickRunning_ = true;
    raise(Event{EventKind::Timer, timer_->name, -1});
    tickRunning_ = false;
}

void Host::closeRequested()
{
    if (formGone_)
        return;
    std::int16_t cancel = 0;
    raise(Event{EventKind::Unload, {}, -1}, &cancel);
    if (cancel == 0 && !formGone_)
        unloadForm();
}

void Host::unloadForm()
{
    formGone_ = true;
    if (timerRunning_) {
        backend_.stopTimer();
        timerRunning_ = false;
    }
    backend_.hideForm();
    names_.clear();
    entries_.clear();
    entries_.shrink_to_fit();
    tabOrder_.clear();
    if (depth_ == 0 && !formDestroyed_) {
        formDestroyed_ = true;
        backend_.destroyForm();
    }
    if (onUnloaded_)
        onUnloaded_();
}

std::optional<ControlId> Host::idOf(Control c) const
{
    if (formGone_)
        return std::nullopt;
    const auto it = names_.find(c.name);
    if (it == names_.end())
        return std::nullopt;
    const auto el = it->second.find(c.index);
    if (el == it->second.end())
        return std::nullopt;
    return el->second;
}

void Host::checkAlive()
{
    if (formGone_) {
        ++touchesAfterUnload_;
        throw FormUnloaded();
    }
}

ControlId Host::idFor(Control c, std::initializer_list<ui::Kind> kinds)
{
    checkAlive();
    const auto it = names_.find(c.name);
    if (it == names_.end())
        throw RuntimeError(errObjectRequired);
    const auto el = it->second.find(c.index);
    if (el == it->second.end())
        throw RuntimeError(c.index >= 0 ? errElementMissing : errObjectRequired);
    const ui::Kind kind = entries_[static_cast<std::size_t>(el->second)].spec->kind;
    const bool supported = kinds.size() == 0 ? kind != ui::Kind::Timer
                                             : std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
    if (!supported)
        throw RuntimeError(errNotSupported);
    return el->second;
}

std::string Host::text(Control c)
{
    return backend_.text(idFor(c, {ui::Kind::TextBox}));
}

void Host::setText(Control c, std::string_view text)
{
    backend_.setText(idFor(c, {ui::Kind::TextBox}), text);
}

std::string Host::caption(Control c)
{
    return at(idFor(c, {ui::Kind::PushButton, ui::Kind::Label})).caption;
}

void Host::setCaption(Control c, std::string_view caption)
{
    const ControlId id = idFor(c, {ui::Kind::PushButton, ui::Kind::Label});
    at(id).caption = std::string(caption);
    backend_.setCaption(id, caption);
}

bool Host::visible(Control c)
{
    // The control's own visibility, whether or not the window is shown.
    return at(idFor(c)).visible;
}

void Host::setVisible(Control c, bool visible)
{
    const ControlId id = idFor(c);
    at(id).visible = visible;
    backend_.setVisible(id, visible);
}

void Host::setValue(Control c, float value)
{
    const ControlId id = idFor(c, {ui::Kind::ProgressBar});
    const ui::ControlSpec& s = *at(id).spec;
    if (!(value >= static_cast<float>(s.minimum) && value <= static_cast<float>(s.maximum)))
        throw RuntimeError(errInvalidPropertyValue);
    backend_.setValue(id, value);
}

void Host::move(Control c, float left, float top)
{
    const ControlId id = idFor(c);
    const int tpp = backend_.twipsPerPixel();
    backend_.move(id, ui::toPixels(left, tpp), ui::toPixels(top, tpp));
}

void Host::zOrder(Control c)
{
    backend_.bringToFront(idFor(c));
}

void Host::load(Control c)
{
    checkAlive();
    const auto it = names_.find(c.name);
    if (it == names_.end())
        throw RuntimeError(errObjectRequired);
    std::map<int, ControlId>& elements = it->second;
    if (elements.count(c.index))
        throw RuntimeError(errAlreadyLoaded);
    const auto templ = elements.find(0);
    if (templ == elements.end() || c.index < 0 || at(templ->second).spec->kind != ui::Kind::PushButton)
        throw RuntimeError(errInvalidCall);
    if (elementLimit_ >= 0 && runtimeElements_ >= elementLimit_)
        throw RuntimeError(errOutOfMemory);

    const Entry& source = at(templ->second);
    const ui::ControlSpec* spec = source.spec;
    std::string caption = source.caption;
    const auto id = static_cast<ControlId>(entries_.size());
    backend_.copyControl(id, templ->second, c.index); // first: a failure leaves no trace
    entries_.push_back(Entry{spec, c.index, std::move(caption), false});
    elements.emplace(c.index, id);
    ++runtimeElements_;
}

void Host::setWindowState(WindowState state)
{
    checkAlive();
    backend_.setWindowState(state);
}

float Host::scaleWidth()
{
    checkAlive();
    return ui::toTwips(backend_.clientSize().width, backend_.twipsPerPixel());
}

float Host::scaleHeight()
{
    checkAlive();
    return ui::toTwips(backend_.clientSize().height, backend_.twipsPerPixel());
}

int Host::msgBox(std::string_view prompt, int buttons, std::optional<std::string_view> title)
{
    if (buttons != vbOKOnly && buttons != vbYesNo)
        throw RuntimeError(errInvalidCall);
    const std::string_view shownTitle = title && !title->empty() ? *title : applicationTitle();
    const MessageBoxRequest request{std::string(prompt), buttons, std::string(shownTitle)};
    if (messageBoxHook_)
        return messageBoxHook_(request);
    const std::optional<int> answer = backend_.messageBox(request);
    if (answer && answers(buttons, *answer))
        return *answer;
    // No box could be shown, or it went without an answer (the program is
    // ending under it): the answer that does least, as Escape gives.
    return buttons == vbYesNo ? vbNo : vbOK;
}

bool Host::doEvents()
{
    if (formGone_)
        return false;
    backend_.processEvents();
    return !formGone_;
}

double Host::shell(std::string_view path, int windowStyle)
{
    if (!isWindowStyle(windowStyle))
        throw RuntimeError(errInvalidCall);
    if (programStarter_)
        return programStarter_(path, windowStyle);
    return backend_.startProgram(programPathForThisSystem(path), windowStyle);
}

} // namespace abacoria::rt
