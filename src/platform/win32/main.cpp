// Abacoria on Windows: creates the window, wires it to its handlers and runs
// the message loop until the window has been unloaded.
#include "app/Form1.h"
#include "platform/win32/Win32Runtime.h"

#include <exception>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    try {
        abacoria::win32::Win32Runtime runtime;
        abacoria::app::Form1 form(runtime);
        runtime.setOnUnloaded([] { PostQuitMessage(0); });
        runtime.start(form);
        if (!runtime.formLoaded())
            return 0;
        return runtime.backend().runMessageLoop();
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), "Abacoria", MB_OK | MB_ICONERROR);
        return 1;
    }
}
