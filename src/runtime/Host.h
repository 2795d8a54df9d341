#pragma once

#include "runtime/Backend.h"
#include "runtime/ClassicRandom.h"
#include "runtime/Runtime.h"

#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace abacoria::rt {

// The runtime layer the handlers see, over any backend: the controls by name
// and element, their classic errors, the element rules, the event dispatch
// with its default error handling, the tick guard, the close protocol and the
// services. The window is built from the layout table on construction.
class Host : public Runtime, private BackendEvents {
public:
    // Answers message boxes in place of the backend's (tests, benchmarks).
    using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
    // Starts programs in place of the path rules and the backend (tests).
    using ProgramStarter = std::function<double(std::string_view path, int windowStyle)>;

    explicit Host(Backend& backend);
    ~Host() override;
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Raises the load event into target, then shows the window and starts
    // the timer, with the focus on the first control in tab order.
    void start(EventTarget& target);
    // Called once, when the window has been unloaded (the program ends then).
    void setOnUnloaded(std::function<void()> callback) { onUnloaded_ = std::move(callback); }
    void setMessageBoxHook(MessageBoxHook hook) { messageBoxHook_ = std::move(hook); }
    void setProgramStarter(ProgramStarter starter) { programStarter_ = std::move(starter); }
    // Lets element creation fail with "Out of memory" past this many run-time
    // elements, as a window system with no resources left would.
    void setElementLimit(int limit) { elementLimit_ = limit; }

    // Delivers an event the way the window does (the event table decides).
    void raise(const Event& event, std::int16_t* cancel = nullptr);

    // The backend's number for a control; none once the window is gone.
    std::optional<ControlId> idOf(Control c) const;
    // Handler calls that reached for the window after it was gone.
    int touchesAfterUnload() const { return touchesAfterUnload_; }
    // How deep handlers are nested right now.
    int handlerDepth() const { return depth_; }
    bool timerRunning() const { return timerRunning_; }

    // Runtime
    std::string text(Control c) override;
    void setText(Control c, std::string_view text) override;
    std::string caption(Control c) override;
    void setCaption(Control c, std::string_view caption) override;
    bool visible(Control c) override;
    void setVisible(Control c, bool visible) override;
    void setValue(Control c, float value) override;
    void move(Control c, float left, float top) override;
    void zOrder(Control c) override;
    void load(Control c) override;
    void setWindowState(WindowState state) override;
    float scaleWidth() override;
    float scaleHeight() override;
    int msgBox(std::string_view prompt, int buttons, std::optional<std::string_view> title) override;
    bool doEvents() override;
    double shell(std::string_view path, int windowStyle) override;
    float rnd() override { return random_.next(); }
    bool formLoaded() const override { return !formGone_; }

private:
    // What the host knows of a control; the backend draws it.
    struct Entry {
        const ui::ControlSpec* spec; // the stored row, or the template's for copies
        int index;
        std::string caption;
        bool visible = false;
    };
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };

    // BackendEvents
    void controlClicked(ControlId id) override;
    void closeRequested() override;
    void timerTicked() override;

    void build();
    ControlId add(const ui::ControlSpec& spec, int index);
    // The control's number, or its classic error. No kinds: any but the timer.
    ControlId idFor(Control c, std::initializer_list<ui::Kind> kinds = {});
    Entry& at(ControlId id) { return entries_[static_cast<std::size_t>(id)]; }
    void checkAlive();
    void unloadForm();
    void reportError(int number);

    Backend& backend_;
    std::vector<Entry> entries_; // by ControlId
    std::vector<ControlId> tabOrder_;
    std::unordered_map<std::string, std::map<int, ControlId>, NameHash, std::equal_to<>> names_;
    EventTarget* target_ = nullptr;
    ClassicRandom random_;
    MessageBoxHook messageBoxHook_;
    ProgramStarter programStarter_;
    std::function<void()> onUnloaded_;
    const ui::ControlSpec* timer_ = nullptr; // its row: its name and interval
    int elementLimit_ = -1;
    int runtimeElements_ = 0;
    int depth_ = 0;
    bool tickRunning_ = false;
    bool timerRunning_ = false;
    bool formGone_ = false;
    bool formDestroyed_ = false;
    int touchesAfterUnload_ = 0;
};

namespace detail {
template <class B>
struct OwnedBackend {
    B owned;
};
} // namespace detail

// A host together with the backend it runs on: the backend is made before
// the host and outlives it.
template <class B>
class HostOver : private detail::OwnedBackend<B>, public Host {
public:
    HostOver()
        : Host(this->owned)
    {
    }
    B& backend() { return this->owned; }
    const B& backend() const { return this->owned; }
};

} // namespace abacoria::rt
