#include "FloodStamps.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QPaintEvent>
#include <QPushButton>
#include <QWidget>

#include <algorithm>
#include <string>

namespace abacoria::bench {

FloodStamps::FloodStamps(QWidget* window, Turn turn)
    : window_(window)
    , turn_(turn)
{
    marks_.reserve(10000);
}

void FloodStamps::start()
{
    // A move is sent to the button itself: only the application sees them all.
    if (turn_ == Turn::Created)
        window_->installEventFilter(this);
    else
        QCoreApplication::instance()->installEventFilter(this);
    cpuMs_ = processCpuMs();
    xServerCpuMs_ = xServerCpuMs();
    start_ = Clock::now();
}

void FloodStamps::stop()
{
    stop_ = Clock::now();
    cpuMs_ = processCpuMs() - cpuMs_;
    xServerCpuMs_ = xServerCpuMs_ < 0 ? -1 : xServerCpuMs() - xServerCpuMs_;
    window_->removeEventFilter(this);
    QCoreApplication::instance()->removeEventFilter(this);
    // A frame lasts until the next button's turn starts (or the click ends).
    for (Frame& frame : frames_) {
        const auto next = static_cast<std::size_t>(frame.turn + 1);
        frame.ms = msBetween(frame.start, next < marks_.size() ? marks_[next] : stop_);
    }
}

bool FloodStamps::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        // Sent while the new widget is being constructed.
        if (turn_ == Turn::Created && watched == window_ && static_cast<QChildEvent*>(event)->child()->isWidgetType())
            marks_.push_back(Clock::now());
        break;
    case QEvent::Move:
        // Only run-time buttons move; the window's own moves have no parent,
        // and a helper widget of the window's painting is no button.
        if (auto* button = qobject_cast<QPushButton*>(watched);
            turn_ == Turn::Moved && button && button->parentWidget() == window_)
            marks_.push_back(Clock::now());
        break;
    case QEvent::Paint:
        // The window is painted first in a frame that includes it.
        if (watched == window_)
            frames_.push_back({Clock::now(), buttons() - 1, 0,
                               static_cast<QPaintEvent*>(event)->rect() == window_->rect()});
        break;
    default:
        break;
    }
    return false;
}

Clock::time_point FloodStamps::boundary(int done) const
{
    if (done <= 0)
        return start_;
    if (done >= buttons())
        return stop_;
    return marks_[static_cast<std::size_t>(done)];
}

double FloodStamps::spanMs(int first, int last) const { return msBetween(boundary(first), boundary(last)); }

double FloodStamps::workMs(int first, int last) const
{
    double ms = spanMs(first, last);
    for (const Frame& frame : frames_)
        if (std::max(frame.turn, 0) >= first && frame.turn < last) // before the first stamp: the first turn
            ms -= frame.ms;
    return ms;
}

void FloodStamps::report(const char* prefix) const
{
    const std::string p(prefix);
    result((p + "_buttons").c_str(), buttons(), "buttons");
    result((p + "_total_ms").c_str(), totalMs(), "ms");
    result((p + "_cpu_ms").c_str(), cpuMs_, "ms");
    if (xServerCpuMs_ >= 0)
        result((p + "_xserver_cpu_ms").c_str(), xServerCpuMs_, "ms");
    if (buttons() < 2000)
        return;
    const int n = buttons();
    const double first = spanMs(0, 1000);
    const double last = spanMs(n - 1000, n);
    result((p + "_first1000_ms").c_str(), first, "ms");
    result((p + "_last1000_ms").c_str(), last, "ms");
    result((p + "_last_over_first").c_str(), last / first, "x");
    const double firstWork = workMs(0, 1000);
    const double lastWork = workMs(n - 1000, n);
    result((p + "_work_first1000_ms").c_str(), firstWork, "ms");
    result((p + "_work_last1000_ms").c_str(), lastWork, "ms");
    result((p + "_work_last_over_first").c_str(), lastWork / firstWork, "x");
    double paintMs = 0;
    double longest = 0;
    std::vector<double> whole; // frames that painted the whole window
    for (const Frame& frame : frames_) {
        paintMs += frame.ms;
        longest = std::max(longest, frame.ms);
        if (frame.whole)
            whole.push_back(frame.ms);
    }
    result((p + "_frames").c_str(), static_cast<double>(frames_.size()), "frames");
    result((p + "_frames_ms").c_str(), paintMs, "ms");
    result((p + "_longest_frame_ms").c_str(), longest, "ms");
    if (whole.size() >= 2)
        result((p + "_whole_frames_last_over_first").c_str(), whole.back() / whole.front(), "x");
    for (int block = 0; block * 1000 < n; ++block) {
        char name[64];
        std::snprintf(name, sizeof name, "%s_block%02d_ms", prefix, block + 1);
        result(name, spanMs(block * 1000, std::min(n, block * 1000 + 1000)), "ms");
    }
}

} // namespace abacoria::bench
