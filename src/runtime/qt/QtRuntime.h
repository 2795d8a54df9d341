#pragma once

#include "runtime/ClassicRandom.h"
#include "runtime/Runtime.h"
#include "ui/Layout.h"

#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

class QCloseEvent;
class QTimer;
class QWidget;

namespace abacoria::qtbackend {

class FormWindow;

struct MessageBoxRequest {
    std::string prompt; // line breaks as CRLF, as the handler passed them
    int buttons;
    std::string title; // already defaulted to the application's title
};

// The runtime layer on Qt Widgets: builds the window from the layout table,
// routes widget signals into the event target, and serves the handlers.
class QtRuntime final : public rt::Runtime {
public:
    // Answers message boxes in place of the real dialog (tests, benchmarks).
    using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
    // Starts programs in place of the real launcher (tests).
    using ProgramStarter = std::function<double(std::string_view path, int windowStyle)>;

    QtRuntime();
    ~QtRuntime() override;
    QtRuntime(const QtRuntime&) = delete;
    QtRuntime& operator=(const QtRuntime&) = delete;

    // Raises the load event into target, then shows the window.
    void start(rt::EventTarget& target);
    // Called once when the window has been unloaded (the program ends then).
    void setOnUnloaded(std::function<void()> callback) { onUnloaded_ = std::move(callback); }
    void setMessageBoxHook(MessageBoxHook hook) { messageBoxHook_ = std::move(hook); }
    void setProgramStarter(ProgramStarter starter) { programStarter_ = std::move(starter); }
    // Lets element creation fail with "Out of memory" past this many run-time
    // elements, as a window system with no resources left would.
    void setElementLimit(int limit) { elementLimit_ = limit; }

    // The toolkit side, for tests and benchmarks. Null once the window is gone.
    QWidget* window() const;
    QWidget* widget(rt::Control c) const;
    QTimer* timer() const { return timer_; }
    // Handler calls that reached for the window after it was gone.
    int touchesAfterUnload() const { return touchesAfterUnload_; }
    // How deep handlers are nested right now.
    int handlerDepth() const { return depth_; }

    // Delivers an event the way the window does (the event table decides).
    void raise(const rt::Event& event, std::int16_t* cancel = nullptr);

    // rt::Runtime
    std::string text(rt::Control c) override;
    void setText(rt::Control c, std::string_view text) override;
    std::string caption(rt::Control c) override;
    void setCaption(rt::Control c, std::string_view caption) override;
    bool visible(rt::Control c) override;
    void setVisible(rt::Control c, bool visible) override;
    void setValue(rt::Control c, float value) override;
    void move(rt::Control c, float left, float top) override;
    void zOrder(rt::Control c) override;
    void load(rt::Control c) override;
    void setWindowState(rt::WindowState state) override;
    float scaleWidth() override;
    float scaleHeight() override;
    int msgBox(std::string_view prompt, int buttons, std::optional<std::string_view> title) override;
    bool doEvents() override;
    double shell(std::string_view path, int windowStyle) override;
    float rnd() override { return random_.next(); }
    bool formLoaded() const override { return !formGone_; }

private:
    struct Entry {
        QWidget* widget = nullptr;
        ui::Kind kind = ui::Kind::PushButton;
    };
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using Elements = std::map<int, Entry>;

    void build();
    QWidget* createControl(const ui::ControlSpec& spec);
    void connectClicks(QWidget* widget, const ui::ControlSpec& spec, int index);
    Entry& entry(rt::Control c);
    void checkAlive();
    void onCloseRequest(QCloseEvent* event);
    void onTimer();
    void unloadForm();
    void reportError(int number);

    QPointer<FormWindow> window_; // owned; deleted once no handler runs
    QTimer* timer_ = nullptr;
    QWidget* firstWindowed_ = nullptr; // the bottom of the windowed layer
    std::unordered_map<std::string, Elements, NameHash, std::equal_to<>> controls_;
    rt::EventTarget* target_ = nullptr;
    rt::ClassicRandom random_;
    MessageBoxHook messageBoxHook_;
    ProgramStarter programStarter_;
    std::function<void()> onUnloaded_;
    int elementLimit_ = -1;
    int runtimeElements_ = 0;
    int depth_ = 0;
    bool tickRunning_ = false;
    bool formGone_ = false;
    int touchesAfterUnload_ = 0;
};

} // namespace abacoria::qtbackend
