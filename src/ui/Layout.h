#pragma once

#include "runtime/Runtime.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace abacoria::ui {

// Screen units: the layout is in twips, 1440 to an inch: 15 to a pixel at
// 96 dpi, 12 at 120 dpi. Every conversion to pixels goes through here.
inline constexpr int twipsPerPixel = 15; // at 96 dpi; Qt scales from there itself
constexpr int twipsPerPixelAt(int dpi) { return dpi > 0 ? 1440 / dpi : twipsPerPixel; }
constexpr int toPixels(double twips, int perPixel = twipsPerPixel)
{
    const double px = twips / perPixel;
    return static_cast<int>(px < 0 ? px - 0.5 : px + 0.5);
}
constexpr float toTwips(int pixels, int perPixel = twipsPerPixel) { return static_cast<float>(pixels * perPixel); }

struct Rgb {
    std::uint8_t r, g, b;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

struct Font {
    std::string_view face;
    double points;
    bool bold;
};

enum class Kind { PushButton, Timer, ProgressBar, TextBox, Label, Rectangle };

// One control as stored: where it is, what it shows, how it looks.
struct ControlSpec {
    std::string_view name;
    int index; // element index in its control array, -1 for a plain control
    Kind kind;
    std::string_view caption;
    int left, top, width, height; // twips
    bool visible;
    int tabIndex; // -1: takes no focus
    std::optional<Rgb> backColor = {}; // button face, rectangle fill
    std::optional<Rgb> foreColor = {}; // label text
    std::optional<Font> font = {}; // none: the window's default font
    bool autoSize = false; // labels that size themselves to their caption
    int interval = 0; // timer, ms
    int minimum = 0, maximum = 0; // progress bar

    rt::Control control() const { return {name, index}; }
};

struct WindowSpec {
    std::string_view name;
    std::string_view caption;
    Rgb backColor;
    int clientWidth, clientHeight; // twips
    Font font;
};

const WindowSpec& window();

// All controls in their stored order: the order of creation, and front to
// back among controls of the same layer.
std::span<const ControlSpec> controls();

// Labels and rectangles are painted on the window surface, beneath every
// windowed control.
constexpr bool paintsOnSurface(Kind kind) { return kind == Kind::Label || kind == Kind::Rectangle; }

// The order of creation that shows the stored stacking when each new control
// goes in front of those created before it: the surface layer first, each
// layer back to front.
std::vector<const ControlSpec*> creationOrder();

// The size of a label that sizes itself to its caption, from what the
// toolkit's font measures for the caption and for the design-time caption.
// It keeps the proportion between the stored size and the design-time
// measure, so fonts that run narrower than the classic ones keep the
// window's stored look (and the banner's overlaps), but never cuts the text.
struct PixelExtent {
    int width, height;
};
PixelExtent fitToCaption(PixelExtent measured, int designAdvance, PixelExtent designSize);

// What a screen reader calls a key whose caption is a symbol, which it would
// otherwise read out as punctuation ("slash", "asterisk") or not at all.
// Empty for captions that speak for themselves.
std::string_view spokenName(std::string_view caption);
// What a screen reader calls a control as stored: symbol keys by their
// spoken names, the display "Display"; empty where the caption serves.
std::string_view accessibleName(const ControlSpec& spec);

// Fonts the window asks for that a Linux desktop rarely has, with metric
// look-alikes to use in their place.
struct FontFallback {
    std::string_view face;
    std::string_view substitute;
};
std::span<const FontFallback> fontFallbacks();

} // namespace abacoria::ui
