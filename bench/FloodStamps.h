#pragma once
// Timing of a button flood from the outside: every widget added to the window
// is stamped the moment it is created, which marks the end of the previous
// button's turn (created, placed, shown, raised, one event pass).

#include "BenchCommon.h"

#include <QObject>

#include <vector>

class QWidget;

namespace abacoria::bench {

class FloodStamps final : public QObject {
public:
    explicit FloodStamps(QWidget* window);

    void start();
    void stop();
    Clock::time_point stopTime() const { return stop_; }
    int buttons() const { return static_cast<int>(created_.size()); }
    double totalMs() const { return msBetween(start_, stop_); }
    // Time spent on buttons first+1 to last (1-based, inclusive ends at
    // last): from the creation of button first+1 (or the start) to the
    // creation of button last+1 (or the end).
    double spanMs(int first, int last) const;
    // The figures of one flood under the given prefix.
    void report(const char* prefix) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Clock::time_point boundary(int done) const;

    QWidget* window_;
    Clock::time_point start_{};
    Clock::time_point stop_{};
    double cpuMs_ = 0; // this process, all threads
    double xServerCpuMs_ = 0;
    std::vector<Clock::time_point> created_;
};

} // namespace abacoria::bench
