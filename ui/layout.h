#pragma once
// A window's layout as data: every backend builds its windows from these tables.
// Places and sizes are in twips from the client area's top-left corner (15 twips a pixel at 96 dpi).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivano::ui {

enum class Kind { Label, TextBox, Button, UpDown, Browser, Timer, Line };

// Colours the layouts name: system colours follow the user's theme, the rest are fixed RGB values.
enum class Colour { Default, ButtonShadow, ButtonHighlight, ThreeDLight, Black, White, Grey };

enum class Frame {
    ToolWindow, // thin caption, close box only, fixed size, with a taskbar button
    Dialog,     // fixed dialog frame with a close box, no taskbar button
};

struct ControlLayout {
    std::string_view name;
    Kind kind = Kind::Label;
    std::string_view caption;
    std::string_view tooltip;
    int left = 0; // for a line: its start point
    int top = 0;
    int width = 0; // for a line: its end point (x2, y2)
    int height = 0;
    int tabIndex = -1; // -1: not in the focus order
    bool tabStop = false;
    bool isDefault = false;
    bool isCancel = false;
    bool autoSize = false; // a label that sizes itself to its text
    bool bold = false;
    bool wrap = false;
    Colour foreground = Colour::Default;
    Colour background = Colour::Default;
    int lineWidth = 1;          // pixels, for lines
    std::uint32_t interval = 0; // ms, for timers
    // For screen readers: the label that names this control (a text box, an up-down), or a name of its
    // own where no label or caption says what it is.
    std::string_view labelledBy = {};
    std::string_view accessibleName = {};
};

struct WindowLayout {
    std::string_view name;
    std::string_view caption;
    Frame frame = Frame::Dialog;
    int clientWidth = 0;
    int clientHeight = 0;
    bool centreOnOwner = false;
    int left = 0; // client area's top-left corner on the screen, when not centred
    int top = 0;
    std::string_view background; // a picture drawn unscaled at the client area's top-left corner
    std::string_view fontName = "MS Sans Serif";
    double fontPoints = 8.25;
    std::span<const ControlLayout> controls;
};

constexpr int kTwipsPerInch = 1440;

// Twips to pixels at `dpi`, rounded to the nearest pixel.
constexpr int twipsToPixels(int twips, int dpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + kTwipsPerInch / 2) / kTwipsPerInch
                                        : -((-scaled + kTwipsPerInch / 2) / kTwipsPerInch));
}

// A control's place in pixels; for a line, its two end points (x1, y1, x2, y2).
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// A line's two end points, as its PixelRect holds them.
struct LineEnds {
    int x1, y1, x2, y2;
};
[[nodiscard]] constexpr LineEnds lineEnds(const PixelRect& place) {
    return {place.left, place.top, place.width, place.height};
}

// A window's layout at one DPI: what a backend needs to create the window or to lay it out again when
// the DPI changes under it.
struct ScaledLayout {
    int dpi = 96;
    int clientWidth = 0;
    int clientHeight = 0;
    int left = 0; // the client area's top-left corner, for a window placed by position
    int top = 0;
    int fontHeight = 0;              // the character height in pixels, negative as a Windows LOGFONT takes it
    std::vector<PixelRect> controls; // by layout index
};

ScaledLayout scaleLayout(const WindowLayout& layout, int dpi);

// What a screen reader says a control is: its own accessible name, else the caption of the label that
// names it without the trailing colon, else its caption.
std::string accessibleName(const WindowLayout& layout, const ControlLayout& control);

// The name of one arrow of an up-down, from the up-down's name: "Increase time delay".
std::string arrowName(std::string_view upDownName, bool up);

} // namespace kivano::ui
