// The prize flood of the real window: 10000 buttons through the runtime and
// the real handler, then the peak memory, the banner's tick gaps during the
// flood and the time to close the flooded window.
//
// Options: --focus-display gives the display (Text1) the keyboard focus
// before the flood, so its cursor blinks throughout; --count-paints counts
// the paint events of each click (costs a little time itself); --twice
// clicks the banner a second time after the flood, which moves, shows and
// raises every existing button again, and gives the same figures for that
// ("reflood_...") and its time over the first flood's.
#include "platform/qt/Application.h"
#include "BenchCommon.h"
#include "FloodStamps.h"

#include "app/Form1.h"
#include "platform/qt/QtRuntime.h"

#include <QApplication>
#include <QCursor>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace abacoria;
using namespace abacoria::bench;

namespace {

// Sits between the runtime and the handlers: stamps every banner tick, then
// hands the event on unchanged.
class TickStamps final : public rt::EventTarget {
public:
    explicit TickStamps(rt::EventTarget& inner)
        : inner_(inner)
    {
    }
    void onEvent(const rt::Event& event, std::int16_t* cancel) override
    {
        if (event.kind == rt::EventKind::Timer)
            ticks.push_back(Clock::now());
        inner_.onEvent(event, cancel);
    }
    std::vector<Clock::time_point> ticks;

private:
    rt::EventTarget& inner_;
};

// Counts paint events during the flood, split by who receives them.
class PaintCount final : public QObject {
public:
    int prizeButtons = 0;
    int others = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            if (watched->objectName().startsWith(QLatin1String("Command2(")))
                ++prizeButtons;
            else
                ++others;
        }
        return false;
    }
};

bool hasFlag(int argc, char* argv[], const char* flag)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0)
            return true;
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    qtbackend::setUpApplication(); // as the program does
    const bool focusDisplay = hasFlag(argc, argv, "--focus-display");
    const bool countPaints = hasFlag(argc, argv, "--count-paints");
    const bool twice = hasFlag(argc, argv, "--twice");

    qtbackend::QtRuntime runtime;
    app::Form1 form(runtime);
    TickStamps target(form);
    int boxes = 0;
    runtime.setMessageBoxHook([&](const rt::MessageBoxRequest&) {
        ++boxes;
        return rt::vbOK;
    });
    bool unloaded = false;
    runtime.setOnUnloaded([&] { unloaded = true; });
    runtime.start(target);

    QPointer<QWidget> window = runtime.window();
    if (!window || !waitUntil([&] { return window->windowHandle() && window->windowHandle()->isExposed(); }, 10000))
        fail("the window was not shown within 10 s");
    if (focusDisplay) {
        QWidget* display = runtime.widget({"Text1"});
        display->setFocus(Qt::MouseFocusReason);
        if (!waitUntil([&] { return display->hasFocus(); }, 5000))
            fail("the display did not take the focus");
    }
    // The pointer rests on the banner text, as after the click that starts
    // the flood.
    QWidget* banner = runtime.widget({"Label2"});
    const QPoint pointer = banner->mapToGlobal(banner->rect().center());
    QCursor::setPos(pointer);
    if (!waitUntil([&] { return QCursor::pos() == pointer; }, 5000))
        fail("could not place the pointer on the banner");
    // A tick before the flood, so the first gap has a start.
    if (!waitUntil([&] { return !target.ticks.empty(); }, 5000))
        fail("the banner timer did not tick within 5 s");

    // One banner click with its figures under prefix: the turns, the paint
    // events if asked for, and the gaps between banner ticks from the last
    // tick before it to the first one after it (a click that holds the timer
    // up shows there).
    const auto click = [&](FloodStamps& stamps, const char* prefix, int boxesAfter) {
        const std::string p(prefix);
        PaintCount paints;
        if (countPaints)
            app.installEventFilter(&paints);
        const std::size_t ticksBefore = target.ticks.size();
        stamps.start();
        runtime.raise(rt::Event{rt::EventKind::Click, "Label2", -1});
        stamps.stop();
        if (countPaints)
            app.removeEventFilter(&paints);
        if (boxes != boxesAfter || !runtime.window())
            fail(p + " did not run as expected (message boxes: " + std::to_string(boxes) + ")");
        stamps.report(prefix);
        if (countPaints) {
            result((p + "_paints_prize_buttons").c_str(), paints.prizeButtons, "events");
            result((p + "_paints_other").c_str(), paints.others, "events");
        }
        const Clock::time_point end = stamps.stopTime();
        if (!waitUntil([&] { return target.ticks.back() >= end; }, 3000))
            fail("the banner stopped ticking after " + p);
        double longestGap = 0;
        for (std::size_t i = ticksBefore; i < target.ticks.size(); ++i)
            longestGap = std::max(longestGap, msBetween(target.ticks[i - 1], target.ticks[i]));
        result((p + "_ticks_during").c_str(), static_cast<double>(target.ticks.size() - ticksBefore - 1), "ticks");
        result((p + "_longest_tick_gap_ms").c_str(), longestGap, "ms");
    };

    FloodStamps flood(window);
    result("flood_rss_before_mib", residentMiB(), "MiB");
    click(flood, "flood", 1);
    result("flood_rss_after_mib", residentMiB(), "MiB");
    result("flood_peak_rss_mib", peakResidentMiB(), "MiB");

    if (twice) {
        FloodStamps reflood(window, FloodStamps::Turn::Moved);
        click(reflood, "reflood", 2);
        result("reflood_over_flood", reflood.totalMs() / flood.totalMs(), "x");
    }

    // Closing: from the close request to the window and all its widgets
    // being destroyed.
    QEventLoop closed;
    QObject::connect(window, &QObject::destroyed, &closed, &QEventLoop::quit);
    QTimer::singleShot(10000, &closed, &QEventLoop::quit);
    const Clock::time_point closeStart = Clock::now();
    window->close();
    if (window)
        closed.exec();
    const Clock::time_point closeEnd = Clock::now();
    if (window || !unloaded)
        fail("the flooded window was not destroyed within 10 s of the close request");
    result("close_ms", msBetween(closeStart, closeEnd), "ms");
    return 0;
}
