#pragma once

#include "runtime/Backend.h"

#include <functional>
#include <string>
#include <vector>

namespace abacoria::web {

// The runtime's primitives in a browser page: the page (page.js) draws the
// window in the DOM and queues what the user does; this side keeps every
// control's geometry itself, so that nothing here ever reads layout back, and
// drains the queue from its own loops. Blocking (the event loop, message
// boxes, an event pass) suspends the WebAssembly stack through Asyncify.
class WebBackend final : public rt::Backend {
public:
    // The frame the page draws around the client area, in CSS pixels.
    static constexpr int titleBarHeight = 18;
    static constexpr int borderWidth = 3;

    WebBackend();
    ~WebBackend() override;
    WebBackend(const WebBackend&) = delete;
    WebBackend& operator=(const WebBackend&) = delete;

    // Handles events until the window has been destroyed.
    void run();
    // Called at every event pass and before each wait for events, so that
    // the page can mirror what the handlers changed.
    void setOnPass(std::function<void()> hook) { onPass_ = std::move(hook); }

    void attach(rt::BackendEvents& events) override { events_ = &events; }
    int twipsPerPixel() const override { return ui::twipsPerPixel; }
    void createForm(const ui::WindowSpec& spec) override;
    void createControl(rt::ControlId id, const ui::ControlSpec& spec) override;
    void copyControl(rt::ControlId id, rt::ControlId templ, int index) override;
    void setTabOrder(std::span<const rt::ControlId> order) override;
    void showForm(rt::ControlId focus) override;
    void hideForm() override;
    void destroyForm() override;
    std::string text(rt::ControlId id) override;
    void setText(rt::ControlId id, std::string_view text) override;
    void setCaption(rt::ControlId id, std::string_view caption) override;
    void setVisible(rt::ControlId id, bool visible) override;
    void setValue(rt::ControlId id, float value) override;
    void move(rt::ControlId id, int left, int top) override;
    void bringToFront(rt::ControlId id) override;
    void setWindowState(rt::WindowState state) override;
    ui::PixelSize clientSize() override;
    void startTimer(int intervalMs) override;
    void stopTimer() override;
    std::optional<int> messageBox(const rt::MessageBoxRequest& request) override;
    void processEvents() override;
    double startProgram(const std::string& path, int windowStyle) override;

private:
    struct Item {
        ui::Kind kind = ui::Kind::Label;
        bool exists = false;
        // Self-sizing labels: their font, design size and design measure.
        std::string font;
        int designWidth = 0, designHeight = 0, designAdvance = 0;
        // Progress bar: its range, inner width and the fill last drawn.
        int minimum = 0, maximum = 0, barWidth = 0, drawnFill = -1;
    };

    Item* item(rt::ControlId id);
    // Handles every queued event that may run now; modal: only ticks and
    // message-box answers. Returns the answer it met, or 0.
    int drain(bool modal);
    int dispatch(int code, bool modal);

    rt::BackendEvents* events_ = nullptr;
    std::function<void()> onPass_;
    std::vector<Item> items_; // by ControlId
    ui::PixelSize normal_{};
    bool formExists_ = false;
    bool maximized_ = false;
    bool destroyed_ = false;
    double lastTurn_ = 0;
    bool paintOwed_ = false; // the next event pass waits for a frame
};

// The page around the window.
// While on, leaving the page asks the browser's own "leave this page?".
void setLeaveGuard(bool on);
// Says that the program has ended and waits for the user to start it again.
void waitForRestart();

} // namespace abacoria::web
