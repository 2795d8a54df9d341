// The Windows figures, under Wine or on Windows, on the real window with the
// real handlers (message boxes answered at once): the counting loop of "=",
// the prize flood of 10000 buttons with its first and last 1000, a second
// banner click that moves them all again, and closing the flooded window.
// Prints "RESULT name value unit" lines (bench/README.md).
#include "app/Form1.h"
#include "platform/win32/Win32Runtime.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace abacoria;
using Clock = std::chrono::steady_clock;

namespace {

double msBetween(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

void result(const char* name, double value, const char* unit)
{
    std::printf("RESULT %s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

[[noreturn]] void fail(const std::string& why)
{
    std::fprintf(stderr, "bench_win32: %s\n", why.c_str());
    std::exit(1);
}

// When each window of the flood was created: a creation hook on this thread.
std::vector<Clock::time_point> created;
LRESULT CALLBACK onCreate(int code, WPARAM wp, LPARAM lp)
{
    if (code == HCBT_CREATEWND)
        created.push_back(Clock::now());
    return CallNextHookEx(nullptr, code, wp, lp);
}

// When each button of the second click began to move: the first position
// change of a child window in a row of them (move, then raise), from a hook
// on the messages sent on this thread.
std::vector<Clock::time_point> moved;
HWND lastMoved = nullptr;
LRESULT CALLBACK onSent(int code, WPARAM wp, LPARAM lp)
{
    const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && msg->message == WM_WINDOWPOSCHANGING && msg->hwnd != lastMoved &&
        (GetWindowLongW(msg->hwnd, GWL_STYLE) & WS_CHILD)) {
        lastMoved = msg->hwnd;
        moved.push_back(Clock::now());
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

struct Click {
    Clock::time_point start, end;
};

// The banner clicked, with a hook on this thread stamping its buttons.
Click clickBanner(win32::Win32Runtime& runtime, int hookType, HOOKPROC stamp)
{
    HHOOK hook = SetWindowsHookExW(hookType, stamp, nullptr, GetCurrentThreadId());
    Click click{Clock::now(), {}};
    runtime.raise(rt::Event{rt::EventKind::Click, "Label2", -1});
    click.end = Clock::now();
    UnhookWindowsHookEx(hook);
    return click;
}

// A click's total, and its first and last 1000 buttons by their stamps.
void report(const std::string& name, const Click& click, const std::vector<Clock::time_point>& stamps,
            const char* verb)
{
    if (stamps.size() < 10000)
        fail(name + ": " + verb + " " + std::to_string(stamps.size()) + " windows");
    const std::size_t n = stamps.size();
    const double first = msBetween(click.start, stamps[999]);
    const double last = msBetween(stamps[n - 1001], click.end);
    result((name + "_total_ms").c_str(), msBetween(click.start, click.end), "ms");
    result((name + "_first1000_ms").c_str(), first, "ms");
    result((name + "_last1000_ms").c_str(), last, "ms");
    result((name + "_last_over_first").c_str(), last / first, "x");
}

} // namespace

int main()
{
    SetProcessDPIAware(); // as the program's manifest says
    win32::Win32Runtime runtime;
    app::Form1 form(runtime);
    int boxes = 0;
    runtime.setMessageBoxHook([&](const rt::MessageBoxRequest& r) {
        ++boxes;
        return r.buttons == rt::vbYesNo ? rt::vbYes : rt::vbOK;
    });
    runtime.start(form);
    win32::Win32Backend& backend = runtime.backend();
    backend.processEvents();

    // The loop of "=" on its own, with the bar shown as the handler shows it.
    const rt::Control calc{"calc"};
    runtime.setVisible(calc, true);
    backend.processEvents();
    const Clock::time_point loopStart = Clock::now();
    for (double counter = 1; counter <= 250000; counter += 1)
        runtime.setValue(calc, static_cast<float>(counter));
    result("win32_equals_loop_ms", msBetween(loopStart, Clock::now()), "ms");
    runtime.setVisible(calc, false);
    backend.processEvents();

    // The flood: the banner click, from the prize box answered to the last
    // button shown.
    created.reserve(10100);
    const Click flood = clickBanner(runtime, WH_CBT, onCreate);
    if (boxes != 1 || !runtime.window())
        fail("the flood did not run as expected");
    report("win32_flood", flood, created, "created");

    // A second banner click, which moves, shows and raises every button again.
    moved.reserve(10100);
    const Click reflood = clickBanner(runtime, WH_CALLWNDPROC, onSent);
    if (boxes != 2 || !runtime.window())
        fail("the second banner click did not run as expected");
    report("win32_reflood", reflood, moved, "moved");
    result("win32_reflood_over_flood", msBetween(reflood.start, reflood.end) / msBetween(flood.start, flood.end), "x");

    // Closing: from the close request to the window and its 10000 buttons
    // being destroyed.
    HWND window = backend.window();
    bool unloaded = false;
    Clock::time_point hidden{};
    runtime.setOnUnloaded([&] {
        unloaded = true;
        hidden = Clock::now(); // the window is hidden, its destruction due
    });
    const Clock::time_point closeStart = Clock::now();
    PostMessageW(window, WM_CLOSE, 0, 0);
    while (IsWindow(window) && msBetween(closeStart, Clock::now()) < 20000) {
        backend.processEvents();
        if (IsWindow(window))
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    const Clock::time_point closeEnd = Clock::now();
    if (IsWindow(window) || !unloaded)
        fail("the flooded window was not destroyed within 20 s of the close request");
    result("win32_close_ms", msBetween(closeStart, closeEnd), "ms");
    result("win32_close_hide_ms", msBetween(closeStart, hidden), "ms");
    result("win32_close_destroy_ms", msBetween(hidden, closeEnd), "ms");
    return 0;
}
