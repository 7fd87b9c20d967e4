// Each window's layout pinned, control by control, against what the windows are meant to have: a
// changed text, place, size, tab index, tooltip, role or colour fails here, whichever backend shows it.

#include "resources/layouts.h"
#include "resources/strings.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kivano::resources {
namespace {

using ui::Colour;
using ui::Kind;

struct Pin {
    std::string_view name;
    Kind kind;
    std::string_view caption;
    std::string_view tooltip;
    int left, top, width, height, tabIndex;
    std::string_view flags; // s tab stop, d default, c cancel, a sizes itself, b bold, w wraps
    Colour foreground = Colour::Default;
    Colour background = Colour::Default;
    int lineWidth = 1;
    std::uint32_t interval = 0;
};

struct WindowPin {
    std::string_view name;
    std::string_view caption;
    ui::Frame frame;
    int clientWidth, clientHeight;
    bool centred;
    int left, top;
    std::string_view background;
};

std::string flagsOf(const ui::ControlLayout& c) {
    std::string f;
    for (const auto& [on, letter] : {std::pair{c.tabStop, 's'},
                                     {c.isDefault, 'd'},
                                     {c.isCancel, 'c'},
                                     {c.autoSize, 'a'},
                                     {c.bold, 'b'},
                                     {c.wrap, 'w'}}) {
        if (on) f += letter;
    }
    return f;
}

void expectLayout(const ui::WindowLayout& layout, const WindowPin& window, const std::vector<Pin>& pins) {
    EXPECT_EQ(layout.name, window.name);
    EXPECT_EQ(layout.caption, window.caption);
    EXPECT_EQ(layout.frame, window.frame);
    EXPECT_EQ(layout.clientWidth, window.clientWidth);
    EXPECT_EQ(layout.clientHeight, window.clientHeight);
    EXPECT_EQ(layout.centreOnOwner, window.centred);
    if (!window.centred) {
        EXPECT_EQ(layout.left, window.left);
        EXPECT_EQ(layout.top, window.top);
    }
    EXPECT_EQ(layout.background, window.background);
    EXPECT_EQ(layout.fontName, "MS Sans Serif");
    EXPECT_EQ(layout.fontPoints, 8.25);
    ASSERT_EQ(layout.controls.size(), pins.size()) << layout.name;
    for (size_t i = 0; i < pins.size(); ++i) {
        const ui::ControlLayout& c = layout.controls[i];
        const Pin& p = pins[i];
        SCOPED_TRACE(std::string(layout.name) + "." + std::string(p.name));
        EXPECT_EQ(c.name, p.name);
        EXPECT_EQ(c.kind, p.kind);
        EXPECT_EQ(c.caption, p.caption);
        EXPECT_EQ(c.tooltip, p.tooltip);
        EXPECT_EQ((std::vector<int>{c.left, c.top, c.width, c.height, c.tabIndex}),
                  (std::vector<int>{p.left, p.top, p.width, p.height, p.tabIndex}));
        EXPECT_EQ(flagsOf(c), p.flags);
        EXPECT_EQ(c.foreground, p.foreground);
        EXPECT_EQ(c.background, p.background);
        EXPECT_EQ(c.lineWidth, p.lineWidth);
        EXPECT_EQ(c.interval, p.interval);
    }
}

TEST(Layouts, MainWindow) {
    expectLayout(
        frmMainLayout(), {"frmMain", "Kivano", ui::Frame::ToolWindow, 3795, 2025, false, 2760, 3705, ""},
        {
            {"lblTop", Kind::Label, "Press START button ", "", 0, 0, 3855, 255, 12, "b",
             Colour::ButtonHighlight, Colour::ButtonShadow},
            {"lblDelayTime", Kind::Label, "Time delay:", "", 0, 270, 810, 195, 5, "a"},
            {"edDelay", Kind::TextBox, "", "", 0, 480, 735, 285, 2, "s"},
            {"udDelay", Kind::UpDown, "", "Time delay (sec.)", 720, 480, 240, 285, 3, "s"},
            {"lblSpeed", Kind::Label, "Mouse speed:", "", 0, 840, 1005, 195, 6, "a"},
            {"edSpeed", Kind::TextBox, "", "", 0, 1080, 735, 285, 7, "s"},
            {"udSpeed", Kind::UpDown, "", "Mouse speed(px)", 720, 1080, 240, 285, 8, "s"},
            {"lblRandomize", Kind::Label, "Randomize:", "", 0, 1440, 975, 255, 9, ""},
            {"edRandomize", Kind::TextBox, "", "", 0, 1680, 735, 285, 10, "s"},
            {"udRandomize", Kind::UpDown, "", "Parameter (px/sec.)", 720, 1680, 240, 285, 11, "s"},
            {"wbMain", Kind::Browser, "", "", 1080, 280, 1815, 1695, 1, ""},
            {"cbTimer", Kind::Button, "Timer...", "Start timer...", 3000, 360, 735, 330, 13, "s"},
            {"cbStart", Kind::Button, "Start", "Start moving", 3000, 840, 735, 330, 0, "sd"},
            {"cbMinimize", Kind::Button, "V", "Minimize Kivano", 3120, 1320, 495, 375, 4, "s"},
            {"tmMover", Kind::Timer, "", "", 0, 0, 0, 0, -1, "", Colour::Default, Colour::Default, 1, 10},
            {"tmTimer", Kind::Timer, "", "", 0, 0, 0, 0, -1, "", Colour::Default, Colour::Default, 1, 10},
        });
}

TEST(Layouts, TimerDialog) {
    expectLayout(dlgTimerLayout(),
                 {"dlgTimer", "Set up Timer", ui::Frame::Dialog, 4065, 1695, true, 0, 0, ""},
                 {
                     {"OKButton", Kind::Button, "Start", "Start timer", 1320, 1400, 1215, 255, 0, "sd"},
                     {"CancelButton", Kind::Button, "Cancel", "", 2760, 1400, 1215, 255, 1, "sc"},
                     {"lblPeriod", Kind::Label, "Pause time", "", 720, 240, 780, 195, 2, "a"},
                     {"lblWork", Kind::Label, "Work time ", "", 720, 720, 765, 195, 3, "a"},
                     {"edPeriod", Kind::TextBox, "", "", 1680, 240, 615, 285, 4, "s"},
                     {"udPeriod", Kind::UpDown, "", "Pause period(min.)", 2280, 240, 240, 285, 5, ""},
                     {"lblPeriodMinutes", Kind::Label, "minutes.", "", 2640, 240, 585, 195, 6, "a"},
                     {"edWork", Kind::TextBox, "", "", 1680, 720, 615, 285, 7, "s"},
                     {"udWork", Kind::UpDown, "", "Work period (min.)", 2280, 720, 240, 285, 8, ""},
                     {"lblWorkMinutes", Kind::Label, "minutes.", "", 2640, 720, 585, 195, 9, "a"},
                     {"lnLine1", Kind::Line, "", "", 0, 1200, 4080, 1200, -1, "", Colour::ThreeDLight},
                     {"lnLine2", Kind::Line, "", "", 0, 1300, 4080, 1300, -1, "", Colour::ButtonShadow},
                 });
}

TEST(Layouts, AboutBox) {
    expectLayout(
        frmAboutLayout(),
        {"frmAbout", "About Kivano", ui::Frame::Dialog, 5730, 2685, true, 0, 0, "about.gif"},
        {
            {"lblTitle", Kind::Label, "Application Title", "", 1290, 240, 3885, 480, 3, "", Colour::Black},
            {"lblVersion", Kind::Label, "Version", "", 1290, 780, 3885, 225, 4, ""},
            {"lblDescription", Kind::Label, "Moves mouse. Has many random paremetres to simulate human user.",
             "", 1320, 1320, 3885, 570, 2, "w", Colour::Black},
            {"cmdOK", Kind::Button, "OK", "", 1080, 2265, 1260, 345, 0, "sdc"},
            {"cmdSysInfo", Kind::Button, "&System Info...", "", 3360, 2280, 1245, 345, 1, "s"},
            {"lnEtchGrey", Kind::Line, "", "", 90, 2085, 5654, 2085, -1, "", Colour::Grey},
            {"lnEtchWhite", Kind::Line, "", "", 105, 2100, 5654, 2100, -1, "", Colour::White, Colour::Default,
             2},
        });
}

// What a screen reader says each control without a text of its own is.
TEST(Layouts, AccessibleNames) {
    const struct {
        const ui::WindowLayout& layout;
        std::string_view control;
        std::string name;
    } table[] = {
        {frmMainLayout(), "edDelay", "Time delay"},
        {frmMainLayout(), "udDelay", "Time delay"},
        {frmMainLayout(), "edSpeed", "Mouse speed"},
        {frmMainLayout(), "udSpeed", "Mouse speed"},
        {frmMainLayout(), "edRandomize", "Randomize"},
        {frmMainLayout(), "udRandomize", "Randomize"},
        {frmMainLayout(), "wbMain", "Status"},
        {frmMainLayout(), "cbStart", "Start"},
        {dlgTimerLayout(), "edPeriod", "Pause time"},
        {dlgTimerLayout(), "udPeriod", "Pause time"},
        {dlgTimerLayout(), "edWork", "Work time"},
        {dlgTimerLayout(), "udWork", "Work time"},
        {frmAboutLayout(), "cmdOK", "OK"},
    };
    for (const auto& row : table) {
        const auto& controls = row.layout.controls;
        const auto it = std::find_if(controls.begin(), controls.end(),
                                     [&](const ui::ControlLayout& c) { return c.name == row.control; });
        ASSERT_NE(it, controls.end()) << row.control;
        EXPECT_EQ(ui::accessibleName(row.layout, *it), row.name) << row.control;
    }
    EXPECT_EQ(ui::arrowName("Time delay", true), "Increase time delay");
    EXPECT_EQ(ui::arrowName("Work time", false), "Decrease work time");
}

TEST(Layouts, StringTable) {
    const std::vector<std::pair<int, std::string>> table = {
        {101, "file://"},
        {103, "/"},
        {104, "Support/start.html"},
        {105, "Start"},
        {106, "Stop"},
        {107, "Support/los.html"},
        {108, "Start moving"},
        {109, "Stop moving"},
        {110, "Press START button to start moving"},
        {111, "MINIMIZE Kivano"},
        {112, "Set up TIME delay (sec.)"},
        {113, "Set up MOUSE speed (px)"},
        {114, "Set up parameter to RANDOMIZE process"},
        {115, "Set up TIMER"},
        {116, "Stop TIMER"},
        {117, "Software\\Olberin\\Kivano\\Settings"},
        {121, "Time Delay"},
        {122, "Speed"},
        {123, "Randomise"},
    };
    for (int id = 100; id <= 124; ++id) {
        const auto it =
            std::find_if(table.begin(), table.end(), [id](const auto& row) { return row.first == id; });
        EXPECT_EQ(LoadResString(id), it == table.end() ? "" : it->second) << id;
    }
}

} // namespace
} // namespace kivano::resources
