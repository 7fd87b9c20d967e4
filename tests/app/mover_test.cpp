// The movement engine on the headless backend: Start/Stop, the tick's cadence, the draws and the bounces.

#include "support/harness.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace kivano::testing {
namespace {

using ui::Point;
using ui::WindowState;
using ui::headless::Button;
using ui::headless::Timer;

// Ticks (counted from Start) at which the cursor moved, over `total` ticks.
std::vector<int> moveTicks(Harness& h, int total) {
    std::vector<int> at;
    for (int t = 1; t <= total; ++t) {
        const auto before = h.desktop.screen.setCount;
        h.ticks(1);
        if (h.desktop.screen.setCount != before) at.push_back(t);
    }
    return at;
}

TEST(Mover, MovesEveryDelayPlusOneTicks) {
    const struct {
        const char* delay;
        std::vector<int> expected;
    } cases[] = {
        {"1", {10, 21, 32}},
        {"0.1", {1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31, 33}},
        {"0.3", {3, 7, 11, 15, 19, 23, 27, 31}},
    };
    for (const auto& c : cases) {
        Harness h;
        h.desktop.screen.position = {300, 300};
        auto& f = h.load();
        h.win().paste("edDelay", c.delay);
        h.win().click("cbStart");
        EXPECT_EQ(moveTicks(h, 33), c.expected) << c.delay;
        EXPECT_TRUE(f.tmMover.enabled());
    }
}

TEST(Mover, ExtraDelayLengthensAndShortensTheWait) {
    Harness h;
    h.desktop.screen.position = {300, 300};
    auto& f = h.load();
    h.win().paste("edDelay", "1"); // 10 ticks, randomize 2: each draw moves the wait by 10 ticks
    // First move: grow the wait; second: shrink it back; third: a shrink below zero total is refused.
    h.random.queue = {0.05F, 0.5F, 0.5F, 0.95F, 0.5F, 0.5F, 0.95F, 0.5F, 0.5F};
    h.win().click("cbStart");
    EXPECT_EQ(moveTicks(h, 55), (std::vector<int>{10, 31, 42, 53}));
    EXPECT_EQ(f.ExtraDelay, 0);
}

TEST(Mover, FirstMovesStepOnePixelRightAndDownWhateverTheSpeed) {
    Harness h;
    h.desktop.screen.position = {300, 300};
    auto& f = h.load();
    h.win().paste("edSpeed", "7");
    h.win().paste("edDelay", "0.1");
    h.win().click("cbStart");
    h.ticks(1);
    EXPECT_EQ(h.desktop.screen.position, (Point{301, 301}));
    h.ticks(2);
    EXPECT_EQ(h.desktop.screen.position, (Point{302, 302}));
    EXPECT_EQ(f.StepX, 1);
}

TEST(Mover, StartAndStopSwitchCaptionsTimersAndPages) {
    Harness h;
    h.desktop.system.folder = "D:\\Tools";
    auto& f = h.load();
    EXPECT_EQ(h.lastPage(), "file://D:\\Tools/Support/start.html");
    h.win().click("cbStart");
    EXPECT_EQ(f.cbStart.caption(), "Stop");
    EXPECT_EQ(f.cbStart.tooltip(), "Stop moving");
    EXPECT_FALSE(f.cbTimer.enabled());
    EXPECT_TRUE(f.tmMover.enabled());
    EXPECT_EQ(h.lastPage(), "file://D:\\Tools/Support/los.html");
    f.tmTimer.setEnabled(true);
    h.win().click("cbStart");
    EXPECT_EQ(f.cbStart.caption(), "Start");
    EXPECT_EQ(f.cbStart.tooltip(), "Start moving");
    EXPECT_TRUE(f.cbTimer.enabled());
    EXPECT_FALSE(f.tmMover.enabled());
    EXPECT_FALSE(f.tmTimer.enabled());
    EXPECT_EQ(h.lastPage(), "file://D:\\Tools/Support/start.html");
}

TEST(Mover, StopThenStartKeepsWaitTicksAndStepsButClearsExtraDelayAndPause) {
    Harness h;
    auto& f = h.load();
    h.win().click("cbStart");
    f.WaitTicks = 7;
    f.ExtraDelay = 4;
    f.StepX = -5;
    f.IsPaused = true;
    h.win().click("cbStart");
    h.win().click("cbStart");
    EXPECT_EQ(f.WaitTicks, 7);
    EXPECT_EQ(f.StepX, -5);
    EXPECT_EQ(f.ExtraDelay, 0);
    EXPECT_FALSE(f.IsPaused);
}

// Stop takes the three values from their boxes again, whatever the members came to hold meanwhile.
TEST(Mover, StopReReadsTheThreeBoxes) {
    Harness h;
    auto& f = h.load();
    h.win().paste("edDelay", "0.7");
    h.win().paste("edSpeed", "4");
    h.win().paste("edRandomize", "1.5");
    h.win().click("cbStart");
    f.DelayTicks = 99;
    f.Speed = 99;
    f.RandomizeAmount = 99;
    h.win().click("cbStart");
    EXPECT_EQ(f.DelayTicks, 7);
    EXPECT_EQ(f.Speed, 4);
    EXPECT_EQ(f.RandomizeAmount, 1.5);
}

// Counters that could run for years saturate instead of wrapping.
TEST(Mover, TheWaitCountStopsAtTheTopOfItsRange) {
    Harness h;
    auto& f = h.load();
    h.win().click("cbStart");
    f.ExtraDelay = 1e300;
    f.WaitTicks = std::numeric_limits<std::int32_t>::max();
    h.ticks(2);
    EXPECT_EQ(f.WaitTicks, std::numeric_limits<std::int32_t>::max());
}

TEST(Mover, PausedTicksChangeNothingAndKeepARestartPending) {
    Harness h;
    auto& f = h.load();
    h.win().click("cbStart");
    f.IsPaused = true;
    f.RestartPending = true;
    f.WaitTicks = 5;
    const auto moves = h.desktop.screen.setCount;
    h.ticks(50);
    EXPECT_EQ(f.WaitTicks, 5);
    EXPECT_TRUE(f.RestartPending);
    EXPECT_EQ(h.desktop.screen.setCount, moves);
    f.IsPaused = false;
    h.ticks(1);
    EXPECT_FALSE(f.RestartPending);
}

// One tick that moves, from cursor position `p` with the given steps.
struct BounceCase {
    const char* name;
    WindowState state;
    Point p;
    std::int16_t stepX, stepY;
    double speed;
    std::int16_t expectX, expectY;
    bool extraCleared;
};

// Runs one moving tick on a loaded window.
void runBounce(Harness& h, const BounceCase& c) {
    auto& f = *h.form;
    h.win().click("cbStart");
    f.window().setState(c.state);
    h.desktop.screen.position = c.p;
    f.StepX = c.stepX;
    f.StepY = c.stepY;
    f.Speed = c.speed;
    f.ExtraDelay = 5;
    f.WaitTicks = 1000;
    h.ticks(1);
    EXPECT_EQ(f.StepX, c.expectX) << c.name;
    EXPECT_EQ(f.StepY, c.expectY) << c.name;
    EXPECT_EQ(f.ExtraDelay, c.extraCleared ? 0 : 5) << c.name;
}

TEST(Mover, BouncesInTheNormalStateKeepTheCursorInsideTheWindow) {
    // The window's outer rectangle on the headless screen: 181, 227 to 440, 385.
    const BounceCase cases[] = {
        {"inside", WindowState::Normal, {300, 300}, 2, -2, 3, 2, -2, false},
        {"left of window", WindowState::Normal, {100, 300}, -2, 1, 3, 3, 1, false},
        {"right of window", WindowState::Normal, {500, 300}, 2, 1, 3, -3, 1, false},
        {"above window", WindowState::Normal, {300, 100}, 1, -2, 3, 1, 3, true},
        {"below window", WindowState::Normal, {300, 500}, 1, 2, 3, 1, -3, true},
        {"top-left corner region", WindowState::Normal, {5, 5}, -1, -1, 3, 3, 3, true},
        {"on the right edge stays", WindowState::Normal, {440, 385}, 1, 1, 3, 1, 1, false},
        {"on the left edge stays", WindowState::Normal, {181, 300}, -1, 1, 3, -1, 1, false},
        {"on the top edge stays", WindowState::Normal, {300, 227}, 1, -1, 3, 1, -1, false},
        {"speed 2.5 gives 2", WindowState::Normal, {500, 500}, 1, 1, 2.5, -2, -2, true},
        {"speed 3.5 gives 4", WindowState::Normal, {100, 100}, 1, 1, 3.5, 4, 4, true},
        {"speed 0 stops the axis", WindowState::Normal, {500, 300}, 4, 1, 0, 0, 1, false},
        {"huge speed clamps", WindowState::Normal, {500, 300}, 4, 1, 1e9, -32767, 1, false},
    };
    for (const auto& c : cases) {
        Harness h;
        h.load();
        runBounce(h, c);
    }
}

TEST(Mover, BouncesWhenMinimisedOrMaximisedTurnAtTheScreensEdges) {
    // One 1024 x 768 screen: x runs 0 to 1023.
    const BounceCase cases[] = {
        {"held at left edge", WindowState::Minimized, {0, 300}, -3, 1, 3, 3, 1, true},
        {"held at right edge", WindowState::Minimized, {1023, 300}, 3, 1, 3, -3, 1, false},
        {"held at top edge", WindowState::Maximized, {300, 0}, 1, -3, 3, 1, 3, true},
        {"held at bottom edge", WindowState::Maximized, {300, 767}, 1, 3, 3, 1, -3, false},
        {"zero step away from edges", WindowState::Minimized, {500, 300}, 0, 2, 3, -3, 2, false},
        {"zero step at exactly 10", WindowState::Minimized, {10, 10}, 0, 0, 3, 0, 0, false},
        {"zero step at 9", WindowState::Maximized, {9, 9}, 0, 0, 3, 3, 3, true},
        {"free movement", WindowState::Minimized, {500, 300}, 2, 2, 3, 2, 2, false},
        {"outside the window is fine", WindowState::Maximized, {1000, 700}, 5, 5, 3, 5, 5, false},
    };
    for (const auto& c : cases) {
        Harness h;
        h.load();
        runBounce(h, c);
    }
}

// The window against the screen's top-left corner (its outer rectangle 0, 0 to 259, 158): inside it,
// the screen's top and left 10 pixels still turn the cursor back.
TEST(Mover, BouncesInTheNormalStateKeepOffTheScreensTopAndLeftTenPixels) {
    const BounceCase cases[] = {
        {"x 5, inside the window", WindowState::Normal, {5, 100}, -1, 1, 3, 3, 1, false},
        {"x exactly 10 stays", WindowState::Normal, {10, 100}, -1, 1, 3, -1, 1, false},
        {"y 5, inside the window", WindowState::Normal, {100, 5}, 1, -1, 3, 1, 3, true},
        {"y exactly 10 stays", WindowState::Normal, {100, 10}, 1, -1, 3, 1, -1, false},
    };
    for (const auto& c : cases) {
        Harness h;
        h.load();
        h.win().moveClientTo({3, 20});
        runBounce(h, c);
    }
}

TEST(Mover, BouncesOnTwoScreensOneAtNegativeCoordinates) {
    const BounceCase cases[] = {
        // Minimised: the left screen's left edge turns the cursor right.
        {"left screen's edge", WindowState::Minimized, {-1280, 300}, -3, 1, 3, 3, 1, true},
        // Crossing between screens is not an edge.
        {"across the seam", WindowState::Minimized, {0, 300}, -3, 1, 3, -3, 1, false},
        // Normal state, the window on the left screen: a cursor right of it with x below 10 ends
        // turning left, because the right-edge rule comes second.
        {"left of 10 yet right of the window", WindowState::Normal, {5, 300}, 1, 1, 3, -3, 1, false},
    };
    for (const auto& c : cases) {
        Harness h;
        h.desktop.screen.setMonitors({{-1280, 0, 0, 1024}, {0, 0, 1024, 768}});
        h.load();
        h.win().moveClientTo({-1000, 200});
        runBounce(h, c);
    }
}

TEST(Mover, DrawsChangeWaitAndStepsOnlyBeyondTheirThresholds) {
    const float below01 = std::nextafter(0.1F, 0.0F);
    const float above09 = std::nextafter(0.9F, 1.0F);
    const float below005 = std::nextafter(0.05F, 0.0F);
    const float above095 = std::nextafter(0.95F, 1.0F);
    const struct {
        float a, b, c;
        double extra;
        std::int16_t stepX, stepY;
    } cases[] = {
        // DelayTicks 10, randomize 2: h = 10; steps start at 1 and change by 2.
        {below01, 0.5F, 0.5F, 10, 1, 1},  {0.1F, 0.5F, 0.5F, 0, 1, 1},      {0.9F, 0.5F, 0.5F, 0, 1, 1},
        {0.5F, 0.95F, 0.05F, 0, 1, 1},    {above09, 0.5F, 0.5F, 0, 1, 1},   {0.5F, below005, 0.5F, 0, 3, 1},
        {0.5F, 0.05F, 0.95F, 0, 1, 1},    {0.5F, above095, 0.5F, 0, -1, 1}, {0.5F, 0.5F, below005, 0, 1, 3},
        {0.5F, 0.5F, above095, 0, 1, -1},
    };
    for (const auto& c : cases) {
        Harness h;
        h.desktop.screen.position = {300, 300};
        auto& f = h.load();
        h.win().paste("edDelay", "1");
        h.win().click("cbStart");
        h.random.queue = {c.a, c.b, c.c};
        f.WaitTicks = 1000;
        h.ticks(1);
        EXPECT_EQ(f.ExtraDelay, c.extra) << c.a;
        EXPECT_EQ(f.StepX, c.stepX) << c.b;
        EXPECT_EQ(f.StepY, c.stepY) << c.c;
    }
}

TEST(Mover, ExtraDelayShrinksWhileTheTotalStaysPositive) {
    Harness h;
    h.desktop.screen.position = {300, 300};
    auto& f = h.load();
    h.win().paste("edDelay", "1");
    h.win().paste("edRandomize", "0.5"); // h = 2.5 ticks
    h.win().click("cbStart");
    f.ExtraDelay = -5;
    f.WaitTicks = 1000;
    h.random.queue = {0.95F};
    h.ticks(1);
    EXPECT_EQ(f.ExtraDelay, -7.5);
    f.WaitTicks = 1000;
    h.random.queue = {0.95F};
    h.ticks(1);
    EXPECT_EQ(f.ExtraDelay, 0) << "10 - 10 reaches zero total";

    h.win().paste("edDelay", "0.1");
    h.win().paste("edRandomize", "1"); // h = 0.5 tick
    f.ExtraDelay = 0;
    f.WaitTicks = 1000;
    h.random.queue = {0.95F};
    h.ticks(1);
    EXPECT_EQ(f.ExtraDelay, -0.5) << "1 - 0.5 leaves a positive total";
}

TEST(Mover, RandomizeBelowOneHalfNeverChangesAStepAndOneHalfRoundsToEven) {
    const struct {
        const char* randomize;
        std::int16_t start;
        std::int16_t grown;
    } cases[] = {{"0.49", 3, 3}, {"0.5", 3, 4}, {"0.5", 4, 4}, {"0.5", -3, -2}};
    for (const auto& c : cases) {
        Harness h;
        h.desktop.screen.position = {300, 300};
        auto& f = h.load();
        h.win().paste("edRandomize", c.randomize);
        h.win().click("cbStart");
        f.StepX = c.start;
        f.WaitTicks = 1000;
        h.random.queue = {0.5F, 0.0F, 0.5F};
        h.ticks(1);
        EXPECT_EQ(f.StepX, c.grown) << c.randomize << " from " << c.start;
    }
}

TEST(Mover, ANegativeStepMovesLeftAndAFailedCursorReadStartsFromZero) {
    Harness h;
    h.desktop.screen.position = {300, 300};
    auto& f = h.load();
    h.win().click("cbStart");
    f.StepX = -3;
    f.WaitTicks = 1000;
    h.ticks(1);
    EXPECT_EQ(h.desktop.screen.position.x, 297);

    h.desktop.screen.failReads = true;
    f.StepX = 4;
    f.StepY = 6;
    f.WaitTicks = 1000;
    h.ticks(1);
    EXPECT_EQ(h.desktop.screen.position, (Point{4, 6}));
    EXPECT_EQ(f.StepX, 3) << "a position of zero is left of the window and off the screen's edge";
}

TEST(Mover, StepsSaturateInsteadOfWrappingAround) {
    Harness h;
    h.desktop.screen.position = {300, 300};
    auto& f = h.load();
    h.win().click("cbStart");
    f.StepX = 32767;
    f.RandomizeAmount = 100;
    f.WaitTicks = 1000;
    h.random.queue = {0.5F, 0.0F, 0.5F};
    h.ticks(1);
    EXPECT_EQ(f.StepX, 32767);
}

} // namespace
} // namespace kivano::testing

namespace kivano::testing {
namespace {

TEST(Mover, EnterInATextBoxPressesStartAndEscDoesNothing) {
    Harness h;
    auto& f = h.load();
    h.win().focus("edSpeed");
    h.win().pressKey(u'\x1b');
    EXPECT_EQ(f.cbStart.caption(), "Start") << "the main window has no cancel button";
    h.win().pressKey(u'\r');
    EXPECT_EQ(f.cbStart.caption(), "Stop");
    EXPECT_EQ(f.edSpeed.text(), "3") << "Enter types nothing into the box";
}

} // namespace
} // namespace kivano::testing
