// The set-up dialog and the work/pause schedule on the main window.

#include "support/harness.h"
#include "timer/dlgTimer.h"

#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace kivano::testing {
namespace {

using ui::headless::TextBox;
using ui::headless::Window;

constexpr const char* kIdle = "file://C:\\Program Files\\Kivano/Support/start.html";
constexpr const char* kMoving = "file://C:\\Program Files\\Kivano/Support/los.html";

TEST(Scheduler, StartingAScheduleOpensWithAWorkPeriod) {
    Harness h;
    auto& f = h.load();
    h.startSchedule("1", "2");
    EXPECT_EQ(f.cbStart.caption(), "Stop");
    EXPECT_EQ(f.cbStart.tooltip(), "Stop TIMER");
    EXPECT_FALSE(f.cbTimer.enabled());
    EXPECT_TRUE(f.tmMover.enabled());
    EXPECT_TRUE(f.tmTimer.enabled());
    EXPECT_TRUE(f.IsPaused);
    EXPECT_EQ(h.lastPage(), kIdle);
    EXPECT_EQ(f.WorkSeconds, 60);
    EXPECT_EQ(f.PeriodSeconds, 120);
}

TEST(Scheduler, WorkOneMinutePauseTwoMinutesAlternatesUntilStop) {
    Harness h;
    h.desktop.screen.position = {300, 300};
    auto& f = h.load();
    h.startSchedule("1", "2");
    auto moves = h.desktop.screen.setCount;
    h.desktop.clock.advance(59'999);
    EXPECT_EQ(h.desktop.screen.setCount, moves) << "the cursor rests through the work period";
    EXPECT_TRUE(f.IsPaused);
    h.desktop.clock.advance(1);
    EXPECT_FALSE(f.IsPaused);
    EXPECT_EQ(h.lastPage(), kMoving);
    h.desktop.clock.advance(119'999);
    EXPECT_GT(h.desktop.screen.setCount, moves + 500) << "moving every other tick for two minutes";
    EXPECT_FALSE(f.IsPaused);
    h.desktop.clock.advance(1);
    EXPECT_TRUE(f.IsPaused);
    EXPECT_EQ(h.lastPage(), kIdle);
    EXPECT_EQ(f.cbStart.tooltip(), "Stop TIMER") << "a switch leaves the button alone";

    h.desktop.clock.advance(30'000);
    h.win().click("cbStart");
    EXPECT_FALSE(f.tmMover.enabled());
    EXPECT_FALSE(f.tmTimer.enabled());
    EXPECT_TRUE(f.cbTimer.enabled());
    EXPECT_EQ(f.cbStart.caption(), "Start");
    EXPECT_EQ(f.cbStart.tooltip(), "Start moving");
    moves = h.desktop.screen.setCount;
    h.desktop.clock.advance(300'000);
    EXPECT_EQ(h.desktop.screen.setCount, moves);
}

// Seconds from the schedule's start to its first switch, for a work length typed in minutes.
TEST(Scheduler, APeriodLastsWholeSecondsNotBelowItsLength) {
    const struct {
        const char* minutes;
        std::int64_t seconds;
    } cases[] = {{"1", 60}, {"1.5", 90}, {"0.101", 7}, {"0.001", 1}, {"0.1", 6}};
    for (const auto& c : cases) {
        Harness h;
        auto& f = h.load();
        h.startSchedule(c.minutes, "1");
        const auto start = h.desktop.clock.now();
        ASSERT_TRUE(h.desktop.clock.advanceUntil([&] { return !f.IsPaused; }, 200'000, 1000));
        EXPECT_EQ(h.desktop.clock.now() - start, c.seconds * 1000) << c.minutes;
    }
}

// A period longer than the counter can count: the count stops at its top instead of wrapping.
TEST(Scheduler, ThePeriodsCountStopsAtTheTopOfItsRange) {
    Harness h;
    auto& f = h.load();
    h.startSchedule("1", "1");
    f.WorkSeconds = 1e300;
    f.TimerTicks = std::numeric_limits<std::int32_t>::max();
    h.desktop.clock.advance(2000);
    EXPECT_EQ(f.TimerTicks, std::numeric_limits<std::int32_t>::max());
    EXPECT_TRUE(f.IsPaused);
}

TEST(Scheduler, ANewScheduleAfterStopStartsWithAFullWorkPeriod) {
    Harness h;
    auto& f = h.load();
    h.startSchedule("0.5", "0.5");
    h.desktop.clock.advance(45'000); // 15 s into the pause period
    EXPECT_FALSE(f.IsPaused);
    h.win().click("cbStart");
    h.startSchedule("0.5", "0.5");
    EXPECT_TRUE(f.IsPaused);
    h.desktop.clock.advance(29'000);
    EXPECT_TRUE(f.IsPaused);
    h.desktop.clock.advance(1'000);
    EXPECT_FALSE(f.IsPaused);
}

TEST(Scheduler, CancelOrTheCloseBoxChangesNothing) {
    for (const bool viaCancel : {true, false}) {
        Harness h;
        auto& f = h.load();
        h.desktop.toolkit.onNextModal([&](Window& d) {
            d.paste("edWork", "5");
            d.paste("edPeriod", "7");
            if (viaCancel) {
                d.pressKey(u'\x1b');
                EXPECT_FALSE(d.isOpen()) << "Esc closes it";
            } else {
                d.closeBox();
            }
        });
        h.win().click("cbTimer");
        EXPECT_FALSE(f.timerDialog().IsOk());
        EXPECT_FALSE(f.tmMover.enabled());
        EXPECT_EQ(f.WorkSeconds, 60);
        EXPECT_EQ(f.PeriodSeconds, 60);
        EXPECT_EQ(f.cbStart.tooltip(), "Start moving");
        EXPECT_EQ(f.timerDialog().window(), nullptr) << "closing destroys the window";
    }
}

TEST(Scheduler, TheDialogShowsTheCurrentLengthsInMinutes) {
    Harness h;
    h.load();
    std::vector<std::string> seen;
    const auto look = [&](Window& d) {
        seen.push_back(d.control<TextBox>("edPeriod").text() + "/" + d.control<TextBox>("edWork").text());
    };
    h.desktop.toolkit.onNextModal([&](Window& d) {
        look(d);
        d.paste("edWork", "1.5");
        d.pressKey(u'\r'); // Enter presses Start, which has the focus
    });
    h.win().click("cbTimer");
    h.win().click("cbStart");
    h.desktop.toolkit.onNextModal(look);
    h.win().click("cbTimer");
    EXPECT_EQ(seen, (std::vector<std::string>{"1/1", "1/1.5"}));
}

TEST(Scheduler, WhileTheDialogIsOpenTheMainWindowTakesNoInputButItsTimersRun) {
    Harness h;
    auto& f = h.loadMoving();
    const auto moves = h.desktop.screen.setCount;
    h.desktop.toolkit.onNextModal([&](Window&) {
        EXPECT_FALSE(h.win().click("cbStart"));
        h.ticks(10);
    });
    f.timerDialog().Show(); // opened directly: cbTimer is disabled while moving
    EXPECT_GE(h.desktop.screen.setCount, moves + 5);
    EXPECT_TRUE(f.tmMover.enabled());
}

TEST(Scheduler, FailureWhileStartingToggleTheMovementAndMarkTheButton) {
    Harness h;
    auto& f = h.load();
    h.desktop.toolkit.onNextModal([](Window&) { throw std::runtime_error("dialog failed"); });
    h.win().click("cbTimer");
    EXPECT_TRUE(f.tmMover.enabled());
    EXPECT_EQ(f.cbStart.tooltip(), "Stop TIMER");
}

TEST(Scheduler, ADayOfScheduleSwitchesOnTheExactSeconds) {
    Harness h;
    auto& f = h.load();
    h.startSchedule("1.5", "0.5");
    const auto start = h.desktop.clock.now();
    std::vector<std::int64_t> switches;
    bool paused = f.IsPaused;
    for (int second = 0; second < 24 * 3600; ++second) {
        h.desktop.clock.advance(1000);
        if (f.IsPaused != paused) {
            paused = f.IsPaused;
            switches.push_back(h.desktop.clock.now() - start);
        }
    }
    ASSERT_EQ(switches.size(), 24U * 60 / 2 * 2);
    std::int64_t expected = 0;
    for (size_t i = 0; i < switches.size(); ++i) {
        expected += i % 2 == 0 ? 90'000 : 30'000;
        ASSERT_EQ(switches[i], expected) << "switch " << i;
    }
}

struct DialogCase {
    const char* start;
    const char* action; // "down", "up", or a text to paste
    const char* shown;
    double work;
};

TEST(TimerDialog, ChangeAndSteppingRulesKeepWorkPositive) {
    const DialogCase cases[] = {
        {"0.1", "down", "0.001", 0.001},
        {"0.001", "down", "0.001", 0.001},
        {"0.001", "up", "0.101", 0.101},
        {"0.15", "down", "0.05", 0.05},
        {"1", "up", "1.1", 1.1},
        {"2", "", "2", 2},
        {"2", "0", "2", 2},
        {"2", "-3", "2", 2},
        {"2", "abc", "2", 2},
        {"2", "2.50", "2.5", 2.5},
        {"2", "3.", "3", 3},
        {"2", "1e-3", "0.001", 0.001},
    };
    for (const auto& c : cases) {
        Harness h;
        h.load();
        auto& d = h.form->timerDialog();
        d.Work(std::stod(c.start));
        auto& w = dynamic_cast<Window&>(*d.window());
        const std::string action = c.action;
        if (action == "down") {
            w.clickDown("udWork");
        } else if (action == "up") {
            w.clickUp("udWork");
        } else {
            w.paste("edWork", action);
        }
        EXPECT_EQ(w.control<TextBox>("edWork").text(), c.shown) << c.start << " " << c.action;
        EXPECT_EQ(d.Work(), c.work) << c.start << " " << c.action;
    }
}

TEST(TimerDialog, FirstUseLoadsWithZeroWorkAndStartReturnsThePassedValues) {
    Harness h;
    h.load();
    auto& d = h.form->timerDialog();
    EXPECT_EQ(d.Work(), 0);
    d.Period(2);
    auto& w = dynamic_cast<Window&>(*d.window());
    EXPECT_EQ(w.control<TextBox>("edWork").text(), "0") << "the load step ran inside the first write";
    EXPECT_EQ(w.control<TextBox>("edPeriod").text(), "2");
    d.Work(3);
    EXPECT_EQ(d.window(), &w) << "one window for both writes and the showing";
    EXPECT_EQ(w.focused(), "OKButton");
    h.desktop.toolkit.onNextModal([](Window& dialog) {
        dialog.click("OKButton");
        EXPECT_FALSE(dialog.isOpen()) << "Start closes it";
    });
    d.Show();
    EXPECT_TRUE(d.IsOk());
    EXPECT_EQ(d.Work(), 3);
    EXPECT_EQ(d.Period(), 2);
    h.desktop.toolkit.onNextModal([](Window& dialog) {
        EXPECT_EQ(dialog.control<TextBox>("edPeriod").text(), "2") << "the load step fills both boxes";
        EXPECT_EQ(dialog.control<TextBox>("edWork").text(), "3");
    });
    d.Show();
    d.Period(4);
    EXPECT_FALSE(d.IsOk()) << "a new window's load step clears IsOk";
}

TEST(TimerDialog, PeriodSpinnerFollowsTheSameRules) {
    Harness h;
    h.load();
    auto& d = h.form->timerDialog();
    d.Period(0.1);
    auto& w = dynamic_cast<Window&>(*d.window());
    w.clickDown("udPeriod");
    EXPECT_EQ(w.control<TextBox>("edPeriod").text(), "0.001");
    w.clickUp("udPeriod");
    EXPECT_EQ(d.Period(), 0.101);
    w.paste("edPeriod", "");
    EXPECT_EQ(w.control<TextBox>("edPeriod").text(), "0.101");
    d.Period(5);
    EXPECT_EQ(w.control<TextBox>("edPeriod").text(), "5") << "a write to an open dialog shows at once";
}

TEST(TimerDialog, AShowingThatFailsStillLeavesTheNextUseAFreshWindow) {
    Harness h;
    h.load();
    auto& d = h.form->timerDialog();
    d.Period(2);
    h.desktop.toolkit.onNextModal([](Window&) { throw std::runtime_error("the platform refused"); });
    EXPECT_THROW(d.Show(), std::runtime_error);
    EXPECT_EQ(d.window(), nullptr);
}

} // namespace
} // namespace kivano::testing
