#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace abacoria::rt {

// Classic booleans are 16-bit: True is -1, False is 0.
using Boolean = std::int16_t;
inline constexpr Boolean vbTrue = -1;
inline constexpr Boolean vbFalse = 0;

// Message box button sets and results.
inline constexpr int vbOKOnly = 0;
inline constexpr int vbYesNo = 4;
inline constexpr int vbOK = 1;
inline constexpr int vbCancel = 2;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;

// Window styles for starting a program; no other number is one.
inline constexpr int vbHide = 0;
inline constexpr int vbNormalFocus = 1;
inline constexpr int vbMinimizedFocus = 2;
inline constexpr int vbMaximizedFocus = 3;
inline constexpr int vbNormalNoFocus = 4;
inline constexpr int vbMinimizedNoFocus = 6;

inline constexpr std::string_view vbCrLf = "\r\n";

// A control addressed the classic way: by name, plus the element index for
// members of a control array (-1 for a plain control).
struct Control {
    std::string_view name;
    int index = -1;
};

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

// The events the window raises into its handlers.
enum class EventKind { Load, Unload, Click, Timer };

struct Event {
    EventKind kind;
    std::string_view control; // empty for the window's own events
    int index = -1;
};

// The receiver of the window's events: the handlers' event table.
class EventTarget {
public:
    virtual ~EventTarget() = default;
    // cancel is the unload event's in/out argument, null for other events.
    virtual void onEvent(const Event& event, std::int16_t* cancel) = 0;
};

// What the handlers may ask of the window and of the platform. Everything a
// handler does goes through here, so a second backend can serve the same
// handlers. Any call may throw RuntimeError (a classic failure) or
// FormUnloaded (the window is gone).
class Runtime {
public:
    virtual ~Runtime() = default;

    // Control properties.
    virtual std::string text(Control c) = 0;
    virtual void setText(Control c, std::string_view text) = 0;
    virtual std::string caption(Control c) = 0;
    virtual void setCaption(Control c, std::string_view caption) = 0;
    virtual bool visible(Control c) = 0;
    virtual void setVisible(Control c, bool visible) = 0;
    virtual void setValue(Control c, float value) = 0;
    // Left and top in twips; size unchanged.
    virtual void move(Control c, float left, float top) = 0;
    // Front of the stacking order.
    virtual void zOrder(Control c) = 0;
    // Creates element c.index of the array c.name as a hidden copy of element 0.
    virtual void load(Control c) = 0;

    // The window itself.
    virtual void setWindowState(WindowState state) = 0;
    virtual float scaleWidth() = 0; // client area, twips
    virtual float scaleHeight() = 0;

    // Services.
    // Blocks until answered; returns vbOK, vbYes or vbNo. No title: the
    // application's title.
    virtual int msgBox(std::string_view prompt, int buttons,
                       std::optional<std::string_view> title = std::nullopt) = 0;
    // One pass over the pending events. Returns false if the window was
    // destroyed meanwhile: the caller must then stop without touching it.
    virtual bool doEvents() = 0;
    // Starts a program without waiting; returns its task id.
    virtual double shell(std::string_view path, int windowStyle) = 0;
    // Next value of the program-wide random sequence, in [0, 1).
    virtual float rnd() = 0;

    // Whether the window still exists.
    virtual bool formLoaded() const = 0;
};

} // namespace abacoria::rt
