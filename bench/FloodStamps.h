#pragma once
// Timing of a button flood from the outside. Each button's turn (created or
// found, placed, shown, raised, one event pass) is marked by a stamp at its
// start: the moment the button is created, for a first flood, or the moment
// it moves, for a later click that moves the existing ones. A stamp marks the
// end of the previous button's turn.
//
// The window's own paints are stamped too: a turn that paints the window
// (a frame) spends that time from the paint to the next button's stamp. Once
// the window paints whole, once a display frame, a span of 1000 turns holds
// a frame or not by where the refreshes fall, so the spans are also given
// without the frames in them ("work"), and the frames on their own.

#include "BenchCommon.h"

#include <QObject>

#include <vector>

class QWidget;

namespace abacoria::bench {

class FloodStamps final : public QObject {
public:
    enum class Turn { Created, Moved };
    explicit FloodStamps(QWidget* window, Turn turn = Turn::Created);

    void start();
    void stop();
    Clock::time_point stopTime() const { return stop_; }
    int buttons() const { return static_cast<int>(marks_.size()); }
    double totalMs() const { return msBetween(start_, stop_); }
    // Time spent on buttons first+1 to last (1-based, inclusive ends at
    // last): from the stamp of button first+1 (or the start) to the stamp of
    // button last+1 (or the end).
    double spanMs(int first, int last) const;
    // The same span without the frames that started in it.
    double workMs(int first, int last) const;
    // The figures of one flood under the given prefix.
    void report(const char* prefix) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Clock::time_point boundary(int done) const;

    QWidget* window_;
    Turn turn_;
    Clock::time_point start_{};
    Clock::time_point stop_{};
    double cpuMs_ = 0; // this process, all threads
    double xServerCpuMs_ = 0;
    std::vector<Clock::time_point> marks_;
    struct Frame {
        Clock::time_point start;
        int turn; // of the button whose turn it came in, 0-based
        double ms;
        bool whole;
    };
    std::vector<Frame> frames_; // completed at stop()
};

} // namespace abacoria::bench
