// Start-to-first-paint of the real window: the same start-up as the program
// (application, "Windows" style, runtime, window, handlers), timed from the
// start of the process to the window's first paint.
#include "platform/qt/Application.h"
#include "BenchCommon.h"
#include "FirstPaint.h"

#include "app/Form1.h"
#include "platform/qt/QtRuntime.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    abacoria::bench::markMainStart();
    QApplication app(argc, argv);
    abacoria::qtbackend::setUpApplication(); // as the program does

    abacoria::qtbackend::QtRuntime runtime;
    abacoria::app::Form1 form(runtime);
    return abacoria::bench::runUntilFirstPaint(runtime.window(), "startup_real", [&] { runtime.start(form); });
}
