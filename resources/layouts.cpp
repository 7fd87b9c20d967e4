#include "resources/layouts.h"

#include "resources/version.h"

#include <array>

namespace kivano::resources {
namespace {

using ui::Colour;
using ui::ControlLayout;
using ui::Kind;

constexpr ControlLayout label(std::string_view name, std::string_view caption, int l, int t, int w, int h,
                              int tab) {
    ControlLayout c{.name = name, .kind = Kind::Label, .caption = caption, .tooltip = {}};
    c.left = l, c.top = t, c.width = w, c.height = h, c.tabIndex = tab;
    return c;
}

constexpr ControlLayout control(std::string_view name, Kind kind, std::string_view caption,
                                std::string_view tooltip, int l, int t, int w, int h, int tab) {
    ControlLayout c{.name = name, .kind = kind, .caption = caption, .tooltip = tooltip};
    c.left = l, c.top = t, c.width = w, c.height = h, c.tabIndex = tab, c.tabStop = tab >= 0;
    return c;
}

constexpr ControlLayout labelledBy(std::string_view label, ControlLayout c) {
    c.labelledBy = label;
    return c;
}

constexpr ControlLayout autoSized(ControlLayout c) {
    c.autoSize = true;
    return c;
}

constexpr ControlLayout timer(std::string_view name) {
    ControlLayout c{.name = name, .kind = Kind::Timer, .caption = {}, .tooltip = {}};
    c.interval = 10;
    return c;
}

constexpr ControlLayout line(std::string_view name, int x1, int y1, int x2, int y2, Colour colour,
                             int widthPx) {
    ControlLayout c{.name = name, .kind = Kind::Line, .caption = {}, .tooltip = {}};
    c.left = x1, c.top = y1, c.width = x2, c.height = y2, c.foreground = colour, c.lineWidth = widthPx;
    return c;
}

constexpr std::array<ControlLayout, 16> mainControls() {
    ControlLayout top = label("lblTop", "Press START button ", 0, 0, 3855, 255, 12);
    top.bold = true;
    top.background = Colour::ButtonShadow;
    top.foreground = Colour::ButtonHighlight;
    ControlLayout browser = control("wbMain", Kind::Browser, {}, {}, 1080, 280, 1815, 1695, 1);
    browser.tabStop = false;
    browser.accessibleName = "Status";
    ControlLayout start = control("cbStart", Kind::Button, "Start", "Start moving", 3000, 840, 735, 330, 0);
    start.isDefault = true;
    return {{
        top,
        autoSized(label("lblDelayTime", "Time delay:", 0, 270, 810, 195, 5)),
        labelledBy("lblDelayTime", control("edDelay", Kind::TextBox, {}, {}, 0, 480, 735, 285, 2)),
        labelledBy("lblDelayTime",
                   control("udDelay", Kind::UpDown, {}, "Time delay (sec.)", 720, 480, 240, 285, 3)),
        autoSized(label("lblSpeed", "Mouse speed:", 0, 840, 1005, 195, 6)),
        labelledBy("lblSpeed", control("edSpeed", Kind::TextBox, {}, {}, 0, 1080, 735, 285, 7)),
        labelledBy("lblSpeed",
                   control("udSpeed", Kind::UpDown, {}, "Mouse speed(px)", 720, 1080, 240, 285, 8)),
        label("lblRandomize", "Randomize:", 0, 1440, 975, 255, 9),
        labelledBy("lblRandomize", control("edRandomize", Kind::TextBox, {}, {}, 0, 1680, 735, 285, 10)),
        labelledBy("lblRandomize",
                   control("udRandomize", Kind::UpDown, {}, "Parameter (px/sec.)", 720, 1680, 240, 285, 11)),
        browser,
        control("cbTimer", Kind::Button, "Timer...", "Start timer...", 3000, 360, 735, 330, 13),
        start,
        control("cbMinimize", Kind::Button, "V", "Minimize Kivano", 3120, 1320, 495, 375, 4),
        timer("tmMover"),
        timer("tmTimer"),
    }};
}

constexpr std::array<ControlLayout, 12> timerControls() {
    ControlLayout ok = control("OKButton", Kind::Button, "Start", "Start timer", 1320, 1400, 1215, 255, 0);
    ok.isDefault = true;
    ControlLayout cancel = control("CancelButton", Kind::Button, "Cancel", {}, 2760, 1400, 1215, 255, 1);
    cancel.isCancel = true;
    ControlLayout udPeriod =
        control("udPeriod", Kind::UpDown, {}, "Pause period(min.)", 2280, 240, 240, 285, 5);
    ControlLayout udWork = control("udWork", Kind::UpDown, {}, "Work period (min.)", 2280, 720, 240, 285, 8);
    udPeriod.tabStop = udWork.tabStop = false;
    udPeriod.labelledBy = "lblPeriod";
    udWork.labelledBy = "lblWork";
    return {{
        ok,
        cancel,
        autoSized(label("lblPeriod", "Pause time", 720, 240, 780, 195, 2)),
        autoSized(label("lblWork", "Work time ", 720, 720, 765, 195, 3)),
        labelledBy("lblPeriod", control("edPeriod", Kind::TextBox, {}, {}, 1680, 240, 615, 285, 4)),
        udPeriod,
        autoSized(label("lblPeriodMinutes", "minutes.", 2640, 240, 585, 195, 6)),
        labelledBy("lblWork", control("edWork", Kind::TextBox, {}, {}, 1680, 720, 615, 285, 7)),
        udWork,
        autoSized(label("lblWorkMinutes", "minutes.", 2640, 720, 585, 195, 9)),
        line("lnLine1", 0, 1200, 4080, 1200, Colour::ThreeDLight, 1),
        line("lnLine2", 0, 1300, 4080, 1300, Colour::ButtonShadow, 1),
    }};
}

constexpr std::array<ControlLayout, 7> aboutControls() {
    ControlLayout title = label("lblTitle", "Application Title", 1290, 240, 3885, 480, 3);
    title.foreground = Colour::Black;
    ControlLayout description =
        label("lblDescription", "Moves mouse. Has many random paremetres to simulate human user.", 1320, 1320,
              3885, 570, 2);
    description.foreground = Colour::Black;
    description.wrap = true;
    ControlLayout ok = control("cmdOK", Kind::Button, "OK", {}, 1080, 2265, 1260, 345, 0);
    ok.isDefault = ok.isCancel = true;
    return {{
        title,
        label("lblVersion", "Version", 1290, 780, 3885, 225, 4),
        description,
        ok,
        control("cmdSysInfo", Kind::Button, "&System Info...", {}, 3360, 2280, 1245, 345, 1),
        line("lnEtchGrey", 90, 2085, 5654, 2085, Colour::Grey, 1),
        line("lnEtchWhite", 105, 2100, 5654, 2100, Colour::White, 2),
    }};
}

// Built at compile time: the tables are the exe's constant data, with no code to fill them at start.
constexpr auto kMainControls = mainControls();
constexpr auto kTimerControls = timerControls();
constexpr auto kAboutControls = aboutControls();

} // namespace

const ui::WindowLayout& frmMainLayout() {
    static constexpr ui::WindowLayout layout{.name = "frmMain",
                                             .caption = kAppTitle,
                                             .frame = ui::Frame::ToolWindow,
                                             .clientWidth = 3795,
                                             .clientHeight = 2025,
                                             .centreOnOwner = false,
                                             .left = 2760,
                                             .top = 3705,
                                             .background = {},
                                             .controls = kMainControls};
    return layout;
}

const ui::WindowLayout& dlgTimerLayout() {
    static constexpr ui::WindowLayout layout{.name = "dlgTimer",
                                             .caption = "Set up Timer",
                                             .frame = ui::Frame::Dialog,
                                             .clientWidth = 4065,
                                             .clientHeight = 1695,
                                             .centreOnOwner = true,
                                             .background = {},
                                             .controls = kTimerControls};
    return layout;
}

const ui::WindowLayout& frmAboutLayout() {
    static constexpr ui::WindowLayout layout{.name = "frmAbout",
                                             .caption = "About Kivano",
                                             .frame = ui::Frame::Dialog,
                                             .clientWidth = 5730,
                                             .clientHeight = 2685,
                                             .centreOnOwner = true,
                                             .background = kAboutPicture,
                                             .controls = kAboutControls};
    return layout;
}

} // namespace kivano::resources
