#pragma once
// Start-up measurement shared by the real and the plain start-up programs:
// from the start of the process to the first paint of the window.

#include <functional>

class QWidget;

namespace abacoria::bench {

// Call first thing in main: the time main was reached.
void markMainStart();

// Watches window for its first paint, calls show(), prints the figures under the given
// prefix and quits the application once that first frame is done. Returns
// the exit code of QApplication::exec().
int runUntilFirstPaint(QWidget* window, const char* prefix, const std::function<void()>& show);

} // namespace abacoria::bench
