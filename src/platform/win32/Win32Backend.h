#pragma once

#include "runtime/Backend.h"

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace abacoria::win32 {

// The runtime's primitives on plain Win32: the form is one top-level window;
// buttons, the display and the progress bar are child windows; labels and
// rectangles have no window of their own and are painted and hit-tested by
// the form. The process must be system-dpi-aware (the program's manifest).
class Win32Backend final : public rt::Backend {
public:
    Win32Backend();
    ~Win32Backend() override;
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;

    // Runs the thread's message loop until WM_QUIT; returns its exit code.
    int runMessageLoop();
    // What the message loops do with one message: Enter and Escape are
    // swallowed, the keyboard interface handled, the rest dispatched.
    void dispatch(MSG& msg);

    // The window-system side, for tests and benchmarks.
    HWND window() const { return form_; }
    // The child window of a control; null for labels and rectangles.
    HWND handle(rt::ControlId id) const;
    // Where a control lies in the client area, in pixels.
    RECT rect(rt::ControlId id) const;
    bool shown(rt::ControlId id) const;
    std::string caption(rt::ControlId id) const;
    HFONT font(rt::ControlId id) const;
    // The label a click at this client point goes to, if it reaches none of
    // the child windows; -1 for none.
    rt::ControlId labelAt(POINT client) const;
    int dpi() const { return dpi_; }

    void attach(rt::BackendEvents& events) override { events_ = &events; }
    int twipsPerPixel() const override { return ui::twipsPerPixelAt(dpi_); }
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
        HWND hwnd = nullptr; // none for surface controls
        RECT rect{}; // surface controls: where they are painted
        std::wstring caption; // surface labels
        bool visible = false; // surface controls
        bool autoSize = false;
        SIZE design{}; // self-sizing labels: their size at design time
        std::wstring designCaption; // and the caption it was for
        COLORREF textColor = 0;
        std::optional<COLORREF> fill; // button face, rectangle fill
        HFONT font = nullptr;
        int minimum = 0, maximum = 0; // progress bar
        int drawnFill = -1; // progress bar: the fill last sent, in pixels
        int sentPos = 0; // and the position that came with it
        int barWidth = 0;
        bool pendingFront = false; // a new copy, not yet raised to the front
    };

    static LRESULT CALLBACK formProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void paint();
    void drawButton(const DRAWITEMSTRUCT& item);
    void mouse(UINT msg, POINT at);
    rt::ControlId idOfChild(HWND child) const;
    Item* item(rt::ControlId id);
    const Item* item(rt::ControlId id) const;
    Item& store(rt::ControlId id);
    HFONT fontFor(const ui::Font& font);
    void fitLabel(Item& label);
    void invalidate(const RECT& r);
    void restoreFocus();

    rt::BackendEvents* events_ = nullptr;
    HINSTANCE instance_;
    HWND form_ = nullptr;
    HBRUSH background_ = nullptr;
    HPEN outline_ = nullptr;
    int dpi_ = 96;
    DWORD windowQuota_ = 10000;
    HFONT defaultFont_ = nullptr;
    std::map<std::tuple<std::wstring, long, bool>, HFONT> fonts_;
    std::map<COLORREF, HBRUSH> brushes_;
    std::vector<Item> items_; // by ControlId
    std::vector<rt::ControlId> surface_; // painting order, back to front
    rt::ControlId pressed_ = -1; // label under a held mouse button
    HWND lastFocus_ = nullptr;
    int inProc_ = 0; // nesting of the form's window procedure
    bool unloaded_ = false;
    bool timerRunning_ = false;
};

} // namespace abacoria::win32
