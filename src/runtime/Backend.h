#pragma once

#include "runtime/Runtime.h"
#include "ui/Layout.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace abacoria::rt {

// The host's number for a control. A backend keys its own widgets by it and
// reports clicks with it; it never needs the control's name.
using ControlId = int;

struct MessageBoxRequest {
    std::string prompt; // line breaks as CRLF, as the handler passed them
    int buttons; // vbOKOnly or vbYesNo, checked by the host
    std::string title; // already defaulted to the application's title
};

// What a backend tells its host. Each call may run handlers, nested ones
// included, and may end with the window unloaded.
class BackendEvents {
public:
    virtual void controlClicked(ControlId id) = 0;
    // The user (or the window system) asks to close the window. The backend
    // never closes it by itself.
    virtual void closeRequested() = 0;
    virtual void timerTicked() = 0;

protected:
    ~BackendEvents() = default;
};

// One toolkit's primitives. Everything that is not about the toolkit (names,
// error numbers, element rules, dispatch, the unload protocol) is the host's.
// The host calls these only while the window exists, except where noted.
class Backend {
public:
    virtual ~Backend() = default;

    // Where clicks, close requests and ticks go. Called once, first.
    virtual void attach(BackendEvents& events) = 0;
    // Twips per pixel of the coordinates below (1440 / dpi).
    virtual int twipsPerPixel() const = 0;

    // The window and the controls of the layout table, in the order the host
    // creates them: each new control goes in front of those made before it.
    // The timer's row comes too, for its name; the host runs it through
    // startTimer.
    virtual void createForm(const ui::WindowSpec& spec) = 0;
    virtual void createControl(ControlId id, const ui::ControlSpec& spec) = 0;
    // A hidden push button that copies the template's caption, size,
    // position, font and colours, in front of every other control; index is
    // its element number, for naming it. The host has checked that the
    // template is a push button. Throws RuntimeError(errOutOfMemory) when the
    // window system has no room left.
    virtual void copyControl(ControlId id, ControlId templ, int index) = 0;
    // Controls that take the focus, in tab order.
    virtual void setTabOrder(std::span<const ControlId> order) = 0;
    virtual void showForm(ControlId focus) = 0;
    virtual void hideForm() = 0;
    // Destroys the window and its controls. The host calls it once no
    // handler runs, but possibly from inside a click delivery: a backend
    // defers what its toolkit cannot destroy there.
    virtual void destroyForm() = 0;

    // Properties. The host has checked that the control has them.
    virtual std::string text(ControlId id) = 0;
    virtual void setText(ControlId id, std::string_view text) = 0;
    virtual void setCaption(ControlId id, std::string_view caption) = 0;
    virtual void setVisible(ControlId id, bool visible) = 0;
    // Progress value, within the bar's range. Called for every change; the
    // backend may skip redrawing what would look the same.
    virtual void setValue(ControlId id, float value) = 0;
    virtual void move(ControlId id, int left, int top) = 0; // pixels
    // Front of its layer: surface controls stay beneath windowed ones.
    virtual void bringToFront(ControlId id) = 0;

    virtual void setWindowState(WindowState state) = 0;
    // The client area as the handlers must see it right now, even if the
    // window system has not caught up with a state change yet.
    virtual ui::PixelSize clientSize() = 0;

    virtual void startTimer(int intervalMs) = 0;
    virtual void stopTimer() = 0;

    // Services; these may be called after the window is gone.
    // Blocks until answered (modal to the window while it exists); returns
    // the button's classic code (vbOK, vbYes or vbNo), or none where no box
    // could be shown or it went without an answer.
    virtual std::optional<int> messageBox(const MessageBoxRequest& request) = 0;
    // One pass over the pending events.
    virtual void processEvents() = 0;
    // Starts the program at an absolute path without waiting, with no shell
    // and no search; returns its task id. The host has checked the path and
    // the window style. Throws RuntimeError (errFileNotFound or
    // errInvalidCall).
    virtual double startProgram(const std::string& path, int windowStyle) = 0;
};

} // namespace abacoria::rt
