// The movement engine on the headless backend: Start/Stop, the tick's cadence, the draws and the bounces.

#include "support/harness.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
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

// Monitor layouts where some side of a monitor borders on area that no monitor covers.
using Layout = std::array<ui::Rect, 2>;
constexpr Layout kRightTaller{{{0, 0, 1024, 768}, {1024, 0, 2304, 1024}}};   // none below the first
constexpr Layout kRightLower{{{0, 0, 1280, 1024}, {1280, 256, 2304, 1024}}}; // none above the second
constexpr Layout kLeftTaller{{{-1280, 0, 0, 1024}, {0, 0, 1024, 768}}};      // none right of the first
constexpr Layout kAboveWider{{{0, 0, 1024, 768}, {0, -1024, 1280, 0}}};      // none below the second

TEST(Mover, BouncesWhenMinimisedTurnAwayFromASideBesideAnotherMonitor) {
    const struct {
        Layout monitors;
        BounceCase bounce;
    } cases[] = {
        // The side that blocks is the left or top one, far from 0: the step still turns away from it.
        {kRightTaller,
         {"left side beside the missing area", WindowState::Minimized, {1024, 900}, -3, 1, 3, 3, 1, false}},
        {kRightLower,
         {"top side beside the missing area", WindowState::Maximized, {1500, 256}, 1, -3, 3, 1, 3, false}},
        // The side that blocks is the right or bottom one, at a negative coordinate; the rule that
        // fires below 10 still clears the extra wait.
        {kLeftTaller,
         {"right side at a negative x", WindowState::Minimized, {-1, 900}, 3, 1, 3, -3, 1, true}},
        {kLeftTaller,
         {"a step of one at a negative x", WindowState::Minimized, {-1, 900}, 1, 1, 3, -3, 1, true}},
        {kAboveWider,
         {"bottom side at a negative y", WindowState::Maximized, {1200, -1}, 1, 3, 3, 1, -3, true}},
        // As on one screen: a still step at x above 10 sets off left, and the bottom edge turns back.
        {kRightTaller,
         {"zero step beside the missing area", WindowState::Minimized, {1024, 900}, 0, 1, 3, -3, 1, false}},
        {kRightTaller,
         {"bottom of the shorter monitor", WindowState::Minimized, {500, 767}, 1, 3, 3, 1, -3, false}},
        {kRightTaller, {"across the seam", WindowState::Minimized, {1024, 300}, -3, 1, 3, -3, 1, false}},
    };
    for (const auto& c : cases) {
        Harness h;
        h.desktop.screen.setMonitors({c.monitors.begin(), c.monitors.end()});
        h.load();
        runBounce(h, c.bounce);
    }
}

// Whether `p` lies on no monitor but within the rectangle that holds them all.
bool inMissingArea(const Layout& monitors, Point p) {
    ui::Rect all = monitors.front();
    bool onOne = false;
    for (const ui::Rect& m : monitors) {
        all = {std::min(all.left, m.left), std::min(all.top, m.top), std::max(all.right, m.right),
               std::max(all.bottom, m.bottom)};
        onOne = onOne || (p.x >= m.left && p.x < m.right && p.y >= m.top && p.y < m.bottom);
    }
    return !onOne && p.x >= all.left && p.x < all.right && p.y >= all.top && p.y < all.bottom;
}

// A minimised roam of `moves` moves with drifting steps: the longest run of consecutive moves that
// an axis stayed put although its step was not 0, and how many moves were clipped at the missing area.
struct Roam {
    int longestPinned = 0;
    int missingAreaHits = 0;
};

Roam roam(const Layout& monitors, Point start, Point step, int moves) {
    Harness h;
    h.desktop.screen.setMonitors({monitors.begin(), monitors.end()});
    auto& f = h.load();
    h.win().click("cbStart");
    f.window().setState(WindowState::Minimized);
    h.desktop.screen.position = start;
    f.StepX = static_cast<std::int16_t>(step.x);
    f.StepY = static_cast<std::int16_t>(step.y);
    std::minstd_rand draws(20); // a fixed seed: the same roam on every run
    std::uniform_real_distribution<float> uniform(0.0F, 1.0F);
    Roam result;
    int pinnedX = 0;
    int pinnedY = 0;
    for (int i = 0; i < moves; ++i) {
        const Point p = h.desktop.screen.position;
        const Point s{f.StepX, f.StepY};
        h.random.queue = {uniform(draws), uniform(draws), uniform(draws)};
        f.WaitTicks = std::numeric_limits<std::int32_t>::max();
        h.ticks(1);
        const Point q = h.desktop.screen.position;
        pinnedX = (s.x != 0 && q.x == p.x) ? pinnedX + 1 : 0;
        pinnedY = (s.y != 0 && q.y == p.y) ? pinnedY + 1 : 0;
        result.longestPinned = std::max({result.longestPinned, pinnedX, pinnedY});
        if (inMissingArea(monitors, {p.x + s.x, p.y + s.y})) ++result.missingAreaHits;
    }
    return result;
}

TEST(Mover, RoamingMinimisedNeverStaysPinnedBesideAnotherMonitor) {
    const struct {
        const char* name;
        Layout monitors;
        Point start, step;
    } cases[] = {
        {"left side beside the missing area", kRightTaller, {1100, 900}, {-3, 1}},
        {"top side beside the missing area", kRightLower, {1500, 300}, {1, -3}},
        {"right side at a negative x", kLeftTaller, {-100, 900}, {3, 1}},
        {"bottom side at a negative y", kAboveWider, {1200, -100}, {1, 3}},
    };
    for (const auto& c : cases) {
        const Roam r = roam(c.monitors, c.start, c.step, 5000);
        EXPECT_LE(r.longestPinned, 2) << c.name;
        EXPECT_GE(r.missingAreaHits, 10)
            << c.name << ": the roam must meet the missing area to show anything";
    }
}

// On one screen whose corner is at 0,0 every bounce is the same whichever way the step had moved: a
// move that had no effect turns forward near 0, back elsewhere, and not at all at exactly 10.
TEST(Mover, BouncesWhenMinimisedOnOneScreenAreUnchanged) {
    Harness h;
    auto& f = h.load();
    h.win().click("cbStart");
    f.window().setState(WindowState::Minimized);
    f.Speed = 3;
    const std::int32_t near[] = {0, 1, 2, 3, 4, 9, 10, 11, 12, 13, 14, 300};
    const auto turned = [](std::int32_t before, std::int32_t after, std::int16_t step) -> std::int16_t {
        if (after != before) return step;
        if (after < 10) return 3;
        if (after > 10) return -3;
        return step;
    };
    int turns = 0;
    for (const std::int32_t x : near) {
        for (const std::int32_t y : near) {
            for (const Point corner : {Point{0, 0}, Point{1023, 767}}) {
                // The same offsets from the far corner count back from the right and bottom edges.
                const Point p{corner.x == 0 ? x : corner.x - x, corner.y == 0 ? y : corner.y - y};
                for (std::int16_t sx = -4; sx <= 4; ++sx) {
                    for (std::int16_t sy = -4; sy <= 4; ++sy) {
                        h.desktop.screen.position = p;
                        f.StepX = sx;
                        f.StepY = sy;
                        f.ExtraDelay = 5;
                        f.WaitTicks = 1000;
                        h.ticks(1);
                        const Point q = h.desktop.screen.position;
                        const bool cleared = (q.x < 10 && q.x == p.x) || (q.y < 10 && q.y == p.y);
                        const auto at = ::testing::Message()
                                        << p.x << "," << p.y << " by " << sx << "," << sy;
                        ASSERT_EQ(f.StepX, turned(p.x, q.x, sx)) << at;
                        ASSERT_EQ(f.StepY, turned(p.y, q.y, sy)) << at;
                        ASSERT_EQ(f.ExtraDelay, cleared ? 0 : 5) << at;
                        turns += static_cast<int>(f.StepX != sx) + static_cast<int>(f.StepY != sy);
                    }
                }
            }
        }
    }
    EXPECT_GT(turns, 1000) << "the sweep must reach the edges";
}

// A cursor that cannot be read stands at 0,0 before and after every move, whichever way the step
// went: it is turned forward as a cursor held in the top-left corner would be.
TEST(Mover, BouncesWhenMinimisedAndTheCursorCannotBeReadTurnForward) {
    Harness h;
    h.desktop.screen.setMonitors({kLeftTaller.begin(), kLeftTaller.end()});
    auto& f = h.load();
    h.win().click("cbStart");
    f.window().setState(WindowState::Minimized);
    h.desktop.screen.failReads = true;
    f.StepX = 4;
    f.StepY = 6;
    f.ExtraDelay = 5;
    f.WaitTicks = 1000;
    h.ticks(1);
    EXPECT_EQ(h.desktop.screen.position, (Point{4, 6}));
    EXPECT_EQ(f.StepX, 3);
    EXPECT_EQ(f.StepY, 3);
    EXPECT_EQ(f.ExtraDelay, 0);
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
        // DelayTicks 10, randomize 2: h = 10; the extra wait starts at 15, the steps at 1 and change by 2.
        {below01, 0.5F, 0.5F, 25, 1, 1},  {0.1F, 0.5F, 0.5F, 15, 1, 1},      {0.9F, 0.5F, 0.5F, 15, 1, 1},
        {0.5F, 0.95F, 0.05F, 15, 1, 1},   {above09, 0.5F, 0.5F, 5, 1, 1},    {0.5F, below005, 0.5F, 15, 3, 1},
        {0.5F, 0.05F, 0.95F, 15, 1, 1},   {0.5F, above095, 0.5F, 15, -1, 1}, {0.5F, 0.5F, below005, 15, 1, 3},
        {0.5F, 0.5F, above095, 15, 1, -1},
    };
    for (const auto& c : cases) {
        Harness h;
        h.desktop.screen.position = {300, 300};
        auto& f = h.load();
        h.win().paste("edDelay", "1");
        h.win().click("cbStart");
        h.random.queue = {c.a, c.b, c.c};
        f.ExtraDelay = 15;
        f.WaitTicks = 1000;
        h.ticks(1);
        EXPECT_EQ(f.ExtraDelay, c.extra) << c.a;
        EXPECT_EQ(f.StepX, c.stepX) << c.b;
        EXPECT_EQ(f.StepY, c.stepY) << c.c;
    }
}

// The real source behind the draws above: were its values to stop short of 1 (or of 0.95), the wait
// would never drift up and the steps would drift one way only.
TEST(Mover, TheFixedSeedDrawsReachBothEndsOfTheirRangeAndNeverOne) {
    app::FixedSeedRandom random;
    int low = 0;
    int high = 0;
    for (int i = 0; i < 10000; ++i) {
        const float v = random.next();
        ASSERT_GE(v, 0.0F);
        ASSERT_LT(v, 1.0F);
        low += v < 0.05F ? 1 : 0;
        high += v > 0.95F ? 1 : 0;
    }
    EXPECT_GT(low, 0);
    EXPECT_GT(high, 0);
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
