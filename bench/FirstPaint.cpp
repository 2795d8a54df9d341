#include "FirstPaint.h"

#include "BenchCommon.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <string>

namespace abacoria::bench {

namespace {

double mainStartMs = -1; // since process start

class FirstPaintWatch final : public QObject {
public:
    FirstPaintWatch(QWidget* window, std::string prefix)
        : window_(window)
        , prefix_(std::move(prefix))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            const double paint = msSinceProcessStart();
            result((prefix_ + "_main_reached_ms").c_str(), mainStartMs, "ms");
            result((prefix_ + "_first_paint_ms").c_str(), paint, "ms");
            // The window and its children paint in this same pass; the next
            // turn of the event loop comes once that frame has gone out.
            QTimer::singleShot(0, qApp, [this] {
                result((prefix_ + "_first_frame_done_ms").c_str(), msSinceProcessStart(), "ms");
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    QWidget* window_;
    std::string prefix_;
    bool seen_ = false;
};

} // namespace

void markMainStart() { mainStartMs = msSinceProcessStart(); }

int runUntilFirstPaint(QWidget* window, const char* prefix, const std::function<void()>& show)
{
    FirstPaintWatch watch(window, prefix);
    show();
    // A window that never paints is a failure, not a hang.
    QTimer::singleShot(20000, qApp, [] { fail("the window did not paint within 20 s"); });
    return QApplication::exec();
}

} // namespace abacoria::bench
