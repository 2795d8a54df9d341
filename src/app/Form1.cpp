#include "app/Form1.h"

#include <array>
#include <string_view>

namespace abacoria::app {

namespace {

using rt::EventKind;

// Which handler answers which event; every other event is ignored.
struct Binding {
    EventKind kind;
    std::string_view control;
    void (*invoke)(Form1&, const rt::Event&, std::int16_t* cancel);
};

std::int16_t indexOf(const rt::Event& e) { return static_cast<std::int16_t>(e.index); }

constexpr std::array<Binding, 7> eventTable{{
    {EventKind::Load, "", [](Form1& f, const rt::Event&, std::int16_t*) { f.Form_Load(); }},
    {EventKind::Unload, "", [](Form1& f, const rt::Event&, std::int16_t* cancel) { f.Form_Unload(*cancel); }},
    {EventKind::Click, "cmdButton", [](Form1& f, const rt::Event& e, std::int16_t*) { f.cmdButton_Click(indexOf(e)); }},
    {EventKind::Click, "cmdOper", [](Form1& f, const rt::Event& e, std::int16_t*) { f.cmdOper_Click(indexOf(e)); }},
    {EventKind::Click, "Command1", [](Form1& f, const rt::Event&, std::int16_t*) { f.Command1_Click(); }},
    {EventKind::Click, "Label2", [](Form1& f, const rt::Event&, std::int16_t*) { f.Label2_Click(); }},
    {EventKind::Timer, "Timer1", [](Form1& f, const rt::Event&, std::int16_t*) { f.Timer1_Timer(); }},
}};

} // namespace

void Form1::onEvent(const rt::Event& event, std::int16_t* cancel)
{
    std::int16_t unusedCancel = 0;
    for (const Binding& b : eventTable) {
        if (b.kind == event.kind && b.control == event.control) {
            b.invoke(*this, event, cancel ? cancel : &unusedCancel);
            return;
        }
    }
}

void Form1::Form_Load()
{
    state_.BannerText[0] = "Click here to win solid";
    state_.BannerText[1] = "Click here to win solid";
    state_.BannerText[2] = "No draws!!!";
    state_.BannerText[3] = "Just click 'n' win!";
}

} // namespace abacoria::app
