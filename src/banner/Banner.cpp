#include "app/Form1.h"
#include "runtime/RuntimeError.h"
#include "app/Controls.h"

#include <cmath>
#include <cstdint>

namespace abacoria::app {


namespace {

// Floating point to a 32-bit integer, halves to the even neighbour.
std::int32_t toLong(double value)
{
    const double rounded = std::nearbyint(value); // default rounding mode: to nearest even
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        throw rt::RuntimeError(rt::errOverflow);
    return static_cast<std::int32_t>(rounded);
}

} // namespace

void Form1::Timer1_Timer()
{
    if (state_.BannerTick == rt::vbTrue) {
        const std::int32_t index = toLong(state_.BannerIndex);
        if (index < 0 || index >= static_cast<std::int32_t>(state_.BannerText.size()))
            throw rt::RuntimeError(rt::errSubscriptOutOfRange);
        rt_.setCaption(Label2, state_.BannerText[static_cast<std::size_t>(index)]);
        state_.BannerIndex += 1;
        if (state_.BannerIndex > 3)
            state_.BannerIndex = 0;
        state_.BannerTick = rt::vbFalse;
    } else {
        state_.BannerTick = rt::vbTrue;
    }
    rt_.setVisible(Label3, !rt_.visible(Label3));
}

} // namespace abacoria::app
