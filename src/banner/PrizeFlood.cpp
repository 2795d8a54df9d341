#include "app/Form1.h"
#include "runtime/HandlerRun.h"
#include "app/Controls.h"

#include <cmath>

namespace abacoria::app {


namespace {
constexpr int prizeButtons = 10000;
}

void Form1::Label2_Click()
{
    rt::HandlerRun run;
    rt_.msgBox("You have just won 100000 command buttons for your desktop!!!", rt::vbOKOnly);
    // Recorded before anything else can fail, and even when the window went
    // away while the message was open: the click happened.
    state_.AdClicked = rt::vbTrue;
    if (!rt_.formLoaded())
        return;
    run.resumeNext();
    run([&] { rt_.setWindowState(rt::WindowState::Maximized); });
    float x = 0; // kept across buttons: a failed draw leaves the last value
    float y = 0;
    for (int i = 1; i <= prizeButtons; ++i) {
        const rt::Control button = Command2(i);
        run([&] { rt_.load(button); });
        run([&] { x = std::floor(rt_.rnd() * rt_.scaleWidth()); });
        run([&] { y = std::floor(rt_.rnd() * rt_.scaleHeight()); });
        run([&] { rt_.move(button, x, y); });
        run([&] { rt_.setVisible(button, true); });
        run([&] { rt_.zOrder(button); });
        if (!rt_.doEvents())
            return;
    }
}

} // namespace abacoria::app
