// The main window's load and unload, its stored settings, the hint line and the mouse over the window.

#include "app/program.h"
#include "settings/CWinReestr.h"
#include "support/harness.h"

#include <fstream>
#include <gtest/gtest.h>
#include <vector>

namespace kivano::testing {
namespace {

using settings::kHkeyCurrentUser;
constexpr const char* kKey = "Software\\Olberin\\Kivano\\Settings";

std::string stored(Harness& h, const char* name) {
    std::string text;
    settings::CWinReestr(*h.registry).GetKeyValue(kHkeyCurrentUser, kKey, name, text);
    return text;
}

void storeRaw(Harness& h, const char* name, std::uint32_t type, std::vector<std::uint8_t> data) {
    settings::Hkey k = 0;
    ASSERT_EQ(h.registry->RegCreateKeyA(kHkeyCurrentUser, kKey, &k), 0);
    ASSERT_EQ(h.registry->RegSetValueExA(k, name, type, data.data(), static_cast<std::uint32_t>(data.size())),
              0);
    h.registry->RegCloseKey(k);
}

void storeText(Harness& h, const char* name, const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    storeRaw(h, name, settings::kRegSz, data);
}

TEST(Lifecycle, FirstStartShowsDefaultsAndFirstCloseStoresThem) {
    Harness h;
    h.desktop.system.folder = "C:\\Kivano";
    auto& f = h.load();
    EXPECT_EQ(f.edDelay.text(), "0.1");
    EXPECT_EQ(f.edSpeed.text(), "3");
    EXPECT_EQ(f.edRandomize.text(), "2");
    EXPECT_EQ(f.DelayTicks, 1);
    EXPECT_EQ(f.Speed, 3);
    EXPECT_EQ(f.RandomizeAmount, 2);
    EXPECT_EQ(h.lastPage(), "file://C:\\Kivano/Support/start.html");
    EXPECT_EQ(f.tmMover.interval(), 100U);
    EXPECT_EQ(f.tmTimer.interval(), 1000U);
    EXPECT_FALSE(f.tmMover.enabled());
    EXPECT_FALSE(f.tmTimer.enabled());
    EXPECT_EQ(f.lblTop.caption(), "Press START button ");

    h.win().closeBox();
    EXPECT_EQ(stored(h, "Time Delay"), "1");
    EXPECT_EQ(stored(h, "Speed"), "3");
    EXPECT_EQ(stored(h, "Randomise"), "2");
}

// The program's one entry: load, the edition's own step, show, the event loop, and the values stored
// when the window closes.
TEST(Lifecycle, TheProgramLoadsShowsRunsAndStoresAtTheEnd) {
    Harness h;
    bool afterLoad = false;
    const int code = app::runProgram(h.services, [&](app::frmMain& f) {
        afterLoad = true;
        EXPECT_EQ(f.edDelay.text(), "0.1") << "after the load";
        EXPECT_TRUE(h.desktop.toolkit.loops.empty()) << "before the loop";
    });
    EXPECT_TRUE(afterLoad);
    EXPECT_EQ(h.desktop.toolkit.loops, std::vector<bool>{true}) << "the loop runs once, the window shown";
    EXPECT_EQ(stored(h, "Speed"), "3") << "the window closed at the loop's end and stored its values";
    EXPECT_EQ(code, 0);
}

// The Win32 edition starts the program with no step of its own.
TEST(Lifecycle, TheProgramRunsWithoutAnEditionsOwnStep) {
    Harness h;
    EXPECT_EQ(app::runProgram(h.services), 0);
    EXPECT_EQ(h.desktop.toolkit.loops, std::vector<bool>{true});
    EXPECT_EQ(stored(h, "Speed"), "3");
}

TEST(Lifecycle, BeforeLoadTheBoxesAreEmptyAndTheTimersOff) {
    Harness h;
    h.form = std::make_unique<app::frmMain>(h.services);
    EXPECT_EQ(h.form->edDelay.text(), "");
    EXPECT_EQ(h.form->edSpeed.text(), "");
    EXPECT_FALSE(h.form->tmMover.enabled());
    EXPECT_EQ(h.form->tmMover.interval(), 10U);
    EXPECT_EQ(h.form->tmTimer.interval(), 10U);
    // The members are zero until the load gives them their start values.
    EXPECT_EQ(h.form->DelayTicks, 0);
    EXPECT_EQ(h.form->Speed, 0);
    EXPECT_EQ(h.form->RandomizeAmount, 0);
    EXPECT_EQ(h.form->StepX, 0);
    h.form->Form_Load();
    EXPECT_EQ((std::vector<double>{static_cast<double>(h.form->StepX), static_cast<double>(h.form->StepY),
                                   static_cast<double>(h.form->WaitTicks), h.form->WorkSeconds,
                                   h.form->PeriodSeconds}),
              (std::vector<double>{1, 1, 1, 60, 60}));
}

TEST(Lifecycle, StoredTextsComeBackThroughTheBoxesLowerBounds) {
    const struct {
        const char* value;
        std::string text;
        const char* shown;
    } cases[] = {
        {"Time Delay", "15", "1.5"},
        {"Time Delay", "2.5", "0.2"},
        {"Time Delay", "0", "0.1"},
        {"Time Delay", "-4", "0.1"},
        {"Time Delay", "junk", "0.1"},
        {"Time Delay", "2,5", "0.2"},
        {"Time Delay", "9999999999", "0.1"},
        {"Speed", "2.5", "2.5"},
        {"Speed", "-2", "0"},
        {"Speed", "junk", "3"},
        {"Speed", "2,5", "2.5"},
        {"Speed", "", "3"},
        {"Randomise", "0.7", "0.7"},
        {"Randomise", "-1", "0"},
        {"Randomise", "x", "2"},
    };
    for (const auto& c : cases) {
        Harness h;
        storeText(h, c.value, c.text);
        auto& f = h.load();
        const std::string name = c.value;
        const auto& box = name == "Time Delay" ? f.edDelay : name == "Speed" ? f.edSpeed : f.edRandomize;
        EXPECT_EQ(box.text(), c.shown) << name << " = \"" << c.text << '"';
    }
}

TEST(Lifecycle, OtherValueTypesAreReadByTheirRules) {
    Harness h;
    storeRaw(h, "Time Delay", settings::kRegDword, {20, 0, 0, 0});
    storeRaw(h, "Speed", settings::kRegBinary, {'5', 0});
    auto& f = h.load();
    EXPECT_EQ(f.edDelay.text(), "2") << "a double-word 20 is 2 s";
    EXPECT_EQ(f.edSpeed.text(), "3") << "a binary value leaves the start value";
}

TEST(Lifecycle, ValuesSurviveACloseAndAnotherStartEvenWhileMoving) {
    Harness h;
    auto& f = h.load();
    h.win().paste("edDelay", "1.5");
    h.win().paste("edSpeed", "4.2");
    h.win().paste("edRandomize", "0.7");
    h.win().click("cbStart");
    h.ticks(30);
    h.win().closeBox();
    EXPECT_EQ(stored(h, "Time Delay"), "15");
    EXPECT_EQ(stored(h, "Speed"), "4.2");
    EXPECT_EQ(stored(h, "Randomise"), "0.7");
    (void)f;

    h.form.reset();
    auto& again = h.load();
    EXPECT_EQ(again.edDelay.text(), "1.5");
    EXPECT_EQ(again.edSpeed.text(), "4.2");
    EXPECT_EQ(again.edRandomize.text(), "0.7");
    EXPECT_FALSE(again.tmMover.enabled()) << "the next start begins idle";
}

TEST(Lifecycle, ValuesWrittenUnderACommaLocaleReadBackUnderAPointLocale) {
    Harness h;
    h.desktop.system.separator = ",";
    h.load();
    h.win().paste("edSpeed", "4,2");
    h.win().paste("edRandomize", "0,7");
    h.win().closeBox();
    EXPECT_EQ(stored(h, "Speed"), "4,2");

    h.desktop.system.separator = ".";
    h.form.reset();
    auto& f = h.load();
    EXPECT_EQ(f.Speed, 4.2);
    EXPECT_EQ(f.edSpeed.text(), "4.2");
    EXPECT_EQ(f.RandomizeAmount, 0.7);
}

TEST(Lifecycle, HintLineNamesTheLastControlUnderTheMouse) {
    const struct {
        const char* control;
        const char* hint;
    } cases[] = {
        {"cbStart", "Press START button to start moving"},
        {"cbMinimize", "MINIMIZE Kivano"},
        {"edDelay", "Set up TIME delay (sec.)"},
        {"udDelay", "Set up TIME delay (sec.)"},
        {"edSpeed", "Set up MOUSE speed (px)"},
        {"udSpeed", "Set up MOUSE speed (px)"},
        {"edRandomize", "Set up parameter to RANDOMIZE process"},
        {"udRandomize", "Set up parameter to RANDOMIZE process"},
        {"cbTimer", "Set up TIMER"},
    };
    Harness h;
    auto& f = h.load();
    for (const auto& c : cases) {
        h.win().hover(c.control);
        EXPECT_EQ(f.lblTop.caption(), c.hint) << c.control;
        h.win().hover("");
        h.win().hover("wbMain");
        h.win().hover("lblSpeed");
        EXPECT_EQ(f.lblTop.caption(), c.hint) << "the bare area and other controls leave the hint";
    }
    h.win().click("cbStart");
    h.win().hover("cbStart");
    EXPECT_EQ(f.lblTop.caption(), "Press START button to start moving") << "the same hint while moving";
    EXPECT_EQ(h.win().controlRect("lblTop"), (ui::Rect{0, 0, 257, 17})) << "the line never grows";
}

TEST(Lifecycle, MinimiseButtonMinimisesAndMovementGoesOn) {
    Harness h;
    auto& f = h.load();
    h.win().click("cbStart");
    h.win().click("cbMinimize");
    EXPECT_EQ(f.window().state(), ui::WindowState::Minimized);
    const auto moves = h.desktop.screen.setCount;
    h.ticks(10);
    EXPECT_GT(h.desktop.screen.setCount, moves);
}

TEST(Lifecycle, MouseOverTheBareWindowHoldsBackTheNextMoveOnlyWhileMoving) {
    Harness h;
    h.desktop.screen.position = {300, 300};
    auto& f = h.load();
    h.win().paste("edDelay", "0.5"); // a move every 6 ticks
    h.win().hover("");
    EXPECT_FALSE(f.RestartPending) << "idle: nothing happens";
    EXPECT_EQ(f.WaitTicks, 1);

    h.win().click("cbStart");
    const auto moves = h.desktop.screen.setCount;
    for (int i = 0; i < 40; ++i) {
        h.desktop.clock.advance(50); // the user keeps moving the mouse
        h.win().hover("");
    }
    EXPECT_EQ(h.desktop.screen.setCount, moves) << "no move while the mouse keeps moving";
    EXPECT_TRUE(f.RestartPending);
    h.ticks(6);
    EXPECT_EQ(h.desktop.screen.setCount, moves + 1) << "the move comes once the mouse has rested";
    EXPECT_FALSE(f.RestartPending);
}

// The mouse over the bare window mid-period: the moving timer starts its period afresh there, and the
// wait is counted from nought.
TEST(Lifecycle, MouseOverTheBareWindowRestartsTheTimerAndTheWait) {
    Harness h;
    h.desktop.screen.position = {300, 300};
    auto& f = h.load();
    h.win().paste("edDelay", "0.5");
    h.win().click("cbStart");
    h.ticks(3);
    ASSERT_EQ(f.WaitTicks, 4);
    h.desktop.clock.advance(40);
    h.win().hover("");
    EXPECT_EQ(f.WaitTicks, 0);
    const auto& mover = dynamic_cast<ui::headless::Timer&>(f.tmMover);
    EXPECT_EQ(mover.due(), h.desktop.clock.now() + 100) << "a fresh period from the mouse move";
    EXPECT_EQ(mover.interval(), 100U);
}

#ifndef _WIN32
TEST(Lifecycle, AStoreThatCannotBeWrittenLosesTheValuesSilently) {
    Harness h;
    std::filesystem::remove_all(h.dir.path());
    std::ofstream(h.dir.path().string()) << "a file where the store's folder should be";
    auto& f = h.load();
    EXPECT_EQ(f.edSpeed.text(), "3");
    h.win().paste("edSpeed", "9");
    EXPECT_NO_THROW(h.win().closeBox());
    EXPECT_FALSE(f.window().isOpen());
    EXPECT_EQ(stored(h, "Speed"), "");
    std::filesystem::remove(h.dir.path());
}

TEST(Lifecycle, ACorruptStoreFileStartsWithDefaultsAndIsReplacedOnClose) {
    Harness h;
    std::ofstream(h.dir.path() / "user.reg") << "\x01\x02 not a registry file";
    auto& f = h.load();
    EXPECT_EQ(f.edDelay.text(), "0.1");
    h.win().paste("edDelay", "0.7");
    h.win().closeBox();
    EXPECT_EQ(stored(h, "Time Delay"), "7");
}
#endif

} // namespace
} // namespace kivano::testing
