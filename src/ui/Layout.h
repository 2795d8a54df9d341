#pragma once

// The window's look as data: the bottom layer, which includes nothing of
// the program's above it, so that it can be read, built and tested alone.
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

// A size or a place in pixels.
struct PixelSize {
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(PixelSize, PixelSize) = default;
};
struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
    friend constexpr bool operator==(PixelRect, PixelRect) = default;
};

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
};

// Where a control lies in pixels. Position and size convert separately, as
// the classic runtime does, so that neighbours stay aligned.
constexpr PixelRect toPixels(const ControlSpec& s, int perPixel = twipsPerPixel)
{
    return {toPixels(s.left, perPixel), toPixels(s.top, perPixel), toPixels(s.width, perPixel),
            toPixels(s.height, perPixel)};
}

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
PixelSize fitToCaption(PixelSize measured, int designAdvance, PixelSize designSize);

// What a screen reader calls a key whose caption is a symbol, which it would
// otherwise read out as punctuation ("slash", "asterisk") or not at all.
// Empty for captions that speak for themselves.
std::string_view spokenName(std::string_view caption);
// What a screen reader calls a control as stored: symbol keys by their
// spoken names, the display "Display"; empty where the caption serves.
std::string_view accessibleName(const ControlSpec& spec);

// What stands in for each face the window asks for where it is missing:
// every toolkit takes its families from here. Windows has the faces
// themselves; a Linux desktop rarely does, and draws with metric look-alikes;
// a browser is asked for the face, then the faces that stand in for it on
// other systems, then its generic family.
struct FontFallback {
    std::string_view face;
    std::string_view successor; // the face's own successor where the face is gone, or none
    std::string_view lookAlike; // the metric look-alike a Linux desktop has
    std::string_view generic; // the CSS generic family
};
std::span<const FontFallback> fontFallbacks();
// The face's row; the face alone (a sans-serif) for one with none.
FontFallback fallbackFor(std::string_view face);

} // namespace abacoria::ui
