// The counting loop of "=": 250000 value changes of the progress bar through
// the runtime, on the shown window, and the whole "=" handler with its
// message boxes answered at once.
#include "platform/qt/Application.h"
#include "BenchCommon.h"

#include "app/Form1.h"
#include "platform/qt/QtRuntime.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

using namespace abacoria;
using namespace abacoria::bench;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    qtbackend::setUpApplication(); // as the program does

    qtbackend::QtRuntime runtime;
    app::Form1 form(runtime);
    int boxes = 0;
    Clock::time_point firstBox{};
    runtime.setMessageBoxHook([&](const rt::MessageBoxRequest& request) {
        if (boxes++ == 0)
            firstBox = Clock::now();
        // "Yes" ends the handler without starting another program.
        return request.buttons == rt::vbYesNo ? rt::vbYes : rt::vbOK;
    });
    runtime.start(form);
    QWidget* window = runtime.window();
    if (!waitUntil([&] { return window->windowHandle() && window->windowHandle()->isExposed(); }, 10000))
        fail("the window was not shown within 10 s");

    // The loop on its own, with the bar shown as the handler shows it.
    const rt::Control calc{"calc"};
    runtime.setVisible(calc, true);
    QCoreApplication::processEvents(); // the bar's first paint
    const Clock::time_point loopStart = Clock::now();
    for (double counter = 1; counter <= 250000; counter += 1)
        runtime.setValue(calc, static_cast<float>(counter));
    result("equals_loop_ms", msBetween(loopStart, Clock::now()), "ms");
    runtime.setVisible(calc, false);
    QCoreApplication::processEvents();

    // The whole handler: from the click to its first message box is the show
    // of the bar, one event pass and the loop.
    const Clock::time_point clickStart = Clock::now();
    runtime.raise(rt::Event{rt::EventKind::Click, "Command1", -1});
    const Clock::time_point clickEnd = Clock::now();
    if (boxes != 2)
        fail("the \"=\" handler showed " + std::to_string(boxes) + " message boxes, expected 2");
    result("equals_handler_to_first_box_ms", msBetween(clickStart, firstBox), "ms");
    result("equals_handler_total_ms", msBetween(clickStart, clickEnd), "ms");
    return 0;
}
