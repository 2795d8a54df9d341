// The test backend: keeps what the host asks for in plain records and plays
// the window system's part when a test says so. It draws nothing, owns no
// window and starts no program; it only records.
#include "TestBackend.h"

#include "runtime/RuntimeError.h"

#include <algorithm>
#include <stdexcept>

namespace abacoria::testing {

FakeControl& TestBackend::at(rt::ControlId id)
{
    // The host must never reach for a control the backend was not given, or
    // one of a window it destroyed.
    if (!formExists_ || id < 0 || id >= static_cast<rt::ControlId>(controls.size()) || !controls[id].spec)
        throw std::logic_error("the host used a control the backend does not have");
    return controls[static_cast<std::size_t>(id)];
}

void TestBackend::createForm(const ui::WindowSpec& spec)
{
    formExists_ = true;
    client = {ui::toPixels(spec.clientWidth, perPixel), ui::toPixels(spec.clientHeight, perPixel)};
}

void TestBackend::createControl(rt::ControlId id, const ui::ControlSpec& spec)
{
    if (spec.kind == ui::Kind::Timer) {
        timerName = std::string(spec.name); // nothing to draw
        return;
    }
    if (controls.size() <= static_cast<std::size_t>(id))
        controls.resize(static_cast<std::size_t>(id) + 1);
    FakeControl& c = controls[static_cast<std::size_t>(id)];
    c.spec = &spec;
    c.index = spec.index;
    (spec.kind == ui::Kind::TextBox ? c.text : c.caption) = std::string(spec.caption);
    c.visible = spec.visible;
    const ui::PixelRect r = ui::toPixels(spec, perPixel);
    c.left = r.left;
    c.top = r.top;
    c.value = static_cast<float>(spec.minimum);
    stacking.push_back(id);
}

void TestBackend::copyControl(rt::ControlId id, rt::ControlId templ, int index)
{
    FakeControl copy = at(templ);
    copy.index = index;
    copy.visible = false;
    createControl(id, *copy.spec);
    controls[static_cast<std::size_t>(id)] = copy;
}

void TestBackend::showForm(rt::ControlId focusOn)
{
    shown = true;
    focus = focusOn;
}

void TestBackend::destroyForm()
{
    ++destroyed;
    formExists_ = false;
}

void TestBackend::move(rt::ControlId id, int left, int top)
{
    FakeControl& c = at(id);
    c.left = left;
    c.top = top;
}

void TestBackend::bringToFront(rt::ControlId id)
{
    at(id);
    stacking.erase(std::find(stacking.begin(), stacking.end(), id));
    stacking.push_back(id);
}

void TestBackend::setWindowState(rt::WindowState s)
{
    if (s == rt::WindowState::Maximized)
        client = maximizedClient;
    state = s;
}

void TestBackend::startTimer(int intervalMs)
{
    timerInterval = intervalMs;
    timerOn = true;
}

std::optional<int> TestBackend::messageBox(const rt::MessageBoxRequest& request)
{
    boxes.push_back(request);
    if (onBox)
        onBox(request);
    if (!answers.empty()) {
        const std::optional<int> a = answers.front();
        answers.pop_front();
        return a;
    }
    return request.buttons == rt::vbYesNo ? rt::vbYes : rt::vbOK;
}

void TestBackend::processEvents()
{
    ++passes;
    while (!pending.empty()) {
        auto event = std::move(pending.front());
        pending.pop_front();
        event();
    }
}

double TestBackend::startProgram(const std::string& path, int windowStyle)
{
    starts.push_back({path, windowStyle});
    if (startError)
        throw rt::RuntimeError(startError);
    return 4242;
}

} // namespace abacoria::testing
