// Abacoria in the browser: creates the window in the page, wires it to its
// handlers and handles events until the window has been unloaded; then the
// page says so and offers a fresh start, as starting the program again would.
#include "app/Form1.h"
#include "platform/web/WebRuntime.h"

int main()
{
    using namespace abacoria;
    while (true) {
        {
            web::WebRuntime runtime;
            app::Form1 form(runtime);
            // Leaving the page is closing the window: while the window would
            // refuse to close, the browser asks first.
            bool guarded = false;
            runtime.backend().setOnPass([&] {
                const bool refuse = runtime.formLoaded() && form.refusesToClose();
                if (refuse != guarded) {
                    guarded = refuse;
                    web::setLeaveGuard(refuse);
                }
            });
            runtime.start(form);
            runtime.backend().run();
            web::setLeaveGuard(false);
        }
        web::waitForRestart();
    }
}
