#include "FloodStamps.h"

#include <QChildEvent>
#include <QWidget>

#include <string>

namespace abacoria::bench {

FloodStamps::FloodStamps(QWidget* window)
    : window_(window)
{
    created_.reserve(10000);
    window->installEventFilter(this);
}

void FloodStamps::start()
{
    cpuMs_ = processCpuMs();
    xServerCpuMs_ = xServerCpuMs();
    start_ = Clock::now();
}

void FloodStamps::stop()
{
    stop_ = Clock::now();
    cpuMs_ = processCpuMs() - cpuMs_;
    xServerCpuMs_ = xServerCpuMs_ < 0 ? -1 : xServerCpuMs() - xServerCpuMs_;
}

bool FloodStamps::eventFilter(QObject* watched, QEvent* event)
{
    // ChildAdded is sent while the new widget is being constructed.
    if (watched == window_ && event->type() == QEvent::ChildAdded
        && static_cast<QChildEvent*>(event)->child()->isWidgetType())
        created_.push_back(Clock::now());
    return false;
}

Clock::time_point FloodStamps::boundary(int done) const
{
    if (done <= 0)
        return start_;
    if (done >= buttons())
        return stop_;
    return created_[static_cast<std::size_t>(done)];
}

double FloodStamps::spanMs(int first, int last) const { return msBetween(boundary(first), boundary(last)); }

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
    for (int block = 0; block * 1000 < n; ++block) {
        char name[64];
        std::snprintf(name, sizeof name, "%s_block%02d_ms", prefix, block + 1);
        result(name, spanMs(block * 1000, std::min(n, block * 1000 + 1000)), "ms");
    }
}

} // namespace abacoria::bench
