#pragma once

#include "runtime/Runtime.h"

#include <array>
#include <cstdint>
#include <string>

namespace abacoria::app {

// What the window keeps between events. Zeroed when the window is created.
struct FormState {
    double BannerIndex = 0;
    rt::Boolean BannerTick = rt::vbFalse;
    std::array<std::string, 4> BannerText{};
    rt::Boolean AdClicked = rt::vbFalse;
};

// The window's handlers and its event table. The handlers reach the window
// and the platform only through the runtime interface.
class Form1 final : public rt::EventTarget {
public:
    explicit Form1(rt::Runtime& runtime)
        : rt_(runtime)
    {
    }

    void onEvent(const rt::Event& event, std::int16_t* cancel) override;

    const FormState& state() const { return state_; }
    // Whether Form_Unload would refuse to let the window close now, from the
    // same state: the page asks it before the browser leaves the page.
    bool refusesToClose() const { return state_.AdClicked == rt::vbFalse; }

    // One function per handled event.
    void Form_Load();
    void Form_Unload(std::int16_t& Cancel);
    void cmdButton_Click(std::int16_t Index);
    void cmdOper_Click(std::int16_t Index);
    void Command1_Click();
    void Label2_Click();
    void Timer1_Timer();

private:
    rt::Runtime& rt_;
    FormState state_;
};

} // namespace abacoria::app
