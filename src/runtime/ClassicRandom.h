#pragma once

#include <cstdint>

namespace abacoria::rt {

// The classic runtime's 24-bit linear congruential generator. Never seeded:
// every run of the program sees the same sequence.
class ClassicRandom {
public:
    static constexpr std::uint32_t initialState = 0x50000;

    float next() noexcept
    {
        state_ = (state_ * 1140671485u + 12820163u) & 0xFFFFFFu;
        return static_cast<float>(state_) / 16777216.0f;
    }

    std::uint32_t state() const noexcept { return state_; }

private:
    std::uint32_t state_ = initialState;
};

} // namespace abacoria::rt
