#include "app/Form1.h"

#include <string>

namespace abacoria::app {

namespace {
constexpr std::string_view contactAddress = "insults@abacoria.example.org";
}

void Form1::Form_Unload(std::int16_t& Cancel)
{
    if (refusesToClose()) {
        rt_.msgBox("You HAVE to click my sponser's ad", rt::vbOKOnly);
        Cancel = 1;
        return;
    }
    rt_.msgBox("Hope you had FUN ;-)", rt::vbOKOnly);
    rt_.msgBox("Direct all insults to " + std::string(contactAddress) + std::string(rt::vbCrLf)
                   + "or post in the DuraZude",
               rt::vbOKOnly);
}

} // namespace abacoria::app
