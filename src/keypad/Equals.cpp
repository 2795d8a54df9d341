#include "app/Form1.h"
#include "runtime/HandlerRun.h"
#include "app/Controls.h"

#include <string>

namespace abacoria::app {


namespace {
constexpr double loopEnd = 250000; // the maximum of calc
constexpr std::string_view externalCalculator = "C:\\Windows\\Clc.exe";
} // namespace

void Form1::Command1_Click()
{
    rt::HandlerRun run;
    rt_.setVisible(calc, true);
    rt_.setVisible(Label1, true);
    if (!rt_.doEvents())
        return;

    // Deliberately no event pass in here: the window freezes while it counts.
    for (double counter = 1; counter <= loopEnd; counter += 1)
        rt_.setValue(calc, static_cast<float>(counter));

    const int answer = rt_.msgBox("This operation will take a long time to finish,continue?", rt::vbYesNo,
                                  "Abacoria");
    if (!rt_.formLoaded())
        return;
    if (answer == rt::vbYes) {
        rt_.msgBox("Gone nuts? 'Long time' means about two days" + std::string(rt::vbCrLf)
                       + ".. Even if you have the time I haven't.. Sorry!",
                   rt::vbOKOnly, "Yell!");
    } else {
        rt_.msgBox("Go to hell! You are best suited to MS stupid calc!", rt::vbOKOnly, "Yell");
        run.resumeNext();
        run([&] { rt_.shell(externalCalculator, rt::vbMaximizedFocus); });
    }
    if (!rt_.formLoaded())
        return;
    run([&] { rt_.setVisible(calc, false); });
    run([&] { rt_.setVisible(Label1, false); });
}

} // namespace abacoria::app
