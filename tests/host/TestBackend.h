#pragma once

// A backend with no toolkit: it keeps what the host asks of it in plain
// records, and plays the window system's part (clicks, close requests,
// ticks, pending events) when a test says so.
#include "runtime/Backend.h"
#include "runtime/Host.h"
#include "app/Form1.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace abacoria::testing {

struct FakeControl {
    const ui::ControlSpec* spec = nullptr; // the template's, for copies
    int index = -1; // element number of a copy
    std::string text;
    std::string caption;
    bool visible = false;
    int left = 0, top = 0; // pixels
    float value = 0;
};

struct ProgramStart {
    std::string path;
    int windowStyle;
};

class TestBackend final : public rt::Backend {
public:
    // What the window looks like to the backend.
    std::vector<FakeControl> controls; // by ControlId
    std::vector<rt::ControlId> stacking; // back to front
    std::vector<rt::ControlId> tabOrder;
    rt::ControlId focus = -1;
    bool shown = false, hidden = false;
    int destroyed = 0;
    rt::WindowState state = rt::WindowState::Normal;
    ui::PixelSize client{185, 281};
    ui::PixelSize maximizedClient{1280, 960};
    int perPixel = 15;
    std::string timerName; // from the timer's row
    int timerInterval = 0;
    bool timerOn = false;

    // Message boxes: recorded, answered from `answers` (none: the box went
    // without an answer), else with the first button.
    std::vector<rt::MessageBoxRequest> boxes;
    std::deque<std::optional<int>> answers;
    std::function<void(const rt::MessageBoxRequest&)> onBox; // runs while the box is open
    // Events waiting for the next pass; a pass runs them all, in order,
    // with those they queue.
    std::deque<std::function<void()>> pending;
    int passes = 0;
    std::vector<ProgramStart> starts;
    int startError = 0; // non-zero: the start fails with this number

    // The window system's side.
    void click(rt::ControlId id) { events_->controlClicked(id); }
    void requestClose() { events_->closeRequested(); }
    void tick() { events_->timerTicked(); }

    rt::ControlId idOfTopmost() const { return stacking.empty() ? -1 : stacking.back(); }

    // rt::Backend
    void attach(rt::BackendEvents& events) override { events_ = &events; }
    int twipsPerPixel() const override { return perPixel; }
    void createForm(const ui::WindowSpec& spec) override;
    void createControl(rt::ControlId id, const ui::ControlSpec& spec) override;
    void copyControl(rt::ControlId id, rt::ControlId templ, int index) override;
    void setTabOrder(std::span<const rt::ControlId> order) override { tabOrder.assign(order.begin(), order.end()); }
    void showForm(rt::ControlId focusOn) override;
    void hideForm() override { hidden = true; }
    void destroyForm() override;
    std::string text(rt::ControlId id) override { return at(id).text; }
    void setText(rt::ControlId id, std::string_view text) override { at(id).text = std::string(text); }
    void setCaption(rt::ControlId id, std::string_view caption) override { at(id).caption = std::string(caption); }
    void setVisible(rt::ControlId id, bool visible) override { at(id).visible = visible; }
    void setValue(rt::ControlId id, float value) override { at(id).value = value; }
    void move(rt::ControlId id, int left, int top) override;
    void bringToFront(rt::ControlId id) override;
    void setWindowState(rt::WindowState s) override;
    ui::PixelSize clientSize() override { return client; }
    void startTimer(int intervalMs) override;
    void stopTimer() override { timerOn = false; }
    std::optional<int> messageBox(const rt::MessageBoxRequest& request) override;
    void processEvents() override;
    double startProgram(const std::string& path, int windowStyle) override;

    FakeControl& at(rt::ControlId id);

private:
    rt::BackendEvents* events_ = nullptr;
    bool formExists_ = false;
};

// The real handlers on a host over the test backend. Program starts are
// left to the host's path rule and the backend.
struct TestProgram {
    explicit TestProgram(bool start = true)
    {
        host.setOnUnloaded([this] { ++unloads; });
        if (start)
            host.start(form);
    }

    rt::ControlId id(rt::Control c) const { return *host.idOf(c); }
    FakeControl& control(rt::Control c) { return backend.at(id(c)); }
    void click(rt::Control c) { backend.click(id(c)); }
    std::string display() { return host.text({"Text1"}); }

    TestBackend backend;
    rt::Host host{backend};
    app::Form1 form{host};
    int unloads = 0;
};

} // namespace abacoria::testing
