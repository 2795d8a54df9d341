#include "ui/Layout.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace abacoria::ui {

namespace {

constexpr Rgb green{0, 255, 0};
constexpr Rgb red{255, 0, 0};
constexpr Font boldSansSerif{"MS Sans Serif", 8.25, true};
constexpr Font comicBold{"Comic Sans MS", 11.25, true};
constexpr Font arialBold{"Arial", 8.25, true};

using K = Kind;

// clang-format off
constexpr std::array<ControlSpec, 26> storedControls{{
    // name        idx kind           caption                      left   top  width height visible tab
    {"Command2",     0, K::PushButton, "Click Me!",                 1680, 3000,  975,  495, false, 22},
    {"Timer1",      -1, K::Timer,      "",                             0,    0,    0,    0, false, -1, {}, {}, {}, false, 500},
    {"cmdButton",   10, K::PushButton, ".",                          840, 2280,  495,  495, true,  18, green},
    {"calc",        -1, K::ProgressBar,"",                           120, 3240, 2535,  255, false, 16, {}, {}, {}, false, 0, 0, 250000},
    {"Text1",       -1, K::TextBox,    "0",                          240,  120, 2295,  285, true,  15},
    {"cmdOper",      3, K::PushButton, "*",                         2040, 2280,  495,  495, true,  14},
    {"cmdOper",      2, K::PushButton, "/",                         2040, 1680,  495,  495, true,  13},
    {"cmdOper",      1, K::PushButton, "-",                         2040, 1080,  495,  495, true,  12},
    {"cmdOper",      0, K::PushButton, "+",                         2040,  480,  495,  495, true,  11},
    {"Command1",    -1, K::PushButton, "=",                         1440, 2280,  495,  495, true,  10, red},
    {"cmdButton",    9, K::PushButton, "0",                          240, 2280,  495,  495, true,   9, green},
    {"cmdButton",    8, K::PushButton, "9",                         1440, 1680,  495,  495, true,   8, green},
    {"cmdButton",    7, K::PushButton, "8",                          840, 1680,  495,  495, true,   7, green},
    {"cmdButton",    6, K::PushButton, "7",                          240, 1680,  495,  495, true,   6, green},
    {"cmdButton",    5, K::PushButton, "6",                         1440, 1080,  495,  495, true,   5, green},
    {"cmdButton",    4, K::PushButton, "5",                          840, 1080,  495,  495, true,   4, green},
    {"cmdButton",    3, K::PushButton, "4",                          240, 1080,  495,  495, true,   3, green},
    {"cmdButton",    2, K::PushButton, "3",                         1440,  480,  495,  495, true,   2, green},
    {"cmdButton",    1, K::PushButton, "2",                          840,  480,  495,  495, true,   1, green},
    {"cmdButton",    0, K::PushButton, "1",                          240,  480,  495,  495, true,   0, green},
    {"Label4",      -1, K::Label,      "Visit my sponsers..",        120, 3600, 2535,  255, true,  21, {}, {}, boldSansSerif},
    {"Label3",      -1, K::Label,      "10000!!",                   1920, 3840,  795,  315, true,  20, {}, Rgb{255, 255, 255}, comicBold, true},
    {"Label2",      -1, K::Label,      "Click here to win solid  ",   60, 3900, 1935,  210, true,  19, {}, Rgb{128, 255, 255}, arialBold, true},
    {"Shape2",      -1, K::Rectangle,  "",                             0, 3840, 2775,  375, true,  -1, red},
    {"Label1",      -1, K::Label,      "Calculation in progress",    120, 3000, 2535,  255, false, 17},
    {"Shape1",      -1, K::Rectangle,  "",                           120,  240, 2535, 2655, true,  -1},
}};
// clang-format on

constexpr WindowSpec form1{"Form1", "Abacoria", Rgb{255, 255, 128}, 2775, 4215,
                           Font{"MS Sans Serif", 8.25, false}};

constexpr std::array<FontFallback, 3> fallbacks{{
    // face            successor  look-alike         generic
    {"Arial",          "",        "Liberation Sans", "sans-serif"},
    {"Comic Sans MS",  "",        "Comic Neue",      "cursive"},
    {"MS Sans Serif",  "Tahoma",  "Liberation Sans", "sans-serif"},
}};

} // namespace

const WindowSpec& window() { return form1; }

std::span<const ControlSpec> controls() { return storedControls; }

std::span<const FontFallback> fontFallbacks() { return fallbacks; }

FontFallback fallbackFor(std::string_view face)
{
    for (const FontFallback& f : fallbacks)
        if (f.face == face)
            return f;
    return {face, {}, {}, "sans-serif"};
}

PixelSize fitToCaption(PixelSize measured, int designAdvance, PixelSize designSize)
{
    if (designAdvance <= 0 || designSize.width <= 0 || designSize.height <= 0)
        return measured;
    const double scaled = double(measured.width) * designSize.width / designAdvance;
    return {std::max(measured.width, static_cast<int>(std::lround(scaled))), std::max(measured.height, designSize.height)};
}

std::string_view spokenName(std::string_view caption)
{
    static constexpr std::pair<std::string_view, std::string_view> words[] = {
        {"+", "Plus"}, {"-", "Minus"}, {"/", "Divide"}, {"*", "Multiply"}, {"=", "Equals"}, {".", "Point"},
    };
    for (const auto& [symbol, word] : words)
        if (caption == symbol)
            return word;
    return {};
}

std::string_view accessibleName(const ControlSpec& spec)
{
    if (spec.kind == Kind::TextBox)
        return "Display";
    return spec.kind == Kind::PushButton ? spokenName(spec.caption) : std::string_view{};
}

std::vector<const ControlSpec*> creationOrder()
{
    std::vector<const ControlSpec*> order;
    order.reserve(storedControls.size());
    for (const bool surface : {true, false})
        for (auto it = storedControls.rbegin(); it != storedControls.rend(); ++it)
            if (paintsOnSurface(it->kind) == surface)
                order.push_back(&*it);
    return order;
}

} // namespace abacoria::ui
